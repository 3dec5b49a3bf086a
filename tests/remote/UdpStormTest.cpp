// The hostile-network test is only as good as its traffic: the "invalid"
// datagrams must never be commands the player acts on, the hostile ones must
// always be read as commands, and the recorder's check must tell a
// well-formed broadcast from a damaged one.
#include "BroadcastCheck.h"
#include "Mutator.h"
#include "remote/RemotePackets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

using namespace RemotePackets;

namespace {

bool TextFieldUnterminated(const std::vector<std::uint8_t>& d)
{
    return std::find(d.begin() + kCommandTextOffset, d.end(), 0) == d.end();
}

TEST(UdpStorm, RandomDatagramsSpanTheSizesAndAreNeverCommands)
{
    CMutator mutator(7);
    std::size_t smallest = SIZE_MAX, largest = 0;
    for (int i = 0; i < 20000; ++i) {
        const auto d = mutator.RandomDatagram();
        smallest = std::min(smallest, d.size());
        largest = std::max(largest, d.size());
        ASSERT_NE(CheckCommand(d), CommandCheck::Accepted);
    }
    EXPECT_LT(smallest, 20u);
    EXPECT_GT(largest, 1980u);
    EXPECT_LE(largest, 2000u);
}

TEST(UdpStorm, MagicDatagramsReachTheDecoderButNeverAnActingCode)
{
    CMutator mutator(11);
    std::set<std::vector<std::uint8_t>> distinct;
    int wildPlayers = 0, unterminated = 0;
    for (int i = 0; i < 20000; ++i) {
        const auto d = mutator.MagicDatagram();
        ASSERT_EQ(CheckCommand(d), CommandCheck::Accepted);
        const auto command = DecodeCommand(d);
        ASSERT_FALSE(CMutator::IsActingCode(command->code)) << command->code;
        wildPlayers += command->player < 0 || command->player > 1;
        unterminated += TextFieldUnterminated(d);
        distinct.insert(d);
    }
    EXPECT_GT(distinct.size(), 19000u);
    EXPECT_GT(wildPlayers, 100);
    EXPECT_GT(unterminated, 100);
}

TEST(UdpStorm, HostileCommandsAreCommandsWithWildArguments)
{
    CMutator mutator(3);
    int wildPlayers = 0, opens = 0, unterminated = 0, extremeValues = 0;
    for (std::uint64_t i = 0; i < 5000; ++i) {
        const auto d = mutator.HostileCommand(i);
        ASSERT_EQ(CheckCommand(d), CommandCheck::Accepted);
        const auto command = DecodeCommand(d);
        ASSERT_NE(MessageForCode(command->code), 0u) << command->code;
        wildPlayers += command->player < 0 || command->player > 1;
        extremeValues += command->value == INT_MIN || command->value == INT_MAX;
        if (command->code == CMD_OPEN) {
            ++opens;
            unterminated += TextFieldUnterminated(d);
        }
    }
    EXPECT_GT(wildPlayers, 500);
    EXPECT_GT(extremeValues, 100);
    EXPECT_GT(opens, 300);
    EXPECT_GT(unterminated, 50);
}

TEST(UdpStorm, OneSeedMakesOneStorm)
{
    CMutator a(42), b(42), c(43);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const auto x = a.MagicDatagram();
        ASSERT_EQ(x, b.MagicDatagram());
        differs |= x != c.MagicDatagram();
    }
    EXPECT_TRUE(differs);
}

TEST(UdpStorm, BroadcastCheckTellsDamagedPacketsApart)
{
    StatusRecord record;
    record.playState = 2;
    record.fileName = std::string(127, 'n');
    record.volume = 100;
    record.activeIndex = 1;
    record.mac = { 1, 2, 3, 4, 5, 6 };
    const auto status = EncodeStatus(record);
    const auto text = EncodeText(std::string(600, 't'));
    EXPECT_EQ(CheckBroadcast(status), "ok");
    EXPECT_EQ(CheckBroadcast(text), "ok");
    EXPECT_EQ(CheckBroadcast(std::span(status).first(539)), "bad:not-a-broadcast");

    struct Damage
    {
        std::size_t offset;
        std::uint8_t value;
        const char* verdict;
    };
    const Damage damages[] = {
        { 8, 4, "bad:state" }, // differs from the copy in the block, too
        { kStatusBlockOffset + 8, 3, "bad:state" },
        { kStatusNameOffset + 127, 'x', "bad:name-field" },
        { kStatusNameOffset + 200, 1, "bad:name-field" },
        { kStatusNameAgainOffset, 'm', "bad:name-copy" },
        { kStatusVolumeOffset, 101, "bad:volume" },
        { kStatusActiveOffset, 2, "bad:active" },
        { 500, 1, "bad:padding" },
        { 12, 2, "bad:header" },
        { 20, 1, "bad:kind" },
    };
    for (const Damage& d : damages) {
        auto damaged = status;
        damaged[d.offset] = d.value;
        EXPECT_EQ(CheckBroadcast(damaged), d.verdict) << "offset " << d.offset;
    }
    auto unterminated = text;
    unterminated[kTextOffset + kTextSize - 1] = 't';
    EXPECT_EQ(CheckBroadcast(unterminated), "bad:text-field");
}

} // namespace
