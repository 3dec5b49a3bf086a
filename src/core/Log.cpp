#include "core/Log.h"

#include "core/LogBuffer.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

CLogBuffer* g_pLogBuffer = nullptr;

namespace {

__attribute__((format(printf, 2, 0))) void LogV(int level, const char* format, va_list args)
{
    CLogBuffer* buffer = g_pLogBuffer;
    if (!buffer || !format)
        return;
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0)
        return;
    std::vector<char> text(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    buffer->Write(level, text.data());
}

} // namespace

void LogMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogV(LOG_LEVEL_INFO, format, args);
    va_end(args);
}

void LogError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogV(LOG_LEVEL_ERROR, format, args);
    va_end(args);
}
