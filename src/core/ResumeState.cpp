#include "core/ResumeState.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace {

constexpr std::string_view kHeader = "ZuvioResume 1";
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

template <typename T> bool Number(std::string_view text, T& value, int base = 10)
{
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && error == std::errc() && ptr == end;
}

std::optional<CResumeState> Fail(std::string* why, const char* text)
{
    if (why)
        *why = text;
    return std::nullopt;
}

} // namespace

std::string CResumeState::Serialize() const
{
    std::string text;
    auto line = [&text](std::string_view key, const std::string& value) {
        text.append(key).append("=").append(value).append("\n");
    };
    text.append(kHeader).append("\n");
    line("active", std::to_string(activePlayer));
    line("fullscreen", fullScreen ? "1" : "0");
    line("attempts", std::to_string(attempts));
    for (int i = 0; i < 2; ++i) {
        const Player& p = players[i];
        line(i == 0 ? "playerA" : "playerB",
            std::to_string(p.state) + "\t" + std::to_string(p.positionMs) + "\t" + Escape(p.path));
    }
    for (const Row& row : rows)
        line("row", Escape(row.path) + "\t" + Escape(row.title) + "\t" + Escape(row.length));

    size_t lines = 0;
    for (const char c : text)
        lines += c == '\n';
    char end[64];
    std::snprintf(end, sizeof end, "%zu\t%016" PRIx64, lines, Fnv1a(text));
    line(kEnd.substr(0, 3), end);
    return text;
}

std::optional<CResumeState> CResumeState::Parse(std::string_view text, std::string* why)
{
    // The closing line first: without it intact nothing else is looked at.
    if (text.empty() || text.back() != '\n')
        return Fail(why, "cut short");
    const size_t endStart = text.rfind('\n', text.size() - 2);
    const size_t endLine = endStart == std::string_view::npos ? 0 : endStart + 1;
    const std::string_view closing = text.substr(endLine, text.size() - 1 - endLine);
    if (closing.substr(0, kEnd.size()) != kEnd)
        return Fail(why, "cut short");
    const auto endFields = SplitTabs(closing.substr(kEnd.size()));
    size_t lines = 0;
    uint64_t checksum = 0;
    // Exactly as written: lower-case hex, so that no other spelling of the checksum passes.
    if (endFields.size() != 2 || !Number(endFields[0], lines) || endFields[1].size() != 16
        || endFields[1].find_first_not_of("0123456789abcdef") != std::string_view::npos
        || !Number(endFields[1], checksum, 16))
        return Fail(why, "bad closing line");
    const std::string_view body = text.substr(0, endLine);
    size_t bodyLines = 0;
    for (const char c : body)
        bodyLines += c == '\n';
    if (bodyLines != lines || Fnv1a(body) != checksum)
        return Fail(why, "checksum mismatch");

    CResumeState state;
    size_t from = 0;
    bool first = true;
    while (from < body.size()) {
        const size_t newline = body.find('\n', from);
        const std::string_view current = body.substr(from, newline - from);
        from = newline + 1;
        if (first) {
            if (current != kHeader)
                return Fail(why, "unknown format");
            first = false;
            continue;
        }
        const size_t equals = current.find('=');
        if (equals == std::string_view::npos)
            return Fail(why, "bad line");
        const std::string_view key = current.substr(0, equals);
        const std::string_view value = current.substr(equals + 1);
        bool ok = true;
        if (key == "active") {
            ok = Number(value, state.activePlayer) && (state.activePlayer == 0 || state.activePlayer == 1);
        } else if (key == "fullscreen") {
            ok = value == "0" || value == "1";
            state.fullScreen = value == "1";
        } else if (key == "attempts") {
            ok = Number(value, state.attempts) && state.attempts >= 0;
        } else if (key == "playerA" || key == "playerB") {
            Player& p = state.players[key == "playerA" ? 0 : 1];
            const auto fields = SplitTabs(value);
            ok = fields.size() == 3 && Number(fields[0], p.state) && p.state >= 0 && p.state <= 3
                && Number(fields[1], p.positionMs) && Unescape(fields[2], p.path);
        } else if (key == "row") {
            const auto fields = SplitTabs(value);
            Row row;
            ok = fields.size() == 3 && Unescape(fields[0], row.path) && Unescape(fields[1], row.title)
                && Unescape(fields[2], row.length) && !row.path.empty();
            state.rows.push_back(std::move(row));
        } // an unknown key is from a newer version and is left alone
        if (!ok)
            return Fail(why, "bad value");
    }
    if (first)
        return Fail(why, "unknown format");
    return state;
}
