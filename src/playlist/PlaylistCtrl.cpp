#include "playlist/PlaylistCtrl.h"

#include "core/DetachedCalls.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/Preferences.h"
#include "core/Profile.h"
#include "playback/CheckResult.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace {

constexpr const char* kSection = "Playlist";

std::string CurrentFolder()
{
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string(".");
}

} // namespace

bool CPlaylistCtrl::PathExists(const std::string& path)
{
    // A NUL inside the bytes would make the system look at a shorter path.
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0;
}

CPlaylistCtrl::CPlaylistCtrl(const CServices& services, std::unique_ptr<CMediaProber> prober)
    : m_Services(services)
    , m_Prober(std::move(prober))
    , m_StartFolder(CurrentFolder())
{
    if (m_Prober)
        m_Prober->SetHandler([this](int32_t id, const CProbeAnswer& answer) { OnProbed(id, answer); });
}

CPlaylistCtrl::~CPlaylistCtrl()
{
    OnDestroy();
}

void CPlaylistCtrl::Init(CMessageTarget* owner)
{
    if (m_bInitialised || m_bDestroyed)
        return;
    m_pOwner = owner;
    m_bInitialised = true;
    LoadSettings();
}

void CPlaylistCtrl::OnDestroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_RedrawHandler = nullptr; // the view may already be gone
    if (m_bInitialised)
        SaveSettings();
    // Probes still running are cancelled and their threads joined: nothing answers
    // into a control that is going.
    m_Prober.reset();
    m_Probing.clear();
    m_pRowChecks.reset(); // a check still running is left to end by itself
    m_Rows.clear();
    m_EntryById.clear();
    m_Entries.clear();
    m_bInitialised = false;
}

void CPlaylistCtrl::LoadSettings()
{
    if (!m_bInitialised)
        return;
    m_CurTrack = GetProfileInt(kSection, "m_CurTrack", -1);
    m_LoopList = GetProfileInt(kSection, "m_LoopList", 0) == 1;
    m_AutoSkipTrack = GetProfileInt(kSection, "m_AutoSkipTrack", 1) == 1;
    m_bLoopSingleTrack = GetProfileInt(kSection, "m_bLoopSingleTrack", 0) == 1;

    const CPreferences& prefs = m_Services.prefs;
    if (prefs.m_bReloadPlaylist) {
        AddPlayList(GetLastPlaylistPath(), -1);
        SetMarkedItem(m_CurTrack);
        LoadTrack(false);
    } else if (!prefs.m_AutoPlaylist.empty()) {
        OpenPlaylist(prefs.m_AutoPlaylist);
        m_CurTrack = 0;
        LoadTrack(prefs.m_bAutoPlayTrack);
        SetMarkedItem(0);
    } else {
        SetMarkedItem(m_CurTrack);
        LoadTrack(false);
    }
}

void CPlaylistCtrl::SaveSettings()
{
    if (!m_bInitialised)
        return;
    WriteProfileInt(kSection, "m_CurTrack", m_CurTrack);
    WriteProfileInt(kSection, "m_LoopList", m_LoopList ? 1 : 0);
    WriteProfileInt(kSection, "m_AutoSkipTrack", m_AutoSkipTrack ? 1 : 0);
    WriteProfileInt(kSection, "m_bLoopSingleTrack", m_bLoopSingleTrack ? 1 : 0);
    SavePlaylist(GetLastPlaylistPath());
}

std::string CPlaylistCtrl::GetLastPlaylistPath() const
{
    if (!m_StartFolder.empty() && m_StartFolder.back() == '/')
        return m_StartFolder + "LastPLS.dat";
    return m_StartFolder + "/LastPLS.dat";
}

std::string CPlaylistCtrl::GetCurrentPath() const
{
    return GetPathAt(m_CurTrack);
}

std::string CPlaylistCtrl::GetPathAt(int position) const
{
    const CRow* row = GetRow(position);
    const CEntry* entry = row ? FindEntryById(row->m_Id) : nullptr;
    return entry ? entry->m_Path : std::string();
}

int CPlaylistCtrl::GetPlayListIndx(const std::string& path) const
{
    const CEntry* entry = FindFirstEntryByPath(path);
    if (!entry) {
        LogError("CPlaylistCtrl::GetPlayListIndx(): Item ID not found!\n");
        return -1;
    }
    return FindRowById(entry->m_Id);
}

const CPlaylistCtrl::CRow* CPlaylistCtrl::GetRow(int position) const
{
    if (position < 0 || position >= GetRowCount())
        return nullptr;
    return &m_Rows[static_cast<std::size_t>(position)];
}

CPlaylistCtrl::Icon CPlaylistCtrl::GetRowIcon(int position) const
{
    const CRow* row = GetRow(position);
    if (!row)
        return ICON_NONE;
    if (m_PlayerEntries[1] != 0 && row->m_Id == m_PlayerEntries[1])
        return ICON_PLAYER_B;
    if (m_PlayerEntries[0] != 0 && row->m_Id == m_PlayerEntries[0])
        return ICON_PLAYER_A;
    return ICON_NONE;
}

