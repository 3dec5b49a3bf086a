#include "playlist/PlaylistWriter.h"

#include "core/Log.h"
#include "core/UiServices.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kFlushSize = 64 * 1024;

std::string FolderForTemp(const std::string& path)
{
    const std::string folder = FolderOfPath(path);
    return folder.empty() ? std::string("./") : folder;
}

// A title with a line break would end its line early and turn the rest into a path.
std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

constexpr const char* kTempPrefix = ".zuvio-save-";

// A saver killed mid-write leaves ".zuvio-save-<pid>-<n>.tmp" behind. Remove
// those of processes that no longer run; a live saver's file is never touched.
void RemoveStaleTempFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = kTempPrefix;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < 4
            || name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || pid > INT_MAX || *end != '-' || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

// An unnamed file in the folder (O_TMPFILE): a saver killed before Close
// leaves nothing behind. -1 where the file system cannot do it.
int OpenUnnamed(const std::string& folder)
{
    // Naming it later goes through /proc; without /proc, use a named file from the start.
    if (::access("/proc/self/fd", X_OK) != 0)
        return -1;
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

bool SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

CPlaylistWriter::~CPlaylistWriter()
{
    if (m_bOpen)
        Discard();
}

void CPlaylistWriter::SetFormat(int format)
{
    if (format == FORMAT_M3U || format == FORMAT_PLS)
        m_Format = format;
}

bool CPlaylistWriter::Open(const std::string& path)
{
    if (m_bOpen)
        Discard();
    m_Path = path;
    // Saving through a symbolic link replaces the file it points to, not the link.
    struct stat linkInfo
    {
    };
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            m_Path = real;
            std::free(real);
        }
    }

    const std::string folder = FolderForTemp(m_Path);
    RemoveStaleTempFiles(folder);
    m_TempPath.clear();
    int fd = OpenUnnamed(folder);
    m_bUnnamed = fd >= 0;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_TempPath = NewTempPath();
        fd = ::open(m_TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        ShowMessageBox(m_pUi, path + ": " + std::strerror(errno), "Zuvio", CUiServices::ICON_ERROR);
        m_TempPath.clear();
        return false;
    }
    // Keep the permissions of the file being replaced.
    struct stat old
    {
    };
    if (::stat(m_Path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);

    m_Fd = fd;
    m_bOpen = true;
    m_Error = 0;
    m_NumberWritten = 0;
    m_Buffer.clear();
    Append(m_Format == FORMAT_PLS ? "[playlist]" : "#EXTM3U");
    return true;
}

void CPlaylistWriter::WriteEntry(const std::string& path, const std::string& title, const std::string& length)
{
    if (!m_bOpen || path.empty())
        return;
    // One line per path: a path with a line break or NUL could not be read back as itself.
    if (path.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        LogError("CPlaylistWriter::WriteEntry(): path cannot be stored in a playlist file, skipped: %s\n",
            OneLine(path).c_str());
        return;
    }
    ++m_NumberWritten;
    const int64_t seconds = ParseDuration(length) / 1000;
    const bool withInfo = !title.empty() && !length.empty() && seconds > 0;
    const std::string info = std::to_string(seconds > INT_MAX ? INT_MAX : seconds);
    const std::string number = std::to_string(m_NumberWritten);
    if (m_Format == FORMAT_M3U) {
        if (withInfo)
            Append("#EXTINF:" + info + "," + OneLine(title));
        Append(path);
    } else {
        Append("File" + number + "=" + path);
        if (withInfo) {
            Append("Title" + number + "=" + OneLine(title));
            Append("Length" + number + "=" + info);
        }
    }
}

bool CPlaylistWriter::Close()
{
    if (!m_bOpen)
        return false;
    if (m_Format == FORMAT_PLS) {
        Append("NumberOfEntries=" + std::to_string(m_NumberWritten));
        Append("Version=2");
    }
    Flush();
    if (m_Error == 0 && ::fsync(m_Fd) != 0)
        m_Error = errno;
    if (m_Error == 0 && m_bUnnamed)
        NameUnnamedFile();
    if (::close(m_Fd) != 0 && m_Error == 0)
        m_Error = errno;
    m_Fd = -1;
    if (m_Error == 0 && ::rename(m_TempPath.c_str(), m_Path.c_str()) != 0)
        m_Error = errno;
    if (m_Error != 0) {
        ReportError(m_Error);
        Discard();
        return false;
    }
    SyncFolder(FolderForTemp(m_Path));
    m_bOpen = false;
    m_TempPath.clear();
    return true;
}

std::string CPlaylistWriter::NewTempPath() const
{
    static std::atomic<unsigned> counter { 0 };
    return FolderForTemp(m_Path) + kTempPrefix + std::to_string(::getpid()) + "-" + std::to_string(counter++)
        + ".tmp";
}

void CPlaylistWriter::NameUnnamedFile()
{
    // rename cannot take an unnamed file: give it a temporary name first.
    const std::string procPath = "/proc/self/fd/" + std::to_string(m_Fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_TempPath = NewTempPath();
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, m_TempPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return;
        if (errno != EEXIST)
            break;
    }
    m_Error = errno;
    m_TempPath.clear();
}

void CPlaylistWriter::Append(const std::string& line)
{
    m_Buffer += line;
    m_Buffer += "\r\n";
    if (m_Buffer.size() >= kFlushSize)
        Flush();
}

void CPlaylistWriter::Flush()
{
    std::size_t done = 0;
    while (m_Error == 0 && done < m_Buffer.size()) {
        const ssize_t n = ::write(m_Fd, m_Buffer.data() + done, m_Buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            m_Error = errno;
        else
            done += static_cast<std::size_t>(n);
    }
    m_Buffer.clear();
}

void CPlaylistWriter::Discard()
{
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
    if (!m_TempPath.empty())
        ::unlink(m_TempPath.c_str());
    m_TempPath.clear();
    m_Buffer.clear();
    m_bOpen = false;
}

void CPlaylistWriter::ReportError(int error)
{
    ShowMessageBox(m_pUi, m_Path + ": " + std::strerror(error) + " The previous file was kept.", "Zuvio",
        CUiServices::ICON_ERROR);
}
