// The OSC address matcher over a vocabulary shaped like the server's: any
// pattern is answered within 1 ms of CPU time, and the answer is consistent
// (ascending indexes of real addresses; a pattern without wildcards matches
// itself only).
//
// Input: the pattern's bytes.
#include "fuzz/FuzzTiming.h"
#include "osc/OscAddressMatcher.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Addresses()
{
    std::vector<std::string> addresses;
    for (const char* player : { "a", "b", "active" })
        for (const char* action : { "play", "pause", "stop", "open", "seek", "volume", "volume/db" })
            addresses.push_back(std::string("/zuvio/") + player + "/" + action);
    for (const char* other : { "cut", "cut/a", "cut/b", "take", "playlist/go", "playlist/next",
             "playlist/previous", "playlist/loop", "playlist/repeat", "playlist/autoadvance", "fullscreen",
             "subscribe", "unsubscribe" })
        addresses.push_back(std::string("/zuvio/") + other);
    return addresses;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::string> addresses = Addresses();
    static const COscAddressMatcher matcher(addresses);
    const std::string_view pattern(reinterpret_cast<const char*>(data), size);
    std::vector<std::size_t> matches;
    COscAddressMatcher::Verdict verdict {};
    FuzzTiming::RequireWithin([&] { verdict = matcher.Match(pattern, matches); }, "the match");

    if ((verdict == COscAddressMatcher::Verdict::Matched) == matches.empty())
        std::abort();
    for (std::size_t i = 0; i < matches.size(); ++i)
        if (matches[i] >= addresses.size() || (i > 0 && matches[i] <= matches[i - 1]))
            std::abort();
    if (verdict == COscAddressMatcher::Verdict::TooLong && size <= COscAddressMatcher::kMaxAddressLength)
        std::abort();
    if (pattern.find_first_of("?*[]{}") == std::string_view::npos
        && verdict != COscAddressMatcher::Verdict::TooLong) {
        std::size_t exact = addresses.size();
        for (std::size_t i = 0; i < addresses.size(); ++i)
            if (addresses[i] == pattern)
                exact = i;
        if (exact == addresses.size() ? !matches.empty() : matches != std::vector<std::size_t> { exact })
            std::abort();
    }
    return 0;
}
