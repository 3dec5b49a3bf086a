#include "playback/MediaFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace MediaFile {

std::string ShortName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string NameForLog(const std::string& path)
{
    constexpr size_t kMaxName = 60;
    const std::string shortName = ShortName(path);
    const std::string& name = shortName.empty() ? path : shortName;
    return name.size() <= kMaxName ? name : name.substr(0, kMaxName) + "...";
}

std::string Check(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return std::strerror(errno);
    if (S_ISDIR(info.st_mode))
        return "Is a directory";
    if (!S_ISREG(info.st_mode))
        return "Not a regular file";
    if (::access(path.c_str(), R_OK) != 0)
        return std::strerror(errno);
    if (info.st_size == 0)
        return "The file is empty";
    return {};
}

} // namespace MediaFile
