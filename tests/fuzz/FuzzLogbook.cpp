// The logbook's write: any bytes, any level, through LogMessage/LogError and
// straight into small and odd-sized rings; every line must stay within width.
#include "core/Log.h"
#include "core/LogBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void CheckLines(const CLogBuffer& buffer)
{
    for (int i = 0; i < buffer.GetLineCount(); ++i) {
        if (static_cast<int>(buffer.GetLine(i).text.size()) >= buffer.GetLineWidth())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const int lines = data[0] % 40 - 2; // zero and negative counts included
    const int width = data[1] - 8;
    const int level = data[2] % 5;
    const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);

    CLogBuffer buffer("Fuzz", lines, width);
    // Writes stop at NUL like any C string: feed every piece.
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        buffer.Write(level, text.substr(start, end - start).c_str());
        start = end + 1;
    }
    CheckLines(buffer);

    CLogBuffer global("Global", 8, 256);
    g_pLogBuffer = &global;
    LogMessage("%s", text.c_str());
    LogError("%s\n", text.c_str());
    g_pLogBuffer = nullptr;
    CheckLines(global);
    return 0;
}
