// CPlaylistCtrl: loading and saving playlist files.
#include "playlist/PlaylistCtrl.h"

#include "core/DetachedCalls.h"
#include "core/Log.h"
#include "core/UiServices.h"
#include "playlist/BusyCursor.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistReader.h"
#include "playlist/PlaylistWriter.h"
#include "playlist/RecentFileList.h"

#include <condition_variable>
#include <mutex>

namespace {

constexpr const char* kOpenFilter
    = "PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|All files (*.*)|*.*||";
constexpr const char* kSaveFilter = "M3U Playlist|*.m3u|PLS Playlist|*.pls||";

bool HasDriveLetter(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':'
        && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Absolute paths, paths written on a system with drive letters and stream
// addresses stay as they are; anything else is relative to the playlist file's folder.
std::string ResolveEntryPath(const std::string& baseFolder, const std::string& path)
{
    if ((!path.empty() && path.front() == '/') || HasDriveLetter(path) || IsStreamUrl(path))
        return path;
    return baseFolder + path;
}

bool IsLastPlaylist(const std::string& path)
{
    return path.find("LastPLS.dat") != std::string::npos;
}

} // namespace

std::string CPlaylistCtrl::OpenPlaylist(const std::string& path)
{
    if (!m_bInitialised)
        return {};
    std::string file = path;
    if (file.empty()
        && (!m_Services.pUi
            || !m_Services.pUi->GetOpenFileName("Open Playlist", kOpenFilter, "m3u", {}, file)))
        return {};
    if (!IsPlaylistFile(file)) {
        LogError("CPlaylistCtrl::OpenPlaylist(): Playlist format not supported!\n");
        return {};
    }

    CBusyCursor busy(m_Services.pUi, "Loading playlist");
    // Read before clearing: a missing or unreadable file must not cost the
    // operator the playlist that is loaded now.
    CPlaylistReader reader(m_Services.pUi);
    if (!reader.Read(file)) {
        LogError("CPlaylistCtrl::OpenPlaylist(): Playlist %s could not be read; playlist unchanged.\n",
            file.c_str());
        return {};
    }
    RemoveAll();
    AddRecords(file, -1, reader);
    if (!IsLastPlaylist(file))
        AddToRecentFileList(file);
    m_DocumentTitle = TitleFromPath(file);
    Redraw(); // the pane shows the new name
    return file;
}

void CPlaylistCtrl::AddPlayList(const std::string& path, int position)
{
    CBusyCursor busy(m_Services.pUi, "Loading playlist");
    if (!IsPlaylistFile(path)) {
        LogError("CPlaylistCtrl::AddPlayList(): Playlist format not supported!\n");
        return;
    }
    CPlaylistReader reader(m_Services.pUi);
    if (!reader.Read(path))
        return;
    AddRecords(path, position, reader);
}

bool CPlaylistCtrl::AddRecords(const std::string& playlistPath, int position, const CPlaylistReader& reader)
{
    if (!m_bInitialised)
        return false;
    const std::string baseFolder = FolderOfPath(playlistPath);
    std::vector<CNewRow> rows;
    rows.reserve(reader.GetEntries().size());
    for (const CPLEntry& record : reader.GetEntries())
        rows.push_back({ ResolveEntryPath(baseFolder, record.m_Path), record.m_Title,
            FormatDuration(static_cast<uint64_t>(record.m_Seconds) * 1000) });
    AddEntries(rows, position);
    return true;
}

namespace {

// The answers of one batch of row checks, shared with the thread that looks.
struct RowChecks
{
    std::vector<std::string> paths; // empty: nothing to look at
    std::mutex mutex;
    std::condition_variable answered;
    std::vector<char> exists;
    size_t done = 0;
};

} // namespace

void CPlaylistCtrl::AddEntries(const std::vector<CNewRow>& rows, int position)
{
    if (!m_bInitialised)
        return;
    auto checks = std::make_shared<RowChecks>();
    checks->exists.resize(rows.size());
    // Only files are looked for: a stream address is kept without a look.
    for (const CNewRow& row : rows)
        checks->paths.push_back(
            IsSupportedFile(row.m_Path) && !IsStreamUrl(row.m_Path) ? row.m_Path : std::string());
    if (!m_pRowChecks)
        m_pRowChecks = std::make_unique<CDetachedCalls>();
    // Filled below: the entry each row became (0: none), for answers that come late.
    auto ids = std::make_shared<std::vector<int32_t>>(rows.size(), 0);
    const bool started = !rows.empty() && m_pRowChecks->Start([this, checks, ids]() -> CDetachedCalls::Done {
        for (size_t i = 0; i < checks->paths.size(); ++i) {
            const bool exists = checks->paths[i].empty() || PathExists(checks->paths[i]);
            std::lock_guard lock(checks->mutex);
            checks->exists[i] = exists;
            checks->done = i + 1;
            checks->answered.notify_all();
        }
        return [this, checks, ids] { OnLateRowChecks(*ids, checks->exists); };
    });
    // Waits while answers keep coming; a share that hangs stops them.
    std::vector<char> exists;
    size_t answered = 0;
    if (started) {
        std::unique_lock lock(checks->mutex);
        while (checks->done < rows.size()) {
            const size_t before = checks->done;
            if (!checks->answered.wait_for(lock, kRowCheckWait, [&] { return checks->done != before; }))
                break;
        }
        answered = checks->done;
        exists = checks->exists;
    }

    const bool redraw = m_bRedraw;
    m_bRedraw = false;
    int done = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const CNewRow& row = rows[i];
        // Not answered in time: kept until the answer comes, as the file may well be there.
        const int32_t id = m_NextId;
        if (AddCheckedRecord(
                row.m_Path, position, row.m_Title, row.m_Length, i < answered ? exists[i] != 0 : true)
            && i >= answered)
            (*ids)[i] = id;
        if (m_Services.pUi && ++done % 256 == 0)
            m_Services.pUi->Progress(done, static_cast<int>(rows.size()));
    }
    SetRedraw(redraw);
    if (answered < rows.size())
        LogMessage(
            "CPlaylistCtrl::AddEntries(): the file system has not answered for %zu of %zu entries; they "
            "stay in the playlist until it does.\n",
            rows.size() - answered, rows.size());
}

