// The ID3v1 reader: any 128 bytes (shorter inputs padded with zeros), and
// longer inputs also as the tail of a file read through CId3Tag::Read.
#include "playback/Id3Tag.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CId3Tag::Buffer buffer {};
    std::memcpy(buffer.data(), data, std::min(size, buffer.size()));
    CId3Tag tag;
    const bool parsed = tag.Parse(buffer);
    // No field can be longer than the tag; a failed parse leaves every field empty.
    for (const std::string* field :
        { &tag.m_Title, &tag.m_Artist, &tag.m_Album, &tag.m_Year, &tag.m_Comment }) {
        if (field->size() > 30 || (!parsed && !field->empty()))
            std::abort();
    }

    if (size > buffer.size()) {
        const int fd = ::memfd_create("fuzz-mp3", MFD_CLOEXEC);
        if (fd >= 0) {
            if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
                CId3Tag fromFile;
                fromFile.Read("/proc/self/fd/" + std::to_string(fd), nullptr);
            }
            ::close(fd);
        }
    }
    return 0;
}
