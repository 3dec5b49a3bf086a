#include "osc/OscAddressMatcher.h"

#include <algorithm>
#include <bit>
#include <cstdint>

struct COscAddressMatcher::Token
{
    enum class Kind { Text, One, Any, Set, Choice };
    Kind kind;
    std::string_view text; // Text: the run; Set: the members; Choice: the words, comma-separated
    bool negate = false;
};

namespace {

using Positions = std::uint64_t; // bit i: the first i characters of the word are matched

bool InSet(std::string_view members, bool negate, char c)
{
    bool in = false;
    for (std::size_t i = 0; i < members.size() && !in; ++i) {
        if (i + 2 < members.size() && members[i + 1] == '-') {
            in = c >= members[i] && c <= members[i + 2];
            i += 2;
        } else {
            in = c == members[i];
        }
    }
    return in != negate;
}

// Every position reachable from one in from by the literal text.
Positions Advance(Positions from, std::string_view text, const std::string& word)
{
    Positions to = 0;
    for (Positions bits = from; bits != 0; bits &= bits - 1) {
        const auto at = static_cast<std::size_t>(std::countr_zero(bits));
        if (at + text.size() <= word.size() && word.compare(at, text.size(), text) == 0)
            to |= Positions { 1 } << (at + text.size());
    }
    return to;
}

} // namespace

COscAddressMatcher::COscAddressMatcher(const std::vector<std::string>& addresses)
    : m_Nodes(1)
{
    for (std::size_t index = 0; index < addresses.size(); ++index) {
        const std::string& address = addresses[index];
        std::size_t node = 0;
        std::size_t start = 1;
        while (start <= address.size()) {
            std::size_t end = address.find('/', start);
            if (end == std::string::npos)
                end = address.size();
            const std::string word = address.substr(start, end - start);
            const auto& children = m_Nodes[node].children;
            const auto found = std::find_if(children.begin(), children.end(),
                [&](std::size_t child) { return m_Nodes[child].word == word; });
            if (found != children.end()) {
                node = *found;
            } else {
                m_Nodes.push_back({ word, {}, -1 });
                m_Nodes[node].children.push_back(m_Nodes.size() - 1);
                node = m_Nodes.size() - 1;
            }
            start = end + 1;
        }
        m_Nodes[node].address = static_cast<std::ptrdiff_t>(index);
    }
}

const char* COscAddressMatcher::Cause(Verdict verdict)
{
    switch (verdict) {
    case Verdict::TooLong:
        return "address too long";
    case Verdict::TooComplex:
        return "pattern too complex";
    case Verdict::Malformed:
        return "malformed pattern";
    case Verdict::Matched:
    case Verdict::Unknown:
        break;
    }
    return nullptr;
}

COscAddressMatcher::Verdict COscAddressMatcher::Parse(
    std::string_view pattern, std::vector<std::vector<Token>>& parts)
{
    if (pattern.size() > kMaxAddressLength)
        return Verdict::TooLong;
    if (pattern.empty() || pattern[0] != '/')
        return Verdict::Unknown;
    std::size_t wildcards = 0;
    parts.emplace_back();
    std::size_t i = 1;
    while (i < pattern.size()) {
        const char c = pattern[i];
        auto& part = parts.back();
        if (c == '/') {
            parts.emplace_back();
            ++i;
            continue;
        }
        if (c == '?' || c == '*' || c == '[' || c == '{') {
            if (++wildcards > kMaxWildcards)
                return Verdict::TooComplex;
        }
        if (c == '?') {
            part.push_back({ Token::Kind::One, {} });
            ++i;
        } else if (c == '*') {
            if (part.empty() || part.back().kind != Token::Kind::Any)
                part.push_back({ Token::Kind::Any, {} });
            ++i;
        } else if (c == '[' || c == '{') {
            const char close = c == '[' ? ']' : '}';
            const std::size_t end = pattern.find(close, i + 1);
            const std::string_view body
                = end == std::string_view::npos ? pattern.substr(i + 1) : pattern.substr(i + 1, end - i - 1);
            if (c == '{' && body.find_first_of("*?[]{") != std::string_view::npos)
                return Verdict::TooComplex;
            if (end == std::string_view::npos || body.find('/') != std::string_view::npos)
                return Verdict::Malformed;
            if (c == '[') {
                const bool negate = !body.empty() && body[0] == '!';
                if (body.size() == (negate ? 1u : 0u))
                    return Verdict::Malformed;
                part.push_back({ Token::Kind::Set, body.substr(negate ? 1 : 0), negate });
            } else {
                part.push_back({ Token::Kind::Choice, body });
            }
            i = end + 1;
        } else {
            const std::size_t end = std::min(pattern.find_first_of("/?*[{", i), pattern.size());
            part.push_back({ Token::Kind::Text, pattern.substr(i, end - i) });
            i = end;
        }
    }
    return Verdict::Matched;
}

bool COscAddressMatcher::PartMatches(const std::vector<Token>& part, const std::string& word)
{
    if (word.size() > kMaxWordLength)
        return false;
    const Positions all
        = word.size() == kMaxWordLength ? ~Positions { 0 } : (Positions { 1 } << (word.size() + 1)) - 1;
    Positions reached = 1;
    for (const Token& token : part) {
        switch (token.kind) {
        case Token::Kind::Text:
            reached = Advance(reached, token.text, word);
            break;
        case Token::Kind::One:
            reached = (reached << 1) & all;
            break;
        case Token::Kind::Any:
            // From the first position reached, every later one.
            reached = all & ~((reached & (~reached + 1)) - 1);
            break;
        case Token::Kind::Set: {
            Positions next = 0;
            for (Positions bits = reached; bits != 0; bits &= bits - 1) {
                const auto at = static_cast<std::size_t>(std::countr_zero(bits));
                if (at < word.size() && InSet(token.text, token.negate, word[at]))
                    next |= Positions { 1 } << (at + 1);
            }
            reached = next;
            break;
        }
        case Token::Kind::Choice: {
            Positions next = 0;
            std::size_t start = 0;
            while (start <= token.text.size()) {
                const std::size_t comma = std::min(token.text.find(',', start), token.text.size());
                next |= Advance(reached, token.text.substr(start, comma - start), word);
                start = comma + 1;
            }
            reached = next;
            break;
        }
        }
        if (reached == 0)
            return false;
    }
    return (reached >> word.size()) & 1;
}

COscAddressMatcher::Verdict COscAddressMatcher::Match(
    std::string_view pattern, std::vector<std::size_t>& matches) const
{
    matches.clear();
    std::vector<std::vector<Token>> parts;
    const Verdict parsed = Parse(pattern, parts);
    if (parsed != Verdict::Matched)
        return parsed;
    // The nodes whose words the parts so far matched: each node is reached
    // through its one parent only, so compared at most once.
    std::vector<std::size_t> reached { 0 };
    std::vector<std::size_t> next;
    for (const auto& part : parts) {
        next.clear();
        for (const std::size_t node : reached)
            for (const std::size_t child : m_Nodes[node].children)
                if (PartMatches(part, m_Nodes[child].word))
                    next.push_back(child);
        reached.swap(next);
        if (reached.empty())
            return Verdict::Unknown;
    }
    for (const std::size_t node : reached)
        if (m_Nodes[node].address >= 0)
            matches.push_back(static_cast<std::size_t>(m_Nodes[node].address));
    std::sort(matches.begin(), matches.end());
    return matches.empty() ? Verdict::Unknown : Verdict::Matched;
}
