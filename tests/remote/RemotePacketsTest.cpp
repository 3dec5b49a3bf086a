#include "remote/RemotePackets.h"
#include "remote/HostPort.h"

#include "core/Messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace RemotePackets;

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLE32(Bytes& b, std::size_t offset, std::uint32_t v)
{
    b[offset] = v & 0xff;
    b[offset + 1] = (v >> 8) & 0xff;
    b[offset + 2] = (v >> 16) & 0xff;
    b[offset + 3] = (v >> 24) & 0xff;
}

// A command datagram written from the wire layout, independently of EncodeCommand.
Bytes Datagram(std::size_t size, const char* magic, std::int32_t player, std::int32_t code,
    std::int32_t value, const std::string& text = {})
{
    Bytes b(size, 0);
    if (size >= 4)
        std::memcpy(b.data(), magic, 4);
    if (size >= 28) {
        PutLE32(b, 4, static_cast<std::uint32_t>(player));
        PutLE32(b, 12, static_cast<std::uint32_t>(code));
        PutLE32(b, 24, static_cast<std::uint32_t>(value));
    }
    if (size >= 36)
        std::memcpy(b.data() + 36, text.data(), std::min(text.size(), size - 36));
    return b;
}

struct CommandRow
{
    const char* name;
    Bytes datagram;
    CommandCheck check;
    unsigned message; // 0: no message
    std::int32_t player;
    std::int32_t value;
    std::size_t textLength;
};

std::ostream& operator<<(std::ostream& os, const CommandRow& row)
{
    return os << row.name;
}

class CommandDecoding : public testing::TestWithParam<CommandRow>
{
};

TEST_P(CommandDecoding, DecidesAndDecodes)
{
    const CommandRow& row = GetParam();
    EXPECT_EQ(CheckCommand(row.datagram), row.check);
    const auto command = DecodeCommand(row.datagram);
    ASSERT_EQ(command.has_value(), row.check == CommandCheck::Accepted);
    if (!command)
        return;
    EXPECT_EQ(MessageForCode(command->code), row.message);
    EXPECT_EQ(command->player, row.player);
    EXPECT_EQ(command->value, row.value);
    EXPECT_EQ(command->text.size(), row.textLength);
}

const std::string kNoNul(512, 'x'); // fills the whole field: the text must stop at its end

