#pragma once

#include <elf.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// A minimal little-endian ELF64 file holding the given sections, for tests of
// the section reader: header, section data, name table, then section headers.
struct ElfImage
{
    std::vector<uint8_t> bytes;
    size_t headersOffset = 0;
    std::vector<size_t> dataOffsets; // per given section

    static ElfImage Make(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& sections)
    {
        ElfImage image;
        auto& out = image.bytes;
        out.resize(sizeof(Elf64_Ehdr));
        auto align = [&out](size_t n) {
            while (out.size() % n)
                out.push_back(0);
        };

        std::string names(1, '\0');
        std::vector<Elf64_Shdr> headers(1); // section 0 is empty
        for (const auto& [name, data] : sections) {
            align(8);
            Elf64_Shdr sh {};
            sh.sh_name = static_cast<Elf64_Word>(names.size());
            sh.sh_type = SHT_PROGBITS;
            sh.sh_flags = SHF_ALLOC;
            sh.sh_offset = out.size();
            sh.sh_size = data.size();
            sh.sh_addralign = 4;
            names += name + '\0';
            image.dataOffsets.push_back(out.size());
            out.insert(out.end(), data.begin(), data.end());
            headers.push_back(sh);
        }
        Elf64_Shdr strtab {};
        strtab.sh_name = static_cast<Elf64_Word>(names.size());
        names += std::string(".shstrtab") + '\0';
        strtab.sh_type = SHT_STRTAB;
        strtab.sh_offset = out.size();
        strtab.sh_size = names.size();
        out.insert(out.end(), names.begin(), names.end());
        headers.push_back(strtab);

        align(8);
        image.headersOffset = out.size();
        for (const Elf64_Shdr& sh : headers) {
            const auto* p = reinterpret_cast<const uint8_t*>(&sh);
            out.insert(out.end(), p, p + sizeof sh);
        }

        Elf64_Ehdr eh {};
        std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
        eh.e_ident[EI_CLASS] = ELFCLASS64;
        eh.e_ident[EI_DATA] = ELFDATA2LSB;
        eh.e_ident[EI_VERSION] = EV_CURRENT;
        eh.e_type = ET_EXEC;
        eh.e_machine = EM_X86_64;
        eh.e_version = EV_CURRENT;
        eh.e_ehsize = sizeof eh;
        eh.e_shoff = image.headersOffset;
        eh.e_shentsize = sizeof(Elf64_Shdr);
        eh.e_shnum = static_cast<Elf64_Half>(headers.size());
        eh.e_shstrndx = static_cast<Elf64_Half>(headers.size() - 1);
        std::memcpy(out.data(), &eh, sizeof eh);
        return image;
    }

    Elf64_Ehdr& Header() { return *reinterpret_cast<Elf64_Ehdr*>(bytes.data()); }
    Elf64_Shdr& Section(size_t index)
    {
        return *reinterpret_cast<Elf64_Shdr*>(bytes.data() + headersOffset + index * sizeof(Elf64_Shdr));
    }
};