void CPlaylistCtrl::OnLateRowChecks(const std::vector<int32_t>& ids, const std::vector<char>& exists)
{
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == 0 || exists[i] != 0)
            continue;
        const int row = FindRowById(ids[i]);
        if (row < 0)
            continue; // removed meanwhile
        LogError("CPlaylistCtrl::AddEntry() : File or path not found!\n");
        RemoveRow(row);
    }
}

bool CPlaylistCtrl::SavePlaylist(const std::string& path)
{
    if (!m_bInitialised)
        return false;
    if (GetRowCount() == 0 && !IsLastPlaylist(path)) {
        LogError("CPlaylistCtrl::SavePlaylist(): No entries in playlist!\n");
        return false;
    }
    std::string file = path;
    std::string ext = "M3U";
    if (file.empty()) {
        if (!m_Services.pUi
            || !m_Services.pUi->GetSaveFileName("Save Playlist", kSaveFilter, "m3u", {}, file))
            return false;
        ext = GetExtension(file);
        if (!ext.empty())
            ext.erase(0, 1);
    }

    CBusyCursor busy(m_Services.pUi, "Saving playlist");
    ext = ToUpperAscii(ext);
    CPlaylistWriter writer(m_Services.pUi);
    if (ext == "M3U")
        writer.SetFormat(CPlaylistWriter::FORMAT_M3U);
    else if (ext == "PLS")
        writer.SetFormat(CPlaylistWriter::FORMAT_PLS);
    else
        return false;

    writer.Open(file);
    for (const CRow& row : m_Rows) {
        if (const CEntry* entry = FindEntryById(row.m_Id))
            writer.WriteEntry(entry->m_Path, entry->m_Title, entry->m_Length);
    }
    // A file that was not written is not offered in the recent-file list: opening
    // it would find nothing.
    const bool written = writer.Close();
    if (written && !IsLastPlaylist(file))
        AddToRecentFileList(file);
    return written;
}
