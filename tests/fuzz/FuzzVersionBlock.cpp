// The version-block reader: raw blocks through CVersionBlock and
// CFileVersionInfo; inputs that look like ELF files also go through the
// section reader, from a memory file so that no disk is touched.
#include "extensions/FileVersionInfo.h"
#include "extensions/VersionBlock.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using vexoExtensions::CFileVersionInfo;
using vexoExtensions::CVersionBlock;

namespace {

void CheckBlock(const uint8_t* data, size_t size)
{
    CVersionBlock block;
    if (!block.Parse(data, size)) {
        if (!block.Entries().empty())
            std::abort();
        return;
    }
    for (const CVersionBlock::Entry& entry : block.Entries()) {
        if (entry.data < data || entry.data + entry.size > data + size)
            std::abort();
        if (entry.type == CVersionBlock::VALUE_TEXT
            && (entry.size == 0 || entry.data[entry.size - 1] != '\0'))
            std::abort();
        if (block.Query(entry.key) == nullptr)
            std::abort();
    }
    block.Query("\\StringFileInfo\\040904B0\\FileVersion");
}

void CheckElf(const uint8_t* data, size_t size)
{
    const int fd = ::memfd_create("fuzz-elf", MFD_CLOEXEC);
    if (fd < 0)
        return;
    if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
        CFileVersionInfo info;
        info.Create("/proc/self/fd/" + std::to_string(fd));
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 4
        && std::memcmp(data,
               "\x7f"
               "ELF",
               4)
            == 0) {
        CheckElf(data, size);
        return 0;
    }
    CheckBlock(data, size);
    CFileVersionInfo info;
    info.SetUserDefaultLanguage(size > 0 ? static_cast<uint16_t>(data[size - 1] * 0x101) : 0x409);
    if (!info.CreateFromBlock(data, size) && (!info.GetFileVersion().empty() || info.GetPackedVersion() != 0))
        std::abort();
    return 0;
}
