#include "playlist/RecentFileList.h"

#include "core/Profile.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace {

constexpr const char* kSection = "Recent File List";

std::string KeyName(int i)
{
    return "File" + std::to_string(i + 1);
}

// The list holds full paths, so that an entry opens the same file from any folder.
std::string FullPath(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return path;
    return std::string(cwd) + "/" + path;
}

} // namespace

std::vector<std::string> GetRecentFileList()
{
    std::vector<std::string> files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        std::string file = GetProfileString(kSection, KeyName(i).c_str());
        if (!file.empty())
            files.push_back(std::move(file));
    }
    return files;
}

void AddToRecentFileList(const std::string& path)
{
    const std::string full = FullPath(path);
    if (full.empty())
        return;
    std::vector<std::string> files = GetRecentFileList();
    files.erase(std::remove(files.begin(), files.end(), full), files.end());
    files.insert(files.begin(), full);
    files.resize(kRecentFileCount);
    for (int i = 0; i < kRecentFileCount; ++i)
        WriteProfileString(kSection, KeyName(i).c_str(), files[static_cast<std::size_t>(i)]);
}
