// CPlaylistCtrl: adding files and folders, dropped files, removing rows.
#include "playlist/PlaylistCtrl.h"

#include "core/UiServices.h"
#include "playlist/BusyCursor.h"
#include "playlist/MediaTypes.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>

namespace {

// Progress is reported every so many files (and at the end) so that the
// feedback costs next to nothing against probing the files.
constexpr int kProgressStep = 16;

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &info) == 0
        && S_ISDIR(info.st_mode);
}

// Names in the order a folder listing of the show machines has always given
// them: case ignored, ties by bytes. Linux returns directory entries in hash
// order, which would make a folder's playing order differ from run to run.
bool ListingOrder(const std::string& a, const std::string& b)
{
    const std::string ua = ToUpperAscii(a);
    const std::string ub = ToUpperAscii(b);
    return ua != ub ? ua < ub : a < b;
}

using FolderId = std::pair<dev_t, ino_t>;

// The files of the tree in the order they are added: each folder's names in
// listing order, a sub-folder's files in place of its name. A folder already on
// the way down (a symbolic link back up the tree) is not entered again.
void CollectFolder(const std::string& folder, std::set<FolderId>& path, std::vector<std::string>& files)
{
    struct stat info
    {
    };
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return;
    const FolderId id { info.st_dev, info.st_ino };
    if (!path.insert(id).second)
        return;

    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end(), ListingOrder);

    for (const std::string& name : names) {
        const std::string full = folder + "/" + name;
        if (IsFolder(full))
            CollectFolder(full, path, files);
        else
            files.push_back(full);
    }
    path.erase(id);
}

std::string WithoutTrailingSlash(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

void CPlaylistCtrl::AddFiles()
{
    if (!m_bInitialised || !m_Services.pUi)
        return;
    std::vector<std::string> files;
    if (!m_Services.pUi->GetOpenFileNames("Add file(s)", MediaFilter(), files) || files.empty())
        return;

    CBusyCursor busy(m_Services.pUi, "Adding files");
    const bool redraw = m_bRedraw;
    m_bRedraw = false;
    const int total = static_cast<int>(files.size());
    int done = 0;
    for (const std::string& file : files) {
        AddEntry(file, -1, {}, {});
        if (++done % kProgressStep == 0 || done == total)
            busy.Progress(done, total);
    }
    SetRedraw(redraw);
}

void CPlaylistCtrl::AddFolderDialog()
{
    if (!m_bInitialised || !m_Services.pUi)
        return;
    std::string folder;
    if (!m_Services.pUi->BrowseForFolder("Open Folder", folder) || folder.empty())
        return;
    CBusyCursor busy(m_Services.pUi, "Adding folder");
    AddFolder(folder, -1);
}

void CPlaylistCtrl::AddFolder(const std::string& folder, int position)
{
    if (!m_bInitialised)
        return;
    std::vector<std::string> files;
    std::set<FolderId> path;
    CollectFolder(WithoutTrailingSlash(folder), path, files);
    if (files.empty())
        return;

    CBusyCursor busy(m_Services.pUi, "Adding folder");
    const bool redraw = m_bRedraw;
    m_bRedraw = false;
    const int total = static_cast<int>(files.size());
    int done = 0;
    for (const std::string& file : files) {
        // Unsupported files are logged by AddEntry, one line each.
        AddEntry(file, position, {}, {});
        if (++done % kProgressStep == 0 || done == total)
            busy.Progress(done, total);
    }
    SetRedraw(redraw);
}

void CPlaylistCtrl::DropFiles(std::vector<std::string> names, int row)
{
    if (!m_bInitialised || names.empty())
        return;
    CBusyCursor busy(m_Services.pUi, "Adding files");
    std::sort(names.begin(), names.end());
    if (names.size() == 1 && IsPlaylistFile(names.front())) {
        AddPlayList(names.front(), -1); // appended wherever it was dropped
        return;
    }
    const int position = GetRow(row) ? row : -1;
    const bool redraw = m_bRedraw;
    m_bRedraw = false;
    for (const std::string& name : names) {
        if (IsFolder(name))
            AddFolder(name, position);
        else
            AddEntry(name, position, {}, {});
    }
    SetRedraw(redraw);
}

void CPlaylistCtrl::RemoveSelected()
{
    if (!m_bInitialised)
        return;
    std::unordered_set<int32_t> ids;
    for (const CRow& row : m_Rows) {
        if (row.m_bSelected)
            ids.insert(row.m_Id);
    }
    if (ids.empty())
        return;
    CBusyCursor busy(m_Services.pUi, "Removing entries");
    RemoveIds(ids);
}

void CPlaylistCtrl::CropSelected()
{
    if (!m_bInitialised || GetSelectedCount() == 0)
        return;
    std::unordered_set<int32_t> ids;
    for (const CRow& row : m_Rows) {
        if (!row.m_bSelected)
            ids.insert(row.m_Id);
    }
    CBusyCursor busy(m_Services.pUi, "Removing entries");
    RemoveIds(ids);
    m_SelectionMark = -1;
}

void CPlaylistCtrl::ClearPlaylist()
{
    if (!m_bInitialised)
        return;
    CBusyCursor busy(m_Services.pUi, "Clearing playlist");
    if (m_Rows.empty())
        return;
    std::unordered_set<int32_t> ids;
    for (const CRow& row : m_Rows)
        ids.insert(row.m_Id);
    RemoveIds(ids);
}

// Removing one row at a time renumbers and searches the entries each time; one
// pass gives the same rows and entries and stays fast for long lists.
void CPlaylistCtrl::RemoveIds(const std::unordered_set<int32_t>& ids)
{
    if (ids.empty())
        return;
    int first = -1;
    for (std::size_t i = 0; i < m_Rows.size() && first < 0; ++i) {
        if (ids.count(m_Rows[i].m_Id))
            first = static_cast<int>(i);
    }
    if (first < 0)
        return;
    std::erase_if(m_Rows, [&ids](const CRow& row) { return ids.count(row.m_Id) != 0; });
    std::erase_if(
        m_Entries, [&ids](const std::unique_ptr<CEntry>& entry) { return ids.count(entry->m_Id) != 0; });
    for (const int32_t id : ids)
        m_EntryById.erase(id);
    if (ids.count(m_MarkedItem))
        m_MarkedItem = -1;
    if (m_SelectionMark >= GetRowCount())
        m_SelectionMark = -1;
    RenumberItems(first);
}
