// One door: each show command, sent through every controller that can say it
// (the binary protocol, OSC, DMX, the window), reaches the same executor and
// leaves the show in the same state with the same text line or refusal.
#include "FrameFixture.h"
#include "support/FakePlayer.h"
#include "support/OscBytes.h"

#include "dmx/DmxControl.h"
#include "osc/OscServer.h"
#include "ui/CommandIds.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace RemotePackets;

enum Door { kBinary, kOsc, kDmx, kWindow, kDoors };
const char* const kDoorNames[] = { "binary", "osc", "dmx", "window" };

class OneDoor;
using Send = std::function<void(OneDoor&)>;

// What the show looks like after the command.
struct Expect
{
    int active = PLAYER_A;
    int stateA = CBasePlayer::STATE_STOPPED;
    int stateB = CBasePlayer::STATE_STOPPED;
    int volume = 0; // hundredths of a dB
    bool fullscreen = false;
    const char* text = nullptr; // a line the controllers hear
    const char* log = nullptr; // a refusal's log line
};

struct Row
{
    const char* name;
    int a; // Player A: 0 holds nothing, 1 holds entry 1, 2 also runs it
    bool cueB; // Player B holds entry 2, hidden
    bool openBLate; // Player B opens on the worker: the command comes before its open ends
    int32_t volumeBefore;
    std::array<Send, kDoors> by; // empty: the door cannot say it
    Expect expect;
};

class OneDoor : public FrameFixture, public testing::WithParamInterface<std::pair<int, Door>>
{
public:
    using FrameFixture::SendCommand;
    bool Take() { return m_pFrame->TakeHidden(); }
    void Osc(const Bytes& bytes) { m_pControllers->Osc()->HandleDatagram(bytes, 0x7f000001, 40000); }
    // The desk's four channels, held for two frames after a baseline of zeros.
    void Dmx(std::vector<std::uint8_t> values)
    {
        CDmxControl& dmx = *m_pControllers->Dmx();
        std::vector<std::uint8_t> frame(512, 0);
        dmx.OnFrame(frame);
        dmx.OnFrame(frame);
        std::copy(values.begin(), values.end(), frame.begin());
        dmx.OnFrame(frame);
        dmx.OnFrame(frame);
    }
    void Window(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        m_pFrame->SendMessage(msg, wParam, lParam);
    }
    void Menu(int id) { ASSERT_TRUE(m_pFrame->RunCommand(id)); }
};

Bytes OpenAndTake()
{
    LoMessagePtr open(lo_message_new());
    lo_message_add_string(open.get(), ":2");
    LoMessagePtr take(lo_message_new());
    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    lo_bundle_add_message(bundle, "/zuvio/b/open", open.get());
    lo_bundle_add_message(bundle, "/zuvio/take", take.get());
    std::size_t size = 0;
    void* data = lo_bundle_serialise(bundle, nullptr, &size);
    Bytes bytes(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
    std::free(data);
    // The bundle frees its messages and the paths it copied.
    open.release();
    take.release();
    lo_bundle_free_recursive(bundle);
    return bytes;
}

constexpr int kRunning = CBasePlayer::STATE_RUNNING;
constexpr int kPaused = CBasePlayer::STATE_PAUSED;
constexpr int kStopped = CBasePlayer::STATE_STOPPED;

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        { "play", 1, false, false, 0,
            { [](OneDoor& t) { t.SendCommand(CMD_PLAY, 0); }, [](OneDoor& t) { t.Osc(Osc("/zuvio/a/play")); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 20 });
                },
                [](OneDoor& t) { t.Window(WM_CMD_PLAY); } },
            { PLAYER_A, kRunning, kStopped, 0, false, "Player A: Playback started.\n" } },
        { "pause", 2, false, false, 0,
            { [](OneDoor& t) { t.SendCommand(CMD_PAUSE, 0); },
                [](OneDoor& t) { t.Osc(Osc("/zuvio/a/pause")); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 60 });
                },
                [](OneDoor& t) { t.Window(WM_CMD_PAUSE); } },
            { PLAYER_A, kPaused, kStopped, 0, false, "Player A: Playback paused.\n" } },
        { "stop", 2, false, false, 0,
            { [](OneDoor& t) { t.SendCommand(CMD_STOP, 0); }, [](OneDoor& t) { t.Osc(Osc("/zuvio/a/stop")); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 90 });
                },
                [](OneDoor& t) { t.Menu(CommandId::Stop); } },
            { PLAYER_A, kStopped, kStopped, 0, false, "Player A: Playback stopped.\n" } },
        { "cut", 2, true, false, 0,
            { [](OneDoor& t) { t.SendCommand(CMD_SET_ACTIVE, 1); },
                [](OneDoor& t) { t.Osc(Osc("/zuvio/cut/b")); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 190 });
                },
                [](OneDoor& t) { t.Menu(CommandId::PlayerB); } },
            { PLAYER_B, kPaused, kStopped, 0, false, "Player A: Playback paused.\n" } },
        { "take", 2, true, false, 0,
            { Send {}, [](OneDoor& t) { t.Osc(Osc("/zuvio/take")); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 120 });
                },
                [](OneDoor& t) { EXPECT_TRUE(t.Take()); } },
            { PLAYER_B, kPaused, kRunning, 0, false, "Player B: Playback started.\n" } },
        // The open's end comes after the take: the take waits for it, as a play does.
        { "take right after an open", 2, false, true, 0,
            { Send {}, [](OneDoor& t) { t.Osc(OpenAndTake()); },
                [](OneDoor& t) {
                    t.Dmx({ 2, 120 });
                },
                Send {} },
            { PLAYER_B, kPaused, kRunning, 0, false, "Player B: Playback started.\n" } },
        { "take with nothing cued", 2, false, false, 0,
            { Send {}, [](OneDoor& t) { t.Osc(Osc("/zuvio/take")); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 120 });
                },
                [](OneDoor& t) { EXPECT_FALSE(t.Take()); } },
            { PLAYER_A, kRunning, kStopped, 0, false, nullptr,
                "TakeHidden(): Player B has no medium open." } },
        { "open into the hidden player", 0, false, false, 0,
            { [](OneDoor& t) { t.SendCommand(CMD_OPEN, 1, 0, ":2"); },
                [](OneDoor& t) { t.Osc(Osc("/zuvio/b/open", "s", ":2")); }, [](OneDoor& t) { t.Dmx({ 2 }); },
                Send {} },
            { PLAYER_A, kStopped, kStopped, 0, false,
                "Player B: Opening Stream ( clip2.mp4 ) successful.\n" } },
        { "full level", 0, false, false, -1500,
            { [](OneDoor& t) { t.SendCommand(CMD_VOLUME, 0, 100); },
                [](OneDoor& t) { t.Osc(Osc("/zuvio/a/volume/db", "f", 0.0f)); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 0, 255 });
                },
                [](OneDoor& t) { t.Window(WM_CMD_SLIDER, SLIDER_VOLUME_ID, 3000); } },
            { PLAYER_A, kStopped, kStopped, 0, false, "Player A: Volume set to 100%.\n" } },
        { "full screen", 0, false, false, 0,
            { Send {}, [](OneDoor& t) { t.Osc(Osc("/zuvio/fullscreen", "i", 1)); },
                [](OneDoor& t) {
                    t.Dmx({ 0, 0, 0, 255 });
                },
                [](OneDoor& t) { t.Menu(CommandId::Fullscreen); } },
            { PLAYER_A, kStopped, kStopped, 0, true } },
    };
    return rows;
}

