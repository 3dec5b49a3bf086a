// A wall's players on the group clock their factory hands them.
#include "PlayerFixture.h"

#include "playback/GroupClock.h"
#include "playback/PlayerFactory.h"

#include <gst/check/gsttestclock.h>

namespace {

using namespace std::chrono_literals;
using MediaFixtures::WaitFor;

class MPlayerGroupClockTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { MediaFixtures::UseFakeSinks(); }

    void SetUp() override
    {
        media = &MediaFixtures::Get();
        ASSERT_TRUE(media->ok) << media->error;
    }

    std::unique_ptr<CBasePlayer> Open(std::shared_ptr<CGroupClock> clock)
    {
        auto player = CreateMediaPlayer(nullptr, std::move(clock));
        EXPECT_TRUE(player->Init(&owner));
        EXPECT_TRUE(player->OpenMedia(media->video));
        return player;
    }

    LogCapture log;
    RecordingTarget owner;
    const MediaFixtures::Set* media = nullptr;
};

// Both players of one factory run on its clock and follow it to a new one; a
// standalone player keeps its own. The new clock stands still, so a graph
// that was moved stands still while the standalone one plays on.
TEST_F(MPlayerGroupClockTest, AMoveReachesEveryLivePlayerOfTheFactoryOnly)
{
    GstPtr<GstClock> system(gst_system_clock_obtain());
    auto group = std::make_shared<CGroupClock>(system.get());
    auto first = Open(group);
    auto second = Open(group);
    auto standalone = Open(nullptr);
    ASSERT_FALSE(HasFailure());
    // Gone before the move: the move must not reach it.
    Open(group).reset();

    const uint64_t at = gst_clock_get_time(system.get()) + CMPlayer::kJoinMarginNs;
    EXPECT_TRUE(first->RunAt(at, 0));
    EXPECT_TRUE(second->RunAt(at, 0));
    // Without a group clock a scheduled run is a plain one, at once.
    EXPECT_FALSE(standalone->RunAt(at, 0));
    EXPECT_EQ(standalone->GetPlayState(), CBasePlayer::STATE_RUNNING);
    ASSERT_TRUE(WaitFor([&] { return first->GetPosition() >= 100 && second->GetPosition() >= 100; }, 10s));

    GstPtr<GstClock> still(gst_test_clock_new());
    group->Move(still.get(), 0);
    EXPECT_EQ(group->Clock(), still.get());
    // Time the standalone player plays for: the moved ones first settle where
    // the move put them, then stay there.
    const auto playFor = [&](uint32_t ms) {
        const uint32_t from = standalone->GetPosition();
        return WaitFor([&] { return standalone->GetPosition() >= from + ms; }, 10s);
    };
    ASSERT_TRUE(playFor(300));
    const uint32_t firstAt = first->GetPosition();
    const uint32_t secondAt = second->GetPosition();
    ASSERT_TRUE(playFor(300));
    EXPECT_NEAR(first->GetPosition(), firstAt, 40);
    EXPECT_NEAR(second->GetPosition(), secondAt, 40);
    EXPECT_EQ(first->GetPlayState(), CBasePlayer::STATE_RUNNING);
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
}

} // namespace
