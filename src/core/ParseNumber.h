#pragma once

#include <charconv>
#include <optional>
#include <string_view>

// The whole of text as a number of type T; nothing for an empty text, any
// character that does not belong (a sign, a space, a suffix) or a value
// outside T's range. For command lines and the lines of our own files.
template <typename T> std::optional<T> ParseNumber(std::string_view text, int base = 10)
{
    T value {};
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}
