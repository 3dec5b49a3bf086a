// A read-only FUSE file system for tests that stands in for a network share
// that hangs: it shows the files of a source folder, and while the file
// CONTROL exists every lookup, stat, open and read of it waits, as a hung NFS
// or SMB mount does; when CONTROL holds the word "data", only opens and reads
// wait (a share whose metadata is cached but whose data does not come). Removing CONTROL (or the limit
// running out) lets the waiting calls go on. The limit keeps a test that never releases the stall from
// leaving threads behind for ever.
//
// Usage: zuvio-stallfs SOURCE CONTROL LIMIT_MS MOUNTPOINT [FUSE options]
#define FUSE_USE_VERSION 35
#include <fuse3/fuse.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string g_Source;
std::string g_Control;
long g_LimitMs = 0;

// Waits while CONTROL exists, at most the limit; says so on standard error, so
// that a test can tell when a call is being held. A caller that is killed
// interrupts the wait (-EINTR), as a hard NFS mount lets a killed process go:
// without that the kernel would keep a dying process until the answer.
bool DataOnly()
{
    char word[4] = {};
    const int fd = ::open(g_Control.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool data = ::read(fd, word, sizeof word) == 4 && std::memcmp(word, "data", 4) == 0;
    ::close(fd);
    return data;
}

int StallWhileAsked(const char* what, const char* path)
{
    if (::access(g_Control.c_str(), F_OK) != 0)
        return 0;
    if (std::strcmp(what, "stat") == 0 && DataOnly())
        return 0;
    std::fprintf(stderr, "zuvio-stallfs: holding %s %s\n", what, path);
    std::fflush(stderr);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_LimitMs);
    while (::access(g_Control.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < until) {
        if (fuse_interrupted())
            return -EINTR;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

std::string Real(const char* path)
{
    return g_Source + path;
}

int GetAttr(const char* path, struct stat* info, fuse_file_info* /*fi*/)
{
    if (std::strcmp(path, "/") != 0)
        if (const int interrupted = StallWhileAsked("stat", path))
            return interrupted;
    return ::lstat(Real(path).c_str(), info) == 0 ? 0 : -errno;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t /*offset*/, fuse_file_info* /*fi*/,
    fuse_readdir_flags /*flags*/)
{
    DIR* dir = ::opendir(Real(path).c_str());
    if (!dir)
        return -errno;
    while (dirent* entry = ::readdir(dir))
        fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    ::closedir(dir);
    return 0;
}

int Open(const char* path, fuse_file_info* fi)
{
    if (const int interrupted = StallWhileAsked("open", path))
        return interrupted;
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::open(Real(path).c_str(), O_RDONLY);
    if (fd < 0)
        return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info* fi)
{
    if (const int interrupted = StallWhileAsked("read", path))
        return interrupted;
    const ssize_t got = ::pread(static_cast<int>(fi->fh), buffer, size, offset);
    return got < 0 ? -errno : static_cast<int>(got);
}

int Release(const char* /*path*/, fuse_file_info* fi)
{
    ::close(static_cast<int>(fi->fh));
    return 0;
}

void* Init(fuse_conn_info* /*conn*/, fuse_config* config)
{
    // Every stat reaches us: nothing cached in the kernel hides a stall.
    config->attr_timeout = 0;
    config->entry_timeout = 0;
    config->negative_timeout = 0;
    config->direct_io = 1;
    // A caller's interruption reaches the waiting call (fuse_interrupted).
    config->intr = 1;
    config->intr_signal = SIGUSR1;
    return nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s SOURCE CONTROL LIMIT_MS MOUNTPOINT [FUSE options]\n", argv[0]);
        return 2;
    }
    g_Source = argv[1];
    g_Control = argv[2];
    g_LimitMs = std::strtol(argv[3], nullptr, 10);
    fuse_operations operations {};
    operations.getattr = GetAttr;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.read = Read;
    operations.release = Release;
    operations.init = Init;
    // The signal that tells a waiting call of an interruption only needs to arrive.
    struct sigaction quiet
    {
    };
    quiet.sa_handler = [](int) {};
    sigaction(SIGUSR1, &quiet, nullptr);
    // argv[0], then the mount point and FUSE's own options.
    argv[3] = argv[0];
    return fuse_main(argc - 3, argv + 3, &operations, nullptr);
}
