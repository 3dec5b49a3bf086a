#pragma once

#include "core/Preferences.h"
#include "core/Profile.h"
#include "core/Services.h"
#include "playlist/PlaylistCtrl.h"
#include "support/RecordingTarget.h"
#include "support/ScriptedUi.h"

#include "PlaylistTestUtil.h"
#include "support/FakePlayer.h"
#include "support/FakeProber.h"

#include <QFile>

#include <gtest/gtest.h>

// A playlist control on a clean settings store and start folder, with a scripted
// prober, a recording owner and preferences that load nothing at start-up.
class PlaylistFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(QString::fromStdString(ProfilePath()));
        QFile::remove(QStringLiteral("LastPLS.dat"));
        prefs.m_bReloadPlaylist = false;
        script->onlyListed = true; // the probe opens only the media a test lists
    }
    void TearDown() override
    {
        ctrl.reset();
        QFile::remove(QString::fromStdString(ProfilePath()));
        QFile::remove(QStringLiteral("LastPLS.dat"));
    }

    // pUi: the user interface the control gets (null: none; &ui: the scripted one).
    CPlaylistCtrl& Start(CUiServices* pUi = nullptr)
    {
        auto fake = std::make_unique<FakeProber>(script);
        prober = fake.get();
        ctrl = std::make_unique<CPlaylistCtrl>(Services(pUi), std::move(fake));
        ctrl->Init(&owner);
        return *ctrl;
    }

    // Starts a control and adds n media files "0.mp3".. with titles and lengths.
    CPlaylistCtrl& StartWith(int n, CUiServices* pUi = nullptr)
    {
        Start(pUi);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(ctrl->AddEntry(
                media.Make(std::to_string(i) + ".mp3"), -1, "T" + std::to_string(i), " 0:00:10"));
        owner.messages.clear();
        return *ctrl;
    }

    std::vector<std::string> Paths() const
    {
        std::vector<std::string> paths;
        for (int i = 0; i < ctrl->GetRowCount(); ++i)
            paths.push_back(ctrl->GetPathAt(i));
        return paths;
    }

    CServices Services(CUiServices* pUi = nullptr) { return CServices { prefs, pUi, {}, {} }; }

    static RecordingTarget::Message Load(LPARAM play) { return { WM_CMD_LOAD_TRACK, 0, play }; }

    CPreferences prefs { CPreferences::Defaults {} };
    std::shared_ptr<FakePlayer::Script> script = std::make_shared<FakePlayer::Script>();
    RecordingTarget owner;
    TempFolder media;
    ScriptedUi ui; // outlives the control, which may still use it when it goes
    std::unique_ptr<CPlaylistCtrl> ctrl;
    FakeProber* prober = nullptr; // owned by ctrl
};
