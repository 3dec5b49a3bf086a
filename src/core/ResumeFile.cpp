#include "core/ResumeFile.h"

#include "core/Log.h"
#include "core/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Far beyond any real playlist; a bigger file is not ours.
constexpr size_t kMaxSize = 16 * 1024 * 1024;

bool WriteAll(int fd, const std::string& content, off_t offset)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n
            = ::pwrite(fd, content.data() + done, content.size() - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> ReadAll(const std::string& path, size_t limit)
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
        if (content.size() > limit)
            return std::string(); // parses as damaged
    }
}

std::string Folder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool Fail(std::string* error, const std::string& what, const std::string& path)
{
    if (error)
        *error = "cannot " + what + " " + path + ": " + std::strerror(errno);
    return false;
}

void SyncFolder(const std::string& path)
{
    CUniqueFd folder(::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
}

// Opens path for writing; a missing folder is made first (a fresh install has none).
CUniqueFd OpenForWrite(const std::string& path, int flags, std::string* error)
{
    CUniqueFd fd(::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (fd.Get() < 0 && errno == ENOENT) {
        std::error_code failed;
        std::filesystem::create_directories(Folder(path), failed);
        if (failed) {
            errno = failed.value();
            Fail(error, "make the folder of", path);
            return CUniqueFd();
        }
        fd = CUniqueFd(::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    if (fd.Get() < 0)
        Fail(error, "write", path);
    return fd;
}

} // namespace

bool CResumeFile::Write(const std::string& content, std::string* error) const
{
    const std::string fresh = m_Path + ".new";
    CUniqueFd fd = OpenForWrite(fresh, O_TRUNC, error);
    if (fd.Get() < 0)
        return false;
    if (!WriteAll(fd.Get(), content, 0) || ::fsync(fd.Get()) != 0 || ::close(fd.Release()) != 0)
        return Fail(error, "write", fresh);
    // The good state stays readable under the other name until the new one is in place.
    if (::rename(m_Path.c_str(), (m_Path + ".old").c_str()) != 0 && errno != ENOENT)
        return Fail(error, "keep", m_Path);
    if (::rename(fresh.c_str(), m_Path.c_str()) != 0)
        return Fail(error, "replace", m_Path);
    SyncFolder(m_Path);
    return true;
}

bool CResumeFile::WriteRecord(const CResumePosition& record, bool sync, std::string* error) const
{
    const std::string path = GetRecordPath();
    struct stat info
    {
    };
    const bool existed = ::stat(path.c_str(), &info) == 0;
    CUniqueFd fd = OpenForWrite(path, 0, error);
    if (fd.Get() < 0)
        return false;
    // Written in place without a sync: the page stays dirty between writes, so
    // a second's progress costs no disk write of its own.
    const auto offset = static_cast<off_t>((record.serial % 2) * CResumePosition::kSlotSize);
    if (!WriteAll(fd.Get(), record.Serialize(), offset) || (sync && ::fsync(fd.Get()) != 0)
        || ::close(fd.Release()) != 0)
        return Fail(error, "write", path);
    if (sync && !existed)
        SyncFolder(path);
    return true;
}

namespace {

std::vector<CResumePosition> ReadRecords(const std::string& path)
{
    std::vector<CResumePosition> records;
    const std::optional<std::string> content = ReadAll(path, 2 * CResumePosition::kSlotSize);
    for (size_t at = 0; content && at < content->size(); at += CResumePosition::kSlotSize)
        if (auto record
            = CResumePosition::Parse(std::string_view(*content).substr(at, CResumePosition::kSlotSize)))
            records.push_back(*record);
    return records;
}

} // namespace

std::optional<CResumePosition> CResumeFile::LoadRecord(uint64_t stamp) const
{
    std::optional<CResumePosition> newest;
    for (const CResumePosition& record : ReadRecords(GetRecordPath()))
        if (record.stamp == stamp && (!newest || record.serial > newest->serial))
            newest = record;
    return newest;
}

uint64_t CResumeFile::LastSerial() const
{
    uint64_t serial = 0;
    for (const CResumePosition& record : ReadRecords(GetRecordPath()))
        serial = std::max(serial, record.serial);
    return serial;
}

std::optional<CResumeState> CResumeFile::Load() const
{
    for (const std::string& path : { m_Path, m_Path + ".old" }) {
        const std::optional<std::string> content = ReadAll(path, kMaxSize);
        if (!content)
            continue;
        std::string why;
        if (auto state = CResumeState::Parse(*content, &why)) {
            if (path != m_Path)
                LogMessage("Resume: using the previous state %s.\n", path.c_str());
            // A record of another state (older, or newer than a state that never reached the disk) is left
            // alone.
            if (const auto record = LoadRecord(state->stamp))
                record->ApplyTo(*state);
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
    for (const std::string& path : { m_Path, m_Path + ".old", m_Path + ".new", GetRecordPath() })
        ::unlink(path.c_str());
}