INSTANTIATE_TEST_SUITE_P(Rows, CommandDecoding,
    testing::Values(CommandRow { "empty", Bytes {}, CommandCheck::WrongSize, 0, 0, 0, 0 },
        CommandRow { "one_byte", Bytes { 'Y' }, CommandCheck::WrongSize, 0, 0, 0, 0 },
        CommandRow { "short_547", Datagram(547, "YCUL", 0, 3, 0), CommandCheck::WrongSize, 0, 0, 0, 0 },
        CommandRow { "long_549", Datagram(549, "YCUL", 0, 3, 0), CommandCheck::WrongSize, 0, 0, 0, 0 },
        CommandRow { "max_udp_65507", Datagram(65507, "YCUL", 0, 3, 0), CommandCheck::WrongSize, 0, 0, 0, 0 },
        CommandRow { "magic_lucy", Datagram(548, "LUCY", 0, 3, 0), CommandCheck::WrongMagic, 0, 0, 0, 0 },
        CommandRow {
            "magic_lowercase", Datagram(548, "ycul", 0, 3, 0), CommandCheck::WrongMagic, 0, 0, 0, 0 },
        CommandRow {
            "play_b", Datagram(548, "YCUL", 1, 3, 77), CommandCheck::Accepted, WM_NET_PLAY, 1, 77, 0 },
        CommandRow { "stop", Datagram(548, "YCUL", 0, 4, 0), CommandCheck::Accepted, WM_NET_STOP, 0, 0, 0 },
        CommandRow { "pause", Datagram(548, "YCUL", 0, 5, 0), CommandCheck::Accepted, WM_NET_PAUSE, 0, 0, 0 },
        CommandRow {
            "open", Datagram(548, "YCUL", 0, 10, 0, " :3 "), CommandCheck::Accepted, WM_NET_OPEN, 0, 0, 4 },
        CommandRow { "open_no_nul", Datagram(548, "YCUL", 0, 10, 0, kNoNul), CommandCheck::Accepted,
            WM_NET_OPEN, 0, 0, 512 },
        CommandRow {
            "seek", Datagram(548, "YCUL", 1, 11, 90000), CommandCheck::Accepted, WM_NET_SEEK, 1, 90000, 0 },
        CommandRow {
            "code_12", Datagram(548, "YCUL", 0, 12, 5), CommandCheck::Accepted, WM_NET_UNUSED_12, 0, 5, 0 },
        CommandRow { "volume_huge", Datagram(548, "YCUL", 0, 13, 0x7fffffff), CommandCheck::Accepted,
            WM_NET_VOLUME, 0, 0x7fffffff, 0 },
        CommandRow { "volume_negative", Datagram(548, "YCUL", 0, 13, INT32_MIN), CommandCheck::Accepted,
            WM_NET_VOLUME, 0, INT32_MIN, 0 },
        CommandRow { "select", Datagram(548, "YCUL", 1, 16, 0), CommandCheck::Accepted, WM_NET_SELECT_PLAYER,
            1, 0, 0 },
        CommandRow { "code_99", Datagram(548, "YCUL", 0, 99, 0), CommandCheck::Accepted, 0, 0, 0, 0 },
        CommandRow { "code_negative", Datagram(548, "YCUL", 0, -3, 0), CommandCheck::Accepted, 0, 0, 0, 0 },
        CommandRow { "player_minus_1", Datagram(548, "YCUL", -1, 3, 0), CommandCheck::Accepted, WM_NET_PLAY,
            -1, 0, 0 },
        CommandRow {
            "player_2", Datagram(548, "YCUL", 2, 3, 0), CommandCheck::Accepted, WM_NET_PLAY, 2, 0, 0 },
        CommandRow { "player_max", Datagram(548, "YCUL", 0x7fffffff, 3, 0), CommandCheck::Accepted,
            WM_NET_PLAY, 0x7fffffff, 0, 0 }),
    [](const testing::TestParamInfo<CommandRow>& row) { return std::string(row.param.name); });

TEST(CommandEncoding, MatchesTheWireLayoutAndKeepsTheNul)
{
    const auto bytes = EncodeCommand({ 1, CMD_VOLUME, -250, "clip.mp4" });
    const Bytes expected = Datagram(548, "YCUL", 1, 13, -250, "clip.mp4");
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);

    const auto longText = EncodeCommand({ 0, CMD_OPEN, 0, std::string(600, 'p') });
    EXPECT_EQ(longText[36 + 510], 'p');
    EXPECT_EQ(longText[36 + 511], 0);
    EXPECT_EQ(DecodeCommand(longText)->text.size(), 511u);
}

TEST(StatusEncoding, EveryOffsetLittleEndianAndZeroFilled)
{
    StatusRecord record;
    record.duration = 0x01020304;
    record.position = 0xA0B0C0D0;
    record.playState = 2;
    record.fileName = "show.mp4";
    record.volume = 0x1234;
    record.activeIndex = 1;
    record.mac = { 0x02, 0x42, 0xac, 0x11, 0x00, 0x07 };

    Bytes expected(540, 0);
    std::memcpy(expected.data(), "XOLA", 4);
    PutLE32(expected, 8, 2);
    PutLE32(expected, 12, 1);
    PutLE32(expected, 20, 0);
    std::memcpy(expected.data() + 28, "show.mp4", 8);
    PutLE32(expected, 284, 0x01020304);
    PutLE32(expected, 288, 0xA0B0C0D0);
    PutLE32(expected, 292, 2);
    std::memcpy(expected.data() + 296, "show.mp4", 8);
    expected[424] = 0x34;
    expected[425] = 0x12;
    expected[426] = 1;
    std::memcpy(expected.data() + 534, record.mac.data(), 6);

    const auto bytes = EncodeStatus(record);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);

    const auto decoded = DecodeBroadcast(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->kind, kKindStatus);
    EXPECT_EQ(decoded->status.position, 0xA0B0C0D0u);
    EXPECT_EQ(decoded->status.fileName, "show.mp4");
    EXPECT_EQ(decoded->status.mac, record.mac);
}

