#include "core/ResumeText.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::string_view kEnd = "end=";

uint64_t Fnv1a(std::string_view text)
{
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

size_t CountLines(std::string_view text)
{
    size_t lines = 0;
    for (const char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

namespace ResumeText {

std::string Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool Unescape(std::string_view text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> SplitTabs(std::string_view text)
{
    std::vector<std::string_view> fields;
    size_t from = 0;
    for (size_t tab; (tab = text.find('\t', from)) != std::string_view::npos; from = tab + 1)
        fields.push_back(text.substr(from, tab - from));
    fields.push_back(text.substr(from));
    return fields;
}

void Seal(std::string& body)
{
    char end[64];
    std::snprintf(end, sizeof end, "%zu\t%016" PRIx64 "\n", CountLines(body), Fnv1a(body));
    body.append(kEnd).append(end);
}

std::optional<std::string_view> Open(std::string_view text, std::string* why)
{
    const auto fail = [why](const char* reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    // The closing line first: without it intact nothing else is looked at.
    if (text.empty() || text.back() != '\n')
        return fail("cut short");
    const size_t endStart = text.rfind('\n', text.size() - 2);
    const size_t endLine = endStart == std::string_view::npos ? 0 : endStart + 1;
    const std::string_view closing = text.substr(endLine, text.size() - 1 - endLine);
    if (closing.substr(0, kEnd.size()) != kEnd)
        return fail("cut short");
    const auto fields = SplitTabs(closing.substr(kEnd.size()));
    size_t lines = 0;
    uint64_t checksum = 0;
    // Exactly as written: lower-case hex, so that no other spelling of the checksum passes.
    if (fields.size() != 2 || !Number(fields[0], lines) || fields[1].size() != 16
        || fields[1].find_first_not_of("0123456789abcdef") != std::string_view::npos
        || !Number(fields[1], checksum, 16))
        return fail("bad closing line");
    const std::string_view body = text.substr(0, endLine);
    if (CountLines(body) != lines || Fnv1a(body) != checksum)
        return fail("checksum mismatch");
    return body;
}

} // namespace ResumeText
