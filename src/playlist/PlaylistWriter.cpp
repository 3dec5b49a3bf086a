#include "playlist/PlaylistWriter.h"

#include "app/Log.h"
#include "app/UiServices.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"

#include <fcntl.h>
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

    static std::atomic<unsigned> counter { 0 };
    const std::string prefix = FolderForTemp(m_Path) + ".zuvio-save-" + std::to_string(::getpid()) + "-";
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_TempPath = prefix + std::to_string(counter++) + ".tmp";
        fd = ::open(m_TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        ShowMessageBox(path + ": " + std::strerror(errno), "Zuvio", CUiServices::ICON_ERROR);
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
    ShowMessageBox(m_Path + ": " + std::strerror(error) + " The previous file was kept.", "Zuvio",
        CUiServices::ICON_ERROR);
}
