// The personality as a desk drives it, and the messages its cues become.
#include "dmx/DmxPersonality.h"
#include "dmx/DmxControl.h"

#include "support/RecordingTarget.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <vector>

namespace {

using Action = CDmxPersonality::Action;
using Kind = Action::Kind;
using Control = CDmxPersonality::Control;

// A universe with channels from the start address set, the rest zero.
std::vector<std::uint8_t> Frame(int address, std::vector<std::uint8_t> values, size_t size = 512)
{
    std::vector<std::uint8_t> frame(size, 0);
    for (size_t i = 0; i < values.size() && address - 1 + i < size; ++i)
        frame[address - 1 + i] = values[i];
    return frame;
}

// Feeds each frame `repeat` times; every action in order.
std::vector<Action> Feed(
    CDmxPersonality& p, const std::vector<std::vector<std::uint8_t>>& frames, int repeat = 2)
{
    std::vector<Action> all;
    for (const auto& frame : frames)
        for (int i = 0; i < repeat; ++i)
            for (const Action& a : p.Feed(frame))
                all.push_back(a);
    return all;
}

TEST(DmxPersonalityTest, ActsOncePerChangeThatHeldTwoFramesAndNeverOnWhereTheDeskStands)
{
    CDmxPersonality p;
    p.SetStartAddress(10);
    // Start-up: a desk already at play, level 200, full screen on fires nothing.
    EXPECT_TRUE(Feed(p, { Frame(10, { 3, 20, 200, 255 }) }, 5).empty());
    // One frame of a new value is not enough; the second acts, later ones do not.
    EXPECT_TRUE(p.Feed(Frame(10, { 4, 20, 200, 255 })).empty());
    EXPECT_EQ(p.Feed(Frame(10, { 4, 20, 200, 255 })), (std::vector<Action> { { Kind::Clip, 4 } }));
    EXPECT_TRUE(Feed(p, { Frame(10, { 4, 20, 200, 255 }) }, 10).empty());
    // Within a band nothing happens; into another band once; idle and clip 0 are no cues.
    EXPECT_TRUE(Feed(p, { Frame(10, { 4, 40, 200, 255 }) }).empty());
    EXPECT_EQ(Feed(p, { Frame(10, { 0, 120, 0, 0 }) }),
        (std::vector<Action> {
            { Kind::Control, int(Control::Take) }, { Kind::Level, 0 }, { Kind::FullScreen, 0 } }));
    EXPECT_TRUE(Feed(p, { Frame(10, { 0, 0, 0, 100 }) }).empty());
    EXPECT_EQ(Feed(p, { Frame(10, { 0, 20, 0, 100 }) }),
        (std::vector<Action> { { Kind::Control, int(Control::Play) } }));

    // Flicker: a value that never holds two frames never acts, however long.
    std::vector<Action> flicker;
    for (int i = 0; i < 200; ++i)
        for (const Action& a : p.Feed(Frame(
                 10, { std::uint8_t(i % 2 ? 1 : 2), std::uint8_t(i % 2 ? 90 : 60), std::uint8_t(i), 0 })))
            flicker.push_back(a);
    EXPECT_TRUE(flicker.empty());

    // A source that comes back: its first values are a baseline again.
    p.Reset();
    EXPECT_TRUE(Feed(p, { Frame(10, { 7, 90, 50, 200 }) }).empty());
    EXPECT_EQ(Feed(p, { Frame(10, { 7, 150, 50, 200 }) }),
        (std::vector<Action> { { Kind::Control, int(Control::CutA) } }));
}

TEST(DmxPersonalityTest, BandsShortUniversesAndAnAddressNearTheEnd)
{
    const std::vector<std::pair<int, Control>> bands { { 0, Control::Idle }, { 15, Control::Idle },
        { 16, Control::Play }, { 47, Control::Play }, { 48, Control::Pause }, { 80, Control::Stop },
        { 112, Control::Take }, { 144, Control::CutA }, { 176, Control::CutB }, { 207, Control::CutB },
        { 208, Control::Idle }, { 255, Control::Idle } };
    for (const auto& [value, control] : bands)
        EXPECT_EQ(CDmxPersonality::Band(std::uint8_t(value)), control) << value;

    // At 511 only clip and control exist; the rest are past the universe.
    CDmxPersonality end;
    end.SetStartAddress(511);
    Feed(end, { Frame(511, { 0, 0 }) });
    EXPECT_EQ(Feed(end, { Frame(511, { 5, 20 }) }),
        (std::vector<Action> { { Kind::Clip, 5 }, { Kind::Control, int(Control::Play) } }));

    // A universe of 24 channels: a personality at 23 has two of its channels.
    CDmxPersonality shortU;
    shortU.SetStartAddress(23);
    Feed(shortU, { Frame(23, { 0, 0, 0, 0 }, 24) });
    EXPECT_EQ(Feed(shortU, { Frame(23, { 1, 50, 9, 9 }, 24) }),
        (std::vector<Action> { { Kind::Clip, 1 }, { Kind::Control, int(Control::Pause) } }));
    // An empty frame breaks every hold, acts on nothing.
    EXPECT_TRUE(shortU.Feed({}).empty());
    EXPECT_TRUE(shortU.Feed(Frame(23, { 2, 50 }, 24)).empty());
}

constexpr WPARAM kNoPlayer = static_cast<WPARAM>(-1);
constexpr auto kTake = static_cast<unsigned>(ShowCommandId::Take);
constexpr auto kVolumeDb = static_cast<unsigned>(ShowCommandId::VolumeDb);
constexpr auto kFullscreen = static_cast<unsigned>(ShowCommandId::Fullscreen);

TEST(DmxControlTest, CuesBecomeTheCommandsOfTheWindowAndTheNetwork)
{
    RecordingTarget frame;
    std::string opened;
    frame.handler = [&](unsigned msg, WPARAM, LPARAM) {
        if (msg == static_cast<unsigned>(ShowCommandId::Open))
            opened = frame.texts.back();
        return LRESULT { 1 };
    };
    int active = 0;
    CDmxControl control(
        &frame, nullptr, [&] { return active; }, [] { return 3000; });
    control.Start({ CDmxControl::Source::Off, 1, 1 });
    const auto feed = [&](std::vector<std::uint8_t> values) {
        const auto f = Frame(1, values);
        control.OnFrame(f);
        control.OnFrame(f);
    };
    feed({ 0, 0, 255, 0 });
    EXPECT_TRUE(frame.messages.empty());

    feed({ 3, 0, 255, 0 }); // clip 3 into the hidden player
    feed({ 3, 120, 255, 0 }); // take
    active = 1;
    feed({ 3, 90, 128, 255 }); // stop the active player, level, full screen
    feed({ 3, 170, 128, 255 }); // cut to A
    EXPECT_EQ(opened, ":3");
    EXPECT_EQ(frame.messages,
        (std::vector<RecordingTarget::Message> { { WM_NET_OPEN, 1, 0 }, { kTake, kNoPlayer, 0 },
            { WM_NET_STOP, 1, 0 }, { kVolumeDb, 1, 128 * 3000 / 255 - 3000 }, { kFullscreen, kNoPlayer, 1 },
            { WM_NET_SELECT_PLAYER, 0, 0 } }));
}

// Senders refresh unchanged data only now and then (sACN about every second,
// Art-Net as seldom as every 4 s): such a pause is no lost source, and the first
// change after it acts. A pause past the protocol's limit is a lost source, and
// what it shows when it returns is where it stands.
TEST(DmxControlTest, AKeepAlivePauseKeepsTheSourceAndALongerSilenceLosesIt)
{
    using namespace std::chrono_literals;
    RecordingTarget frame;
    CDmxControl control(
        &frame, nullptr, [] { return 0; }, [] { return 3000; });
    const auto t0 = std::chrono::steady_clock::now();
    const auto at = [&](std::chrono::milliseconds offset, std::vector<std::uint8_t> values) {
        const auto f = Frame(1, values);
        control.OnFrame(f, t0 + offset);
        control.OnFrame(f, t0 + offset + 25ms);
    };
    const auto plays = [&] { return frame.Count(WM_NET_PLAY); };
    const auto stops = [&] { return frame.Count(WM_NET_STOP); };

    for (const auto input : { COlaSource::Input::Sacn, COlaSource::Input::ArtNet }) {
        SCOPED_TRACE(COlaSource::InputName(input));
        frame.messages.clear();
        control.Start({ CDmxControl::Source::Off, 1, 1, input });
        const std::chrono::milliseconds refresh = input == COlaSource::Input::Sacn ? 1500ms : 4000ms;
        const std::chrono::milliseconds limit = CDmxControl::SourceTimeout(control.GetSettings());
        EXPECT_EQ(limit, input == COlaSource::Input::Sacn ? 2500ms : 10000ms);
        auto t = 0ms;
        at(t, { 0, 0, 255, 0 }); // where the desk stands
        for (int i = 0; i < 3; ++i)
            at(t += refresh, { 0, 0, 255, 0 });
        at(t += refresh, { 0, 20, 255, 0 });
        EXPECT_EQ(plays(), 1) << "the first change after keep-alive frames";
        at(t += refresh, { 0, 90, 255, 0 });
        EXPECT_EQ(stops(), 1);

        // Gone for longer than the limit: the returning value is no cue.
        at(t += limit + 500ms, { 0, 20, 255, 0 });
        EXPECT_EQ(plays(), 1) << "a returning source set off a cue";
        at(t += 100ms, { 0, 90, 255, 0 });
        EXPECT_EQ(stops(), 2);
    }
}

} // namespace
