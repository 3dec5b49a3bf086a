#pragma once

#include "core/Preferences.h"
#include "core/Profile.h"
#include "playlist/PlaylistCtrl.h"
#include "support/RecordingTarget.h"

#include "PlaylistTestUtil.h"
#include "ScriptedPlayer.h"

#include <QFile>

#include <gtest/gtest.h>

// A playlist control on a clean settings store and start folder, with a scripted
// probe player, a recording owner and preferences that load nothing at start-up.
class PlaylistFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(QString::fromStdString(ProfilePath()));
        QFile::remove(QStringLiteral("LastPLS.dat"));
        m_previousPrefs = g_pPreferences;
        g_pPreferences = &prefs;
        prefs.m_bReloadPlaylist = false;
    }
    void TearDown() override
    {
        ctrl.reset();
        g_pPreferences = m_previousPrefs;
        QFile::remove(QString::fromStdString(ProfilePath()));
        QFile::remove(QStringLiteral("LastPLS.dat"));
    }

    CPlaylistCtrl& Start()
    {
        ctrl = std::make_unique<CPlaylistCtrl>(std::make_unique<ScriptedPlayer>(script));
        ctrl->Init(&owner);
        return *ctrl;
    }

    // Starts a control and adds n media files "0.mp3".. with titles and lengths.
    CPlaylistCtrl& StartWith(int n)
    {
        Start();
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

    static RecordingTarget::Message Load(LPARAM play) { return { WM_CMD_LOAD_TRACK, 0, play }; }

    CPreferences prefs { CPreferences::Defaults {} };
    std::shared_ptr<ScriptedPlayer::Script> script = std::make_shared<ScriptedPlayer::Script>();
    RecordingTarget owner;
    TempFolder media;
    std::unique_ptr<CPlaylistCtrl> ctrl;

private:
    CPreferences* m_previousPrefs = nullptr;
};
