#include "Mutator.h"

#include "remote/RemotePackets.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

using namespace RemotePackets;

constexpr std::int32_t kActingCodes[]
    = { CMD_PLAY, CMD_STOP, CMD_PAUSE, CMD_OPEN, CMD_SEEK_ABS, CMD_VOLUME, CMD_SET_ACTIVE };
constexpr std::int32_t kCommandCodes[]
    = { CMD_PLAY, CMD_STOP, CMD_PAUSE, CMD_OPEN, CMD_SEEK_ABS, CMD_UNUSED_12, CMD_VOLUME, CMD_SET_ACTIVE };
constexpr std::int32_t kIdleCodes[] = { 0, 1, 2, 6, 7, 8, 9, 12, 14, 15, 17, 99, 255, 256 + CMD_PLAY,
    0x10000 + CMD_OPEN, -CMD_PLAY, -1, INT_MIN, INT_MAX };
constexpr std::int32_t kWildValues[] = { 0, 1, -1, 2, 100, 101, 1000, -100, 0x7fff, 0x8000, 0xffff, 0x10000,
    INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1 };

void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return { text.begin(), text.end() };
}

template <std::size_t N> std::int32_t Pick(std::mt19937_64& random, const std::int32_t (&values)[N])
{
    return values[random() % N];
}

} // namespace

CMutator::CMutator(std::uint64_t seed)
    : m_Random(seed)
{
}

bool CMutator::IsActingCode(std::int32_t code)
{
    return std::find(std::begin(kActingCodes), std::end(kActingCodes), code) != std::end(kActingCodes);
}

std::int32_t CMutator::AnyInt32()
{
    return m_Random() % 2 == 0 ? Pick(m_Random, kWildValues) : static_cast<std::int32_t>(m_Random());
}

std::int32_t CMutator::HostilePlayer()
{
    static constexpr std::int32_t kPlayers[] = { -1, 2, 3, 0x100, 0x10000, INT_MIN, INT_MAX, -2 };
    if (m_Random() % 10 < 7)
        return static_cast<std::int32_t>(m_Random() % 2);
    return m_Random() % 2 == 0 ? Pick(m_Random, kPlayers) : static_cast<std::int32_t>(m_Random());
}

std::vector<std::uint8_t> CMutator::RandomDatagram()
{
    std::vector<std::uint8_t> bytes(m_Random() % 2001);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(m_Random());
    // One in 2^32 would be a real command: spoil its magic.
    if (bytes.size() == kCommandSize && CheckCommand(bytes) == CommandCheck::Accepted)
        bytes[0] ^= 0xff;
    return bytes;
}

std::vector<std::uint8_t> CMutator::Command(
    std::int32_t player, std::int32_t code, std::int32_t value, const std::vector<std::uint8_t>& text)
{
    const RemotePackets::Command command { player, code, value, {} };
    const auto encoded = EncodeCommand(command);
    std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
    // Written here, not by the encoder: the text may fill the field with no NUL.
    std::copy_n(text.begin(), std::min(text.size(), kCommandTextSize), bytes.begin() + kCommandTextOffset);
    return bytes;
}

void CMutator::Mutate(std::vector<std::uint8_t>& bytes)
{
    const int rounds = 1 + static_cast<int>(m_Random() % 16);
    for (int r = 0; r < rounds; ++r) {
        // Never the magic: these datagrams are about what lies behind it.
        const std::size_t at = 4 + m_Random() % (bytes.size() - 4);
        switch (m_Random() % 5) {
        case 0:
            bytes[at] = static_cast<std::uint8_t>(m_Random());
            break;
        case 1:
            bytes[at] ^= static_cast<std::uint8_t>(1u << (m_Random() % 8));
            break;
        case 2: {
            const std::size_t aligned = std::min<std::size_t>(at & ~std::size_t { 3 }, bytes.size() - 4);
            PutInt32(bytes, std::max<std::size_t>(aligned, 4), AnyInt32());
            break;
        }
        case 3: { // a run of one value, e.g. a text field without its NUL
            const std::size_t length = std::min<std::size_t>(1 + m_Random() % 600, bytes.size() - at);
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), length,
                static_cast<std::uint8_t>(m_Random() % 3 == 0 ? 0xff : m_Random()));
            break;
        }
        default: // a run of random bytes
            for (std::size_t i = at, n = std::min<std::size_t>(at + m_Random() % 64, bytes.size()); i < n;
                 ++i)
                bytes[i] = static_cast<std::uint8_t>(m_Random());
            break;
        }
    }
}

