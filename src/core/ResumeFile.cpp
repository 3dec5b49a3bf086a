#include "core/ResumeFile.h"

#include "core/Log.h"
#include "core/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far beyond any real playlist; a bigger file is not ours.
constexpr size_t kMaxSize = 16 * 1024 * 1024;

bool WriteAll(int fd, const std::string& content)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> ReadAll(const std::string& path)
{
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return content;
        content.append(buffer, static_cast<size_t>(n));
        if (content.size() > kMaxSize)
            return std::string(); // parses as damaged
    }
}

std::string Folder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool CResumeFile::Write(const std::string& content) const
{
    const std::string fresh = m_Path + ".new";
    CUniqueFd fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.Get() < 0 || !WriteAll(fd.Get(), content) || ::fsync(fd.Get()) != 0
        || ::close(fd.Release()) != 0) {
        LogError("Resume: cannot write %s: %s\n", fresh.c_str(), std::strerror(errno));
        return false;
    }
    // The good state stays readable under the other name until the new one is in place.
    if (::rename(m_Path.c_str(), (m_Path + ".old").c_str()) != 0 && errno != ENOENT) {
        LogError("Resume: cannot keep %s: %s\n", m_Path.c_str(), std::strerror(errno));
        return false;
    }
    if (::rename(fresh.c_str(), m_Path.c_str()) != 0) {
        LogError("Resume: cannot replace %s: %s\n", m_Path.c_str(), std::strerror(errno));
        return false;
    }
    CUniqueFd folder(::open(Folder(m_Path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
    return true;
}

std::optional<CResumeState> CResumeFile::Load() const
{
    for (const std::string& path : { m_Path, m_Path + ".old" }) {
        const std::optional<std::string> content = ReadAll(path);
        if (!content)
            continue;
        std::string why;
        if (auto state = CResumeState::Parse(*content, &why)) {
            if (path != m_Path)
                LogMessage("Resume: using the previous state %s.\n", path.c_str());
            return state;
        }
        LogError("Resume: %s is damaged (%s); ignored.\n", path.c_str(), why.c_str());
    }
    return std::nullopt;
}

bool CResumeFile::Exists() const
{
    struct stat info
    {
    };
    return ::stat(m_Path.c_str(), &info) == 0 || ::stat((m_Path + ".old").c_str(), &info) == 0;
}

void CResumeFile::Remove() const
{
    for (const std::string& path : { m_Path, m_Path + ".old", m_Path + ".new" })
        ::unlink(path.c_str());
}