std::vector<std::pair<int, Door>> Cases()
{
    std::vector<std::pair<int, Door>> cases;
    for (size_t row = 0; row < Rows().size(); ++row)
        for (int door = 0; door < kDoors; ++door)
            if (Rows()[row].by[static_cast<size_t>(door)])
                cases.emplace_back(static_cast<int>(row), static_cast<Door>(door));
    return cases;
}

std::string CaseName(const testing::TestParamInfo<std::pair<int, Door>>& info)
{
    std::string name = std::string(Rows()[static_cast<size_t>(info.param.first)].name) + "_by_"
        + kDoorNames[info.param.second];
    for (char& c : name)
        if (c == ' ')
            c = '_';
    return name;
}

} // namespace

TEST_P(OneDoor, EveryControllerHasTheSameEffect)
{
    const Row& row = Rows()[static_cast<size_t>(GetParam().first)];
    CShowEngine& engine = *m_pEngine;
    LoadPlaylist(2);
    m_pControllers->Osc()->Start({ true, 0, "127.0.0.1", {} });
    m_pControllers->Dmx()->Start({ CDmxControl::Source::Off, 1, 1 });
    if (row.a >= 1) {
        ASSERT_TRUE(engine.Execute({ ShowCommandId::Open, PLAYER_A, 0, ":1" }));
    }
    if (row.a == 2) {
        ASSERT_TRUE(engine.Execute({ ShowCommandId::Run, PLAYER_A }));
    }
    if (row.cueB) {
        ASSERT_TRUE(engine.Execute({ ShowCommandId::Open, PLAYER_B, 0, ":2" }));
    }
    if (row.openBLate)
        Player(PLAYER_B).asyncOpen = true;
    if (row.volumeBefore != 0)
        engine.Execute({ ShowCommandId::VolumeDb, PLAYER_A, row.volumeBefore });
    std::vector<std::string> texts;
    engine.Subscribe([&texts](const ShowEvent& event) {
        if (event.kind == ShowEventKind::Text)
            texts.push_back(event.text);
    });

    row.by[static_cast<size_t>(GetParam().second)](*this);
    if (row.openBLate) {
        ASSERT_EQ(Player(PLAYER_B).GetGraphState(), CBasePlayer::GRAPH_OPENING);
        Player(PLAYER_B).EndOpen();
    }

    const Expect& expect = row.expect;
    EXPECT_EQ(engine.GetActivePlayer(), expect.active);
    EXPECT_EQ(Player(PLAYER_A).GetPlayState(), expect.stateA);
    EXPECT_EQ(Player(PLAYER_B).GetPlayState(), expect.stateB);
    EXPECT_EQ(engine.GetVolume(), expect.volume);
    EXPECT_EQ(engine.IsFullscreen(), expect.fullscreen);
    if (expect.text) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), expect.text), texts.end()) << expect.text;
    }
    if (expect.log) {
        EXPECT_TRUE(m_Log.Contains(expect.log)) << expect.log;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, OneDoor, testing::ValuesIn(Cases()), CaseName);
