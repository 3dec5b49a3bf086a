#include "extensions/ElfSection.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vexoExtensions {

namespace {

class ScopedFd
{
public:
    explicit ScopedFd(int fd)
        : m_fd(fd)
    {
    }
    ~ScopedFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads exactly size bytes at offset, after checking they lie inside the file.
bool ReadAt(int fd, uint64_t fileSize, uint64_t offset, void* out, uint64_t size)
{
    if (offset > fileSize || size > fileSize - offset)
        return false;
    auto* p = static_cast<char*>(out);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace

bool CElfSection::Fail(const char* why, bool notFound)
{
    m_Data.clear();
    m_Error = why;
    m_bNotFound = notFound;
    return false;
}

bool CElfSection::Read(const std::string& path, const std::string& sectionName)
{
    m_Data.clear();
    m_Error.clear();
    m_bNotFound = false;

    const ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return Fail("cannot open the file");
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail("not a regular file");
    const auto fileSize = static_cast<uint64_t>(st.st_size);

    Elf64_Ehdr eh {};
    if (!ReadAt(fd.get(), fileSize, 0, &eh, sizeof eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0)
        return Fail("not an ELF file");
    if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB)
        return Fail("not a little-endian ELF64 file");
    if (eh.e_shoff == 0 || eh.e_shentsize < sizeof(Elf64_Shdr))
        return Fail("no section headers", true);

    auto sectionHeader = [&](uint64_t index, Elf64_Shdr& sh) {
        // index < 2^32 and e_shentsize < 2^16: the product cannot overflow.
        const uint64_t offset = index * eh.e_shentsize;
        return offset <= UINT64_MAX - eh.e_shoff
            && ReadAt(fd.get(), fileSize, eh.e_shoff + offset, &sh, sizeof sh);
    };

    // Large files keep the counts in section 0 (extended numbering).
    Elf64_Shdr first {};
    if (!sectionHeader(0, first))
        return Fail("section headers outside the file");
    const uint64_t count = eh.e_shnum != 0 ? eh.e_shnum : first.sh_size;
    const uint64_t nameIndex = eh.e_shstrndx != SHN_XINDEX ? eh.e_shstrndx : first.sh_link;
    if (count == 0 || count > UINT32_MAX || nameIndex >= count)
        return Fail("bad section counts");
    if (count > (fileSize - std::min(fileSize, uint64_t(eh.e_shoff))) / eh.e_shentsize)
        return Fail("section headers outside the file");

    Elf64_Shdr names {};
    if (!sectionHeader(nameIndex, names) || names.sh_type == SHT_NOBITS || names.sh_size == 0
        || names.sh_size > kMaxSectionSize)
        return Fail("bad section name table");
    std::vector<char> table(names.sh_size);
    if (!ReadAt(fd.get(), fileSize, names.sh_offset, table.data(), table.size()))
        return Fail("section name table outside the file");
    table.back() = '\0'; // names are searched with strcmp below

    for (uint64_t i = 1; i < count; ++i) {
        Elf64_Shdr sh {};
        if (!sectionHeader(i, sh))
            return Fail("section headers outside the file");
        if (sh.sh_name >= table.size() || sectionName != &table[sh.sh_name])
            continue;
        if (sh.sh_type == SHT_NOBITS || sh.sh_size > kMaxSectionSize)
            return Fail("unusable section");
        m_Data.resize(sh.sh_size);
        if (!ReadAt(fd.get(), fileSize, sh.sh_offset, m_Data.data(), m_Data.size()))
            return Fail("section outside the file");
        return true;
    }
    return Fail("no such section", true);
}

} // namespace vexoExtensions
