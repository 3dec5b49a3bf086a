// M3U parser over arbitrary bytes; every record must come back whole.
#include "playlist/PlaylistReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = CPlaylistReader::ParseM3U(text);
    for (const CPLEntry& entry : entries) {
        // A path is one line of the input: it cannot be longer than the input.
        if (entry.m_Path.size() > size || entry.m_Title.size() > size)
            std::abort();
    }
    return 0;
}
