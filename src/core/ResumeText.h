#pragma once

#include "core/ParseNumber.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text both resume files are made of: "key=value" lines closed by a line
// with the line count and a checksum over everything before it, so that a file
// cut anywhere, or with any byte changed, is refused.
namespace ResumeText {

std::string Escape(std::string_view text); // tabs, line ends and backslashes
bool Unescape(std::string_view text, std::string& out);
std::vector<std::string_view> SplitTabs(std::string_view text);
// Appends the closing line to body.
void Seal(std::string& body);
// The body of a sealed text; nullopt (with why) for anything cut or changed.
std::optional<std::string_view> Open(std::string_view text, std::string* why);
// Calls line(key, value) for every line of body after the header; false when
// the header differs, a line has no '=', or line returns false.
template <typename Line> bool ForEachLine(std::string_view body, std::string_view header, Line line);

template <typename T> bool Number(std::string_view text, T& value, int base = 10)
{
    const auto number = ParseNumber<T>(text, base);
    if (number)
        value = *number;
    return number.has_value();
}

template <typename Line> bool ForEachLine(std::string_view body, std::string_view header, Line line)
{
    bool first = true;
    for (size_t from = 0; from < body.size();) {
        const size_t newline = body.find('\n', from);
        const std::string_view current = body.substr(from, newline - from);
        from = newline == std::string_view::npos ? body.size() : newline + 1;
        if (first) {
            if (current != header)
                return false;
            first = false;
            continue;
        }
        const size_t equals = current.find('=');
        if (equals == std::string_view::npos || !line(current.substr(0, equals), current.substr(equals + 1)))
            return false;
    }
    return !first;
}

} // namespace ResumeText
