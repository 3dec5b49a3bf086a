#include "playback/Id3Tag.h"

#include "core/UiServices.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A field of buffer[first, last) cut at its first zero, trailing blanks removed.
std::string Field(const CId3Tag::Buffer& buffer, size_t first, size_t last)
{
    std::string text(buffer.data() + first, last - first);
    text.resize(std::strlen(text.c_str()));
    const size_t end = text.find_last_not_of(' ');
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

// Closes the descriptor on every path out of Read.
struct FileDescriptor
{
    int fd;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string FileErrorText(const std::string& path, const char* what, int error)
{
    return "A file error occurred while " + std::string(what) + " " + path + ":\n" + std::strerror(error);
}

} // namespace

void CId3Tag::Clear()
{
    m_Title.clear();
    m_Artist.clear();
    m_Album.clear();
    m_Year.clear();
    m_Comment.clear();
    m_Genre = -1;
}

bool CId3Tag::Parse(const Buffer& input)
{
    Clear();
    if (std::memcmp(input.data(), "TAG", 3) != 0)
        return false;
    Buffer buffer = input;
    buffer[32] = buffer[62] = buffer[92] = buffer[124] = '\0';
    m_Title = Field(buffer, 3, 33);
    m_Artist = Field(buffer, 33, 63);
    m_Album = Field(buffer, 63, 93);
    m_Year = Field(buffer, 93, 97);
    m_Comment = Field(buffer, 97, 127);
    m_Genre = static_cast<unsigned char>(buffer[127]);
    return true;
}

void CId3Tag::ReportFileError(CUiServices* ui, const std::string& fileError)
{
    if (!fileError.empty())
        ShowMessageBox(ui, fileError, "Zuvio", CUiServices::ICON_WARNING);
}

bool CId3Tag::Read(const std::string& path, CUiServices* ui)
{
    std::string fileError;
    const bool found = Read(path, fileError);
    ReportFileError(ui, fileError);
    return found;
}

bool CId3Tag::Read(const std::string& path, std::string& fileError)
{
    Clear();
    fileError.clear();
    // O_NONBLOCK: opening a FIFO without a writer must not wait.
    FileDescriptor file { ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) };
    if (file.fd < 0)
        return false;
    struct stat info
    {
    };
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;

    Buffer buffer {};
    if (::lseek(file.fd, -static_cast<off_t>(kTagSize), SEEK_END) < 0) {
        fileError = FileErrorText(path, "seeking in", errno);
        return false;
    }
    const ssize_t got = ::read(file.fd, buffer.data(), buffer.size());
    if (got != static_cast<ssize_t>(buffer.size())) {
        fileError = FileErrorText(path, "reading", got < 0 ? errno : EIO);
        return false;
    }
    return Parse(buffer);
}
