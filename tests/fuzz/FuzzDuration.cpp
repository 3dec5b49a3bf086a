// ParseDuration, ParseLeadingInt and FormatDuration over arbitrary text.
#include "playlist/Duration.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int64_t ms = ParseDuration(text);
    if (text.find(':') == std::string::npos && ms != -1)
        std::abort();
    ParseLeadingInt(text.data(), text.data() + text.size());

    if (ms >= 0) {
        // What the writer does with a parsed length: format it and read it back.
        const std::string formatted = FormatDuration(static_cast<uint64_t>(ms));
        const int64_t again = ParseDuration(formatted);
        if (again < 0 || again > 24LL * 3600 * 1000)
            std::abort();
    }
    return 0;
}
