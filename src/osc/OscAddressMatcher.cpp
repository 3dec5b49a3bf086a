#include "osc/OscAddressMatcher.h"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <cstdint>

struct COscAddressMatcher::Token
{
    enum class Kind { Text, One, Any, Set, Choice };
    Kind kind;
    std::string_view text; // Text: the run; Choice: the words, comma-separated
    std::size_t set; // Set: its index in Pattern::sets
};

// A parsed pattern, flat and on the stack (left uninitialised past what is
// parsed): every token takes at least one character, every part its '/'.
struct COscAddressMatcher::Pattern
{
    std::array<Token, kMaxAddressLength> tokens;
    std::array<std::size_t, kMaxAddressLength + 1> partEnds; // one past each part's last token
    std::array<std::bitset<256>, kMaxWildcards> sets; // the characters each "[...]" takes
    std::size_t tokenCount = 0;
    std::size_t partCount = 0;
    std::size_t setCount = 0;
};

namespace {

using Positions = std::uint64_t; // bit i: the first i characters of the word are matched

std::bitset<256> SetOf(std::string_view members, bool negate)
{
    std::bitset<256> set;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const auto first = static_cast<unsigned char>(members[i]);
        if (i + 2 < members.size() && members[i + 1] == '-') {
            for (unsigned c = first; c <= static_cast<unsigned char>(members[i + 2]); ++c)
                set.set(c);
            i += 2;
        } else {
            set.set(first);
        }
    }
    return negate ? ~set : set;
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

COscAddressMatcher::Verdict COscAddressMatcher::Parse(std::string_view text, Pattern& pattern)
{
    if (text.size() > kMaxAddressLength)
        return Verdict::TooLong;
    if (text.empty() || text[0] != '/')
        return Verdict::Unknown;
    std::size_t wildcards = 0;
    const auto add = [&pattern](Token token) { pattern.tokens[pattern.tokenCount++] = token; };
    std::size_t i = 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '/') {
            pattern.partEnds[pattern.partCount++] = pattern.tokenCount;
            ++i;
            continue;
        }
        if (c == '?' || c == '*' || c == '[') {
            if (++wildcards > kMaxWildcards)
                return Verdict::TooComplex;
        }
        const bool partStart
            = pattern.tokenCount == (pattern.partCount == 0 ? 0 : pattern.partEnds[pattern.partCount - 1]);
        if (c == '?') {
            add({ Token::Kind::One, {}, 0 });
            ++i;
        } else if (c == '*') {
            if (partStart || pattern.tokens[pattern.tokenCount - 1].kind != Token::Kind::Any)
                add({ Token::Kind::Any, {}, 0 });
            ++i;
        } else if (c == '[' || c == '{') {
            const char close = c == '[' ? ']' : '}';
            const std::size_t end = text.find(close, i + 1);
            const std::string_view body
                = end == std::string_view::npos ? text.substr(i + 1) : text.substr(i + 1, end - i - 1);
            if (c == '{') {
                if (body.find_first_of("*?[]{") != std::string_view::npos)
                    return Verdict::TooComplex;
                wildcards += 1 + static_cast<std::size_t>(std::count(body.begin(), body.end(), ','));
                if (wildcards > kMaxWildcards)
                    return Verdict::TooComplex;
            }
            if (end == std::string_view::npos || body.find('/') != std::string_view::npos)
                return Verdict::Malformed;
            if (c == '[') {
                const bool negate = !body.empty() && body[0] == '!';
                if (body.size() == (negate ? 1u : 0u))
                    return Verdict::Malformed;
                pattern.sets[pattern.setCount] = SetOf(body.substr(negate ? 1 : 0), negate);
                add({ Token::Kind::Set, {}, pattern.setCount++ });
            } else {
                add({ Token::Kind::Choice, body, 0 });
            }
            i = end + 1;
        } else {
            const std::size_t end = std::min(text.find_first_of("/?*[{", i), text.size());
            add({ Token::Kind::Text, text.substr(i, end - i), 0 });
            i = end;
        }
    }
    pattern.partEnds[pattern.partCount++] = pattern.tokenCount;
    return Verdict::Matched;
}

bool COscAddressMatcher::PartMatches(
    const Pattern& pattern, const Token* begin, const Token* end, const std::string& word)
{
    if (word.size() > kMaxWordLength)
        return false;
    const Positions all
        = word.size() == kMaxWordLength ? ~Positions { 0 } : (Positions { 1 } << (word.size() + 1)) - 1;
    Positions reached = 1;
    for (const Token* token = begin; token != end; ++token) {
        switch (token->kind) {
        case Token::Kind::Text:
            reached = Advance(reached, token->text, word);
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
                if (at < word.size() && pattern.sets[token->set].test(static_cast<unsigned char>(word[at])))
                    next |= Positions { 1 } << (at + 1);
            }
            reached = next;
            break;
        }
        case Token::Kind::Choice: {
            Positions next = 0;
            std::size_t start = 0;
            while (start <= token->text.size()) {
                const std::size_t comma = std::min(token->text.find(',', start), token->text.size());
                next |= Advance(reached, token->text.substr(start, comma - start), word);
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

void COscAddressMatcher::MatchFrom(
    std::size_t node, const Pattern& pattern, std::size_t part, std::vector<std::size_t>& matches) const
{
    if (part == pattern.partCount) {
        if (m_Nodes[node].address >= 0)
            matches.push_back(static_cast<std::size_t>(m_Nodes[node].address));
        return;
    }
    const Token* begin = pattern.tokens.data() + (part == 0 ? 0 : pattern.partEnds[part - 1]);
    const Token* end = pattern.tokens.data() + pattern.partEnds[part];
    for (const std::size_t child : m_Nodes[node].children)
        if (PartMatches(pattern, begin, end, m_Nodes[child].word))
            MatchFrom(child, pattern, part + 1, matches);
}

COscAddressMatcher::Verdict COscAddressMatcher::Match(
    std::string_view text, std::vector<std::size_t>& matches) const
{
    matches.clear();
    Pattern pattern;
    const Verdict parsed = Parse(text, pattern);
    if (parsed != Verdict::Matched)
        return parsed;
    // Down the tree of words: a node is reached through its one parent only,
    // so compared at most once; the depth is the vocabulary's.
    MatchFrom(0, pattern, 0, matches);
    std::sort(matches.begin(), matches.end());
    return matches.empty() ? Verdict::Unknown : Verdict::Matched;
}