std::vector<std::uint8_t> CMutator::MagicDatagram()
{
    auto bytes = Command(static_cast<std::int32_t>(m_Random() % 2), Pick(m_Random, kCommandCodes),
        static_cast<std::int32_t>(m_Random() % 1000), Bytes(m_Random() % 2 == 0 ? ":1" : "/media/clip.avi"));
    Mutate(bytes);
    const std::int32_t code = ReadInt32(bytes, kCommandCodeOffset);
    if (IsActingCode(code))
        PutInt32(bytes, kCommandCodeOffset, Pick(m_Random, kIdleCodes));
    return bytes;
}

std::vector<std::uint8_t> CMutator::HostileText()
{
    std::vector<std::uint8_t> text;
    switch (m_Random() % 4) {
    case 0: { // garbage, often filling the whole field with no NUL
        text.resize(m_Random() % 2 == 0 ? kCommandTextSize : 1 + m_Random() % kCommandTextSize);
        for (auto& b : text)
            b = static_cast<std::uint8_t>(1 + m_Random() % 255);
        break;
    }
    case 1:
        text = Bytes(
            ":" + std::to_string(static_cast<std::int64_t>(AnyInt32()) * (m_Random() % 2 == 0 ? 1 : 1000)));
        break;
    case 2:
        text = Bytes(std::string(m_Random() % 8, ':') + std::to_string(m_Random() % 10)
            + std::string(m_Random() % 8, ':'));
        break;
    default: { // a path that does not exist
        std::string path = "/nonexistent";
        for (std::uint64_t n = m_Random() % 40; n > 0; --n)
            path += static_cast<char>("abc/.%: \\"[m_Random() % 9]);
        text = Bytes(path);
        break;
    }
    }
    return text;
}

std::vector<std::uint8_t> CMutator::HostileCommand(std::uint64_t index)
{
    struct Fixed
    {
        std::int32_t player;
        std::int32_t code;
        std::int32_t value;
        const char* text;
    };
    static const Fixed kFixed[] = {
        { -1, CMD_PLAY, 0, "" },
        { 2, CMD_STOP, 0, "" },
        { INT_MIN, CMD_PAUSE, 0, "" },
        { INT_MAX, CMD_SET_ACTIVE, 0, "" },
        { -1, CMD_OPEN, 0, ":1" },
        { 2, CMD_SEEK_ABS, 1000, "" },
        { INT_MIN, CMD_VOLUME, 50, "" },
        { 0, CMD_SEEK_ABS, -1, "" },
        { 0, CMD_SEEK_ABS, INT_MIN, "" },
        { 1, CMD_SEEK_ABS, INT_MAX, "" },
        { 0, CMD_VOLUME, -1, "" },
        { 0, CMD_VOLUME, INT_MIN, "" },
        { 1, CMD_VOLUME, INT_MAX, "" },
        { 0, CMD_VOLUME, 101, "" },
        { 1, CMD_VOLUME, -100, "" },
        { 0, CMD_OPEN, 0, ":0" },
        { 1, CMD_OPEN, 0, ":-1" },
        { 0, CMD_OPEN, 0, ":" },
        { 1, CMD_OPEN, 0, "::" },
        { 0, CMD_OPEN, 0, ":4" },
        { 1, CMD_OPEN, 0, ":99999999999999999999999" },
        { 0, CMD_OPEN, 0, ": 3" },
        { 1, CMD_OPEN, 0, ":3abc" },
        { 0, CMD_OPEN, 0, "   " },
        { 1, CMD_OPEN, 0, "" },
        { 0, CMD_OPEN, 0, "/" },
        { 1, CMD_OPEN, 0, "/dev/null" },
        { 0, CMD_OPEN, 0, "%s%s%s%n%n" },
        { 1, CMD_OPEN, 0, "../../../../../../etc/passwd" },
        { 0, CMD_OPEN, 0, "file:///nonexistent.avi" },
        { 1, CMD_OPEN, 0, "nosuchscheme://x" },
        { 0, CMD_OPEN, 0, "\xff\xfe\x80 bad utf-8 \xc3" },
    };
    if (index < std::size(kFixed)) {
        const Fixed& f = kFixed[index];
        return Command(f.player, f.code, f.value, Bytes(f.text));
    }
    if (index == std::size(kFixed)) // every byte of the field set, no NUL
        return Command(0, CMD_OPEN, 0, std::vector<std::uint8_t>(kCommandTextSize, 'x'));
    const std::int32_t code = Pick(m_Random, kCommandCodes);
    return Command(
        HostilePlayer(), code, AnyInt32(), code == CMD_OPEN ? HostileText() : std::vector<std::uint8_t> {});
}
