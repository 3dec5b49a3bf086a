#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Matches OSC address patterns against a fixed vocabulary of addresses (the
// server's routes), part by part: OSC's wildcards never cross a '/'.
//
// Invariant: the work of one Match is bounded before it starts. An address
// longer than kMaxAddressLength or with more than kMaxWildcards wildcards is
// refused unread beyond those bounds; a part of the pattern is compared with
// each word of the vocabulary at most once (the words form a tree); and a
// comparison is one pass over the part's tokens carrying the set of word
// positions still reachable, so nothing backtracks. Cost: at most (words in
// the vocabulary) x (pattern length) x (longest word) character steps.
//
// Patterns: '?' one character, '*' any run, "[abc]", "[a-z]" and "[!abc]" one
// character of (or not of) a set, "{foo,bar}" one of the listed words (plain
// text only: no wildcard or brace inside braces).
class COscAddressMatcher
{
public:
    // No route needs more: the longest is 27 characters with none, and
    // "/zuvio/{a,b,active}/{play,pause,stop,open,seek,volume}" 55 with 9.
    static constexpr std::size_t kMaxAddressLength = 64;
    // '?', '*' and "[...]" count one each, "{...}" one per word listed.
    static constexpr std::size_t kMaxWildcards = 16;
    // Words are compared through a 64-bit set of positions.
    static constexpr std::size_t kMaxWordLength = 63;

    enum class Verdict { Matched, Unknown, TooLong, TooComplex, Malformed };

    // Addresses without wildcards, each at most kMaxWordLength per part; the
    // index of an address in this list is what Match reports.
    explicit COscAddressMatcher(const std::vector<std::string>& addresses = {});

    // The indexes of the addresses the pattern matches, ascending, in matches.
    Verdict Match(std::string_view pattern, std::vector<std::size_t>& matches) const;
    // The bad-input cause of a refusal ("pattern too complex"), or nullptr.
    static const char* Cause(Verdict verdict);

private:
    struct Node
    {
        std::string word;
        std::vector<std::size_t> children;
        std::ptrdiff_t address = -1; // the address that ends here, if any
    };
    struct Token;
    struct Pattern;
    static Verdict Parse(std::string_view text, Pattern& pattern);
    static bool PartMatches(
        const Pattern& pattern, const Token* begin, const Token* end, const std::string& word);
    void MatchFrom(
        std::size_t node, const Pattern& pattern, std::size_t part, std::vector<std::size_t>& matches) const;

    std::vector<Node> m_Nodes; // [0] is the root, above the first part
};
