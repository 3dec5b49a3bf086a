// PLS parser over arbitrary bytes; huge or negative indices must stay cheap.
#include "playlist/PlaylistReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = CPlaylistReader::ParsePLS(text);
    // Every record needs a "FileN=" line of its own.
    std::size_t lines = 1;
    for (std::size_t i = 0; i < size; ++i)
        lines += data[i] == '\n' || data[i] == '\r' ? 1 : 0;
    if (entries.size() > lines)
        std::abort();
    for (const CPLEntry& entry : entries) {
        if (entry.m_Path.size() > size || entry.m_Title.size() > size)
            std::abort();
    }
    return 0;
}
