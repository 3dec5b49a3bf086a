#include "osc/OscAddressMatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Verdict = COscAddressMatcher::Verdict;

// A vocabulary shaped like the server's: parts shared between addresses, an
// address that is also the start of others, words of several lengths.
const std::vector<std::string> kAddresses = {
    "/zuvio/a/play", // 0
    "/zuvio/a/stop", // 1
    "/zuvio/b/play", // 2
    "/zuvio/b/stop", // 3
    "/zuvio/active/play", // 4
    "/zuvio/cut", // 5
    "/zuvio/cut/a", // 6
    "/zuvio/cut/b", // 7
    "/zuvio/a/volume", // 8
    "/zuvio/a/volume/db", // 9
    "/zuvio/playlist/autoadvance", // 10
};

struct Row
{
    std::string pattern;
    Verdict verdict;
    std::vector<std::size_t> matches;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << '"' << row.pattern << '"';
}

class OscAddressMatcherTest : public testing::TestWithParam<Row>
{
};

TEST_P(OscAddressMatcherTest, MatchesWithinItsBounds)
{
    const COscAddressMatcher matcher(kAddresses);
    std::vector<std::size_t> matches { 99 };
    EXPECT_EQ(matcher.Match(GetParam().pattern, matches), GetParam().verdict);
    EXPECT_EQ(matches, GetParam().matches);
}

const std::string kBomb = "/" + [] {
    std::string s;
    for (int i = 0; i < 20; ++i)
        s += "*?";
    return s;
}() + "!";

INSTANTIATE_TEST_SUITE_P(Patterns, OscAddressMatcherTest,
    testing::Values(
        // Plain addresses, and ones that stop short, go on or miss a part.
        Row { "/zuvio/a/play", Verdict::Matched, { 0 } }, Row { "/zuvio/cut", Verdict::Matched, { 5 } },
        Row { "/zuvio/cut/a", Verdict::Matched, { 6 } }, Row { "/zuvio/a", Verdict::Unknown, {} },
        Row { "/zuvio/a/play/now", Verdict::Unknown, {} }, Row { "/zuvio//a/play", Verdict::Unknown, {} },
        Row { "zuvio/a/play", Verdict::Unknown, {} }, Row { "", Verdict::Unknown, {} },
        // What operators write.
        Row { "/zuvio/*/play", Verdict::Matched, { 0, 2, 4 } },
        Row { "/zuvio/[ab]/stop", Verdict::Matched, { 1, 3 } },
        Row { "/zuvio/{a,b}/play", Verdict::Matched, { 0, 2 } },
        Row { "/zuvio/{b,a,b}/play", Verdict::Matched, { 0, 2 } },
        Row { "/zuvio/[!a]/play", Verdict::Matched, { 2 } },
        Row { "/zuvio/[a-b]/st?p", Verdict::Matched, { 1, 3 } },
        Row { "/zuvio/a*/play", Verdict::Matched, { 0, 4 } },
        Row { "/zuvio/*a*/*", Verdict::Matched, { 0, 1, 4, 8, 10 } },
        Row { "/zuvio/cut/?", Verdict::Matched, { 6, 7 } },
        Row { "/zuvio/a/volume/*", Verdict::Matched, { 9 } },
        Row { "/zuvio/playlist/auto*adv*ance", Verdict::Matched, { 10 } },
        Row { "/zuvio/playlist/{auto,}advance", Verdict::Matched, { 10 } },
        Row { "/*/*", Verdict::Matched, { 5 } },
        // A wildcard never crosses a '/', nor matches a character too many.
        Row { "/zuvio/*", Verdict::Matched, { 5 } }, Row { "/zuvio/a/play?", Verdict::Unknown, {} },
        Row { "/zuvio/?/playlist", Verdict::Unknown, {} },
        // Bombs: refused before any matching.
        Row { kBomb, Verdict::TooComplex, {} },
        Row { "/zuvio/" + std::string(17, '?'), Verdict::TooComplex, {} },
        Row { "/zuvio/" + std::string(20, '{') + "a" + std::string(20, '}') + "/play", Verdict::TooComplex,
            {} },
        Row { "/zuvio/{a,{b}}/play", Verdict::TooComplex, {} },
        Row { "/zuvio/{a*,b}/play", Verdict::TooComplex, {} },
        Row { "/zuvio/" + std::string(58, 'a'), Verdict::TooLong, {} },
        Row { "/zuvio/" + std::string(57, 'a'), Verdict::Unknown, {} },
        Row { "/zuvio/{a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q}/play", Verdict::TooComplex, {} },
        Row { "/*/*/*{" + std::string(50, ',') + "}", Verdict::TooComplex, {} },
        Row { "/zuvio/{a,b,active}/{play,stop,volume}", Verdict::Matched, { 0, 1, 2, 3, 4, 8 } },
        Row { "/zuvio/[ab/stop", Verdict::Malformed, {} }, Row { "/zuvio/[]/stop", Verdict::Malformed, {} },
        Row { "/zuvio/[!]/stop", Verdict::Malformed, {} }, Row { "/zuvio/{a,b/stop", Verdict::Malformed, {} },
        Row { "/zuvio/{a/b}/stop", Verdict::Malformed, {} },
        // The most work accepted: 16 wildcards, 64 characters, at the widest part.
        Row { "/zuvio/" + std::string(8, '*') + std::string(8, '?') + std::string(41, 'x'), Verdict::Unknown,
            {} }));

} // namespace
