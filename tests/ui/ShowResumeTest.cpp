#include "FrameFixture.h"

#include "control/ShowResume.h"
#include "core/ResumeFile.h"
#include "playlist/PlaylistCtrl.h"
#include "support/FakePlayer.h"
#include "support/WaitFor.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;

// The stamp of the whole state on disk: it changes with every rewrite of it.
uint64_t Stamp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const auto state = CResumeState::Parse(text.str());
    return state ? state->stamp : 0;
}

// While a show plays unchanged only the small record is written, once a
// second; the playlist is rewritten when it changes, and a pause is written at
// once. Each step waits for its writes, so none can hide in a coalesced one.
TEST_F(FrameFixture, ResumeWritesThePlaylistOnChangeAndThePositionOncePerSecond)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Zuvio.resume")).toStdString();
    LoadPlaylist(3);
    CShowResume resume(*m_pEngine, *m_pControllers, path);
    ASSERT_TRUE(m_pFrame->Engine().Execute(
        { ShowCommandId::Open, PLAYER_A, 0, m_pFrame->GetPlaylist()->GetPathAt(1) }));
    m_pFrame->Engine().Execute({ ShowCommandId::Run, PLAYER_A });
    FakePlayer& a = Player(PLAYER_A);
    ASSERT_EQ(a.play, CBasePlayer::STATE_RUNNING);

    const auto start = CShowResume::Clock::now();
    resume.Tick(start);
    ASSERT_TRUE(WaitFor([&] { return resume.GetWrites() == 2; })); // the state and its record
    const uint64_t first = Stamp(path);
    ASSERT_NE(first, 0u);
    for (int tick = 1; tick <= 25; ++tick) {
        a.position = static_cast<uint32_t>(tick * 100);
        resume.Tick(start + tick * 100ms);
        const int expected = 2 + tick / 10; // one record per second
        ASSERT_TRUE(WaitFor([&] { return resume.GetWrites() == expected; }))
            << tick << ": " << resume.GetWrites();
    }
    EXPECT_EQ(Stamp(path), first);
    EXPECT_EQ(CResumeFile(path).Load()->players[0].positionMs, 2000u);

    a.play = CBasePlayer::STATE_PAUSED;
    resume.Tick(start + 2600ms);
    ASSERT_TRUE(WaitFor([&] { return resume.GetWrites() == 5; }));
    EXPECT_EQ(CResumeFile(path).Load()->players[0].state, CBasePlayer::STATE_PAUSED);
    EXPECT_EQ(Stamp(path), first);

    m_pFrame->GetPlaylist()->RemoveRow(2);
    resume.Tick(start + 4s);
    ASSERT_TRUE(WaitFor([&] { return resume.GetWrites() == 7; }));
    EXPECT_NE(Stamp(path), first);
    const auto state = CResumeFile(path).Load();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->rows.size(), 2u);
    EXPECT_EQ(state->players[0].positionMs, 2500u);
    resume.Finish();
    EXPECT_FALSE(std::filesystem::exists(path + ".pos"));
}

} // namespace