int CPlaylistCtrl::FindRowById(int32_t id) const
{
    for (std::size_t i = 0; i < m_Rows.size(); ++i) {
        if (m_Rows[i].m_Id == id)
            return static_cast<int>(i);
    }
    return -1;
}

const CEntry* CPlaylistCtrl::FindEntryById(int32_t id) const
{
    const auto it = m_EntryById.find(id);
    return it == m_EntryById.end() ? nullptr : it->second;
}

CEntry* CPlaylistCtrl::FindFirstEntryByPath(const std::string& path) const
{
    for (const auto& entry : m_Entries) {
        if (entry->m_Path == path)
            return entry.get();
    }
    return nullptr;
}

int32_t CPlaylistCtrl::GetPlayerEntry(int player) const
{
    return player == 0 || player == 1 ? m_PlayerEntries[player] : 0;
}

bool CPlaylistCtrl::AddEntry(const std::string& path, int position, const std::string& title,
    const std::string& length, bool keepMissing)
{
    return AddCheckedEntry(
        path, position, title, length, keepMissing ? std::optional<bool>(true) : std::nullopt);
}

bool CPlaylistCtrl::AddCheckedEntry(const std::string& path, int position, const std::string& title,
    const std::string& length, std::optional<bool> exists)
{
    if (!m_bInitialised)
        return false;
    // A stream address is not a file: no extension to match, nothing on disk.
    const bool stream = IsStreamUrl(path);
    if (!stream && !IsSupportedFile(path)) {
        LogError("CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!\n");
        return false;
    }
    if (!stream && !(exists ? *exists : PathExists(path))) {
        LogError("CPlaylistCtrl::AddEntry() : File or path not found!\n");
        return false;
    }
    const int row = position < 0 || position > GetRowCount() ? GetRowCount() : position;

    std::string name = title;
    std::string time = length;
    bool probe = false;
    if (title.empty() || length.empty() || length == "0:00:00") {
        // The file name until the probe answers (and for good when it fails). A
        // stream is never probed: its address may be dead or never end, and the
        // player reports its title and length once it plays.
        name = stream ? path : TitleFromPath(path);
        time = "0:00:00";
        probe = !stream && IsTimedMedia(path) && m_Prober;
    }

    m_Rows.insert(m_Rows.begin() + row, CRow { m_NextId, {}, name, time });
    auto entry = std::make_unique<CEntry>(CEntry { path, std::move(name), std::move(time), m_NextId });
    m_EntryById[m_NextId] = entry.get();
    m_Entries.push_back(std::move(entry));

    // Only rows from the insertion point on change their number.
    RenumberItems(row);
    RefreshPlayerIcons();
    if (probe) {
        m_Probing.insert(m_NextId);
        m_Prober->Probe(m_NextId, path);
    }
    ++m_NextId;
    return true;
}

bool CPlaylistCtrl::AddFileRecord(const std::string& path, int position, const std::string& title,
    const std::string& length, bool keepMissing)
{
    return AddCheckedRecord(
        path, position, title, length, keepMissing ? std::optional<bool>(true) : std::nullopt);
}

bool CPlaylistCtrl::AddCheckedRecord(const std::string& path, int position, const std::string& title,
    const std::string& length, std::optional<bool> exists)
{
    if (AddCheckedEntry(path, position, title, length, exists))
        return true;
    if (!m_bInitialised || IsSupportedFile(path) || IsStreamUrl(path))
        return false;
    KeepUnknownType(path, position, title, length);
    return true;
}

void CPlaylistCtrl::KeepUnknownType(
    const std::string& path, int position, const std::string& title, const std::string& length)
{
    // AddEntry has logged the type; the path says which row it was.
    LogMessage("CPlaylistCtrl: kept %s as it was: not a known media type.\n", path.c_str());
    const int row = position < 0 || position > GetRowCount() ? GetRowCount() : position;
    const std::string name = kUnknownTypeMark + (title.empty() ? TitleFromPath(path) : title);
    m_Rows.insert(m_Rows.begin() + row, CRow { m_NextId, {}, name, length.empty() ? "0:00:00" : length });
    auto entry = std::make_unique<CEntry>(CEntry { path, title, length, m_NextId });
    m_EntryById[m_NextId] = entry.get();
    m_Entries.push_back(std::move(entry));
    RenumberItems(row);
    RefreshPlayerIcons();
    ++m_NextId;
}

void CPlaylistCtrl::OnProbed(int32_t id, const CProbeAnswer& answer)
{
    if (m_Probing.erase(id) == 0)
        return;
    if (!answer.m_bOk) {
        CheckResult(2, false, answer.m_Error, "OpenMedia(): RenderFile() failed\n");
        return;
    }
    if (!answer.m_bMediaTime)
        LogMessage("Time format not supported!\n");
    const auto it = m_EntryById.find(id);
    if (it == m_EntryById.end())
        return; // removed meanwhile
    CEntry& entry = *it->second;
    entry.m_Title = answer.m_Title;
    entry.m_Length = FormatDuration(answer.m_DurationMs);
    const int row = FindRowById(id);
    if (row >= 0) {
        m_Rows[static_cast<std::size_t>(row)].m_Name = entry.m_Title;
        m_Rows[static_cast<std::size_t>(row)].m_Time = entry.m_Length;
        Redraw();
    }
}

