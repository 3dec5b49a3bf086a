// CPlaylistCtrl: loading and saving playlist files.
#include "playlist/PlaylistCtrl.h"

#include "core/Log.h"
#include "core/UiServices.h"
#include "playlist/BusyCursor.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistReader.h"
#include "playlist/PlaylistWriter.h"
#include "playlist/RecentFileList.h"

namespace {

constexpr const char* kOpenFilter
    = "PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|All files (*.*)|*.*||";
constexpr const char* kSaveFilter = "M3U Playlist|*.m3u|PLS Playlist|*.pls||";

bool HasDriveLetter(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':'
        && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Absolute paths (and paths written on a system with drive letters) stay as they
// are; anything else is relative to the playlist file's folder.
std::string ResolveEntryPath(const std::string& baseFolder, const std::string& path)
{
    if ((!path.empty() && path.front() == '/') || HasDriveLetter(path))
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
    const auto& records = reader.GetEntries();
    const bool redraw = m_bRedraw;
    m_bRedraw = false;
    int done = 0;
    for (const CPLEntry& record : records) {
        const std::string length = FormatDuration(static_cast<uint64_t>(record.m_Seconds) * 1000);
        AddFileRecord(ResolveEntryPath(baseFolder, record.m_Path), position, record.m_Title, length);
        if (m_Services.pUi && ++done % 256 == 0)
            m_Services.pUi->Progress(done, static_cast<int>(records.size()));
    }
    SetRedraw(redraw);
    return true;
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
