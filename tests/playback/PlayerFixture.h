#pragma once

#include "playback/MPlayer.h"

#include "support/LogCapture.h"
#include "support/MediaFixtures.h"
#include "support/RecordingTarget.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

// A CMPlayer that lets tests see the shown flag.
class TestPlayer : public CMPlayer
{
public:
    using CMPlayer::CMPlayer;
    bool Shown() const { return m_bShown; }
};

// One initialised player on fake sinks, the generated media, a captured logbook
// and a scripted user interface.
class PlayerTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { MediaFixtures::UseFakeSinks(); }

    void SetUp() override
    {
        media = &MediaFixtures::Get();
        ASSERT_TRUE(media->ok) << media->error;
        ASSERT_TRUE(player.Init(&owner));
    }

    // Waits for the position to reach ms within tolerance (positions settle after a seek).
    bool PositionNear(uint32_t ms, uint32_t tolerance = 60)
    {
        return MediaFixtures::WaitFor(
            [&] {
                const uint32_t position = player.GetPosition();
                return position + tolerance >= ms && position <= ms + tolerance;
            },
            std::chrono::seconds(5));
    }

    LogCapture log;
    ScriptedUi ui;
    RecordingTarget owner;
    TestPlayer player { &ui };
    const MediaFixtures::Set* media = nullptr;
};