void CPlaylistCtrl::RenumberItems(int fromRow)
{
    for (std::size_t i = static_cast<std::size_t>(std::max(fromRow, 0)); i < m_Rows.size(); ++i) {
        std::string nr = std::to_string(i + 1) + ".";
        if (m_Rows[i].m_Nr != nr)
            m_Rows[i].m_Nr = std::move(nr);
    }
    Redraw();
}

void CPlaylistCtrl::RefreshPlayerIcons()
{
    // Icons are derived from the player entries when drawn; only the view needs telling.
    if (m_PlayerEntries[0] != 0 || m_PlayerEntries[1] != 0)
        Redraw();
}

void CPlaylistCtrl::NextTrack()
{
    if (!m_bInitialised || GetRowCount() <= 0 || m_CurTrack < 0)
        return;
    // After the playing row (or rows above it) was removed, m_CurTrack already
    // points at the following row and stays there.
    const CRow* row = GetRow(m_CurTrack);
    if (row && row->m_Id == m_MarkedItem)
        ++m_CurTrack;
    if (m_CurTrack >= GetRowCount()) {
        if (!m_LoopList) {
            m_CurTrack = GetRowCount() - 1;
            return;
        }
        m_CurTrack = 0;
    }
    SetMarkedItem(m_CurTrack);
    LoadTrack(false);
}

void CPlaylistCtrl::PrevTrack()
{
    if (!m_bInitialised || m_CurTrack < 0 || GetRowCount() <= 0)
        return;
    --m_CurTrack;
    if (m_CurTrack < 0) {
        if (!m_LoopList) {
            m_CurTrack = 0;
            return;
        }
        m_CurTrack = GetRowCount() - 1;
    }
    SetMarkedItem(m_CurTrack);
    LoadTrack(false);
}

void CPlaylistCtrl::SetPlayerEntry(
    const std::string& path, int player, const std::string& title, uint32_t durationMs)
{
    if (!m_bInitialised || (player != 0 && player != 1))
        return;
    CEntry* entry = FindFirstEntryByPath(path);
    if (!entry)
        return;
    m_PlayerEntries[player] = entry->m_Id;
    RefreshPlayerIcons();
    if (title.empty() || durationMs == 0)
        return;
    const int row = FindRowById(entry->m_Id);
    if (row < 0)
        return;
    entry->m_Title = title;
    entry->m_Length = FormatDuration(durationMs);
    m_Rows[static_cast<std::size_t>(row)].m_Name = entry->m_Title;
    m_Rows[static_cast<std::size_t>(row)].m_Time = entry->m_Length;
    Redraw();
}

void CPlaylistCtrl::FocusPlayerEntry(int player)
{
    if (!m_bInitialised || (player != 0 && player != 1))
        return;
    const int32_t id = m_PlayerEntries[player];
    const int row = id != 0 ? FindRowById(id) : -1;
    if (row < 0)
        return;
    m_CurTrack = row;
    m_MarkedItem = id;
    Redraw();
}

void CPlaylistCtrl::SetMarkedItem(int position)
{
    const CRow* row = m_bInitialised ? GetRow(position) : nullptr;
    if (!row)
        return;
    m_MarkedItem = row->m_Id;
    Redraw();
}

void CPlaylistCtrl::OnDoubleClick(int row)
{
    if (!m_bInitialised || !GetRow(row))
        return;
    m_CurTrack = row;
    SetMarkedItem(row);
    LoadTrack(true);
}

bool CPlaylistCtrl::RemoveRow(int position)
{
    const CRow* row = m_bInitialised ? GetRow(position) : nullptr;
    if (!row)
        return false;
    const int32_t id = row->m_Id;
    m_Rows.erase(m_Rows.begin() + position);
    m_EntryById.erase(id);
    std::erase_if(m_Entries, [id](const std::unique_ptr<CEntry>& entry) { return entry->m_Id == id; });
    if (m_MarkedItem == id)
        m_MarkedItem = -1;
    if (m_Entries.empty() && m_Prober) {
        m_Prober->CancelAll(); // nothing left that an answer could fill
        m_Probing.clear();
    }
    RenumberItems(position);
    return true;
}

void CPlaylistCtrl::RemoveAll()
{
    if (!m_bInitialised)
        return;
    if (m_Prober)
        m_Prober->CancelAll();
    m_Probing.clear();
    m_Rows.clear();
    m_EntryById.clear();
    m_Entries.clear();
    m_MarkedItem = -1;
    Redraw();
}

void CPlaylistCtrl::SetRedraw(bool redraw)
{
    m_bRedraw = redraw;
    Redraw();
}

void CPlaylistCtrl::Redraw()
{
    if (m_bRedraw && m_RedrawHandler)
        m_RedrawHandler();
}

void CPlaylistCtrl::LoadTrack(bool play)
{
    if (m_pOwner)
        m_pOwner->SendMessage(WM_CMD_LOAD_TRACK, 0, play ? 1 : 0);
}
