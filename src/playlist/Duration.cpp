#include "playlist/Duration.h"

#include <cstdio>
#include <limits>

std::string FormatDuration(uint64_t ms)
{
    const auto hours = static_cast<int>(ms / 3600000 % 24);
    const auto minutes = static_cast<int>(ms / 60000 % 60);
    const auto seconds = static_cast<int>(ms / 1000 % 60);
    char text[16];
    std::snprintf(text, sizeof text, "%2d:%02d:%02d", hours, minutes, seconds);
    return text;
}

int32_t ParseLeadingInt(const char* begin, const char* end)
{
    const char* p = begin;
    while (p != end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v'))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    int64_t value = 0;
    constexpr int64_t limit = int64_t { std::numeric_limits<int32_t>::max() } + 1;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        if (value < limit)
            value = value * 10 + (*p - '0');
    }
    if (value > limit)
        value = limit;
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value >= limit ? limit - 1 : value);
}

int64_t ParseDuration(const std::string& text)
{
    if (text.find(':') == std::string::npos)
        return -1;

    const char* const begin = text.data();
    const char* const end = begin + text.size();
    int64_t numbers[3] = { 0, 0, 0 };
    int count = 0;
    std::size_t start = 0;
    while (count < 3) {
        numbers[count++] = ParseLeadingInt(begin + start, end);
        const std::size_t colon = text.find(':', start);
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }

    int64_t hours = 0, minutes = 0, seconds = 0;
    if (count >= 3) {
        hours = numbers[0];
        minutes = numbers[1];
        seconds = numbers[2];
    } else {
        minutes = numbers[0];
        seconds = numbers[1];
    }

    int64_t millis = 0;
    std::size_t point = text.find('.');
    if (point == std::string::npos)
        point = text.find(',');
    if (point != std::string::npos) {
        int weight = 100;
        for (std::size_t i = point + 1; i < text.size() && weight > 0; ++i, weight /= 10) {
            if (text[i] < '0' || text[i] > '9')
                break;
            millis += (text[i] - '0') * weight;
        }
    }
    return hours * 3600000 + minutes * 60000 + seconds * 1000 + millis;
}