TEST(StatusEncoding, LongFileNameIsCutTo127AtBothOffsets)
{
    StatusRecord record;
    record.fileName = std::string(200, 'n');
    const auto bytes = EncodeStatus(record);
    for (const std::size_t offset : { std::size_t { 28 }, std::size_t { 296 } }) {
        EXPECT_EQ(bytes[offset + 126], 'n') << offset;
        EXPECT_EQ(bytes[offset + 127], 0) << offset;
    }
    // The first copy has a 256-byte field: nothing of the name past 127 reaches it.
    for (std::size_t i = 28 + 127; i < 284; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(DecodeBroadcast(bytes)->status.fileName.size(), 127u);
}

TEST(TextEncoding, LayoutAndCut)
{
    const auto bytes = EncodeText("Player A: Playback started.\n");
    Bytes expected(540, 0);
    std::memcpy(expected.data(), "XOLA", 4);
    PutLE32(expected, 12, 1);
    PutLE32(expected, 20, 3);
    std::memcpy(expected.data() + 28, "Player A: Playback started.\n", 28);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);

    const auto cut = EncodeText(std::string(700, 't'));
    EXPECT_EQ(cut[28 + 510], 't');
    EXPECT_EQ(cut[28 + 511], 0);
    EXPECT_EQ(DecodeBroadcast(cut)->text.size(), 511u);
}

TEST(BroadcastDecoding, RejectsWhatIsNotAStatusOrText)
{
    auto good = EncodeText("x");
    EXPECT_FALSE(DecodeBroadcast(std::span(good.data(), 539)));
    Bytes longer(good.begin(), good.end());
    longer.push_back(0);
    EXPECT_FALSE(DecodeBroadcast(longer));
    auto wrongKind = good;
    wrongKind[20] = 7;
    EXPECT_FALSE(DecodeBroadcast(wrongKind));
    auto wrongMagic = good;
    wrongMagic[0] = 'Y';
    EXPECT_FALSE(DecodeBroadcast(wrongMagic));
    // A text field without a NUL stops at the end of the packet.
    auto full = good;
    std::memset(full.data() + 28, 'z', 512);
    EXPECT_EQ(DecodeBroadcast(full)->text.size(), 512u);
}

TEST(FieldReading, NeverPastTheSpan)
{
    const Bytes bytes = { 'a', 'b', 'c' };
    EXPECT_EQ(ReadField(bytes, 1, 100), "bc");
    EXPECT_EQ(ReadField(bytes, 3, 10), "");
    EXPECT_EQ(ReadField(bytes, 99, 10), "");
    EXPECT_EQ(ReadInt32(bytes, 0), 0);
    EXPECT_EQ(ReadUInt16(bytes, 2), 0);
}

TEST(HostPortParsing, AcceptsDottedQuadsAndPortsOnly)
{
    const auto full = ParseHostPort("10.0.0.255:4000");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->address.toString(), "10.0.0.255");
    EXPECT_EQ(full->port, 4000);
    EXPECT_EQ(ParseHostPort("127.0.0.1", 31772)->port, 31772);
    for (const char* bad : { "", "127.0.0.1", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:12x",
             "localhost:1", "10.1:5", "167772161:5", "::1:5", "1.2.3.4.5:6", "300.1.1.1:5", "127.0.0.1:-1" })
        EXPECT_FALSE(ParseHostPort(bad)) << bad;
    EXPECT_TRUE(ParseIPv4("0.0.0.0"));
    EXPECT_FALSE(ParseIPv4("eth0"));
}

} // namespace
