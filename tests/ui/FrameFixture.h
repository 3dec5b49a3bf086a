#pragma once

#include "control/ShowControllers.h"
#include "core/Preferences.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/RemotePackets.h"
#include "show/ShowEngine.h"
#include "support/LogCapture.h"
#include "support/ScriptedUi.h"
#include "ui/MainFrame.h"
#include "ui/VideoView.h"

#include <QUdpSocket>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class FakePlayer;

// Makes scripted players; engine hooks whose runtime check passes.
std::function<std::unique_ptr<CBasePlayer>()> FakePlayers();
CShowEngine::Hooks ScriptedHooks();

// A main frame with scripted players over an engine and its controllers, the
// status packets going to a loopback socket of the test, the command socket on
// a free port.
class FrameFixture : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A playlist of n entries "clipK.mp4" (K from 1) in the working folder.
    void LoadPlaylist(int n);
    FakePlayer& Player(int i);

    // Text lines received so far (waits up to 2 s for at least `count`).
    std::vector<std::string> Texts(size_t count = 0);
    bool WaitForText(const std::string& text);
    // The newest status packet (waits up to 2 s for one).
    std::optional<RemotePackets::StatusRecord> NextStatus();
    void DrainPackets();
    // Sends a command packet to the frame's command port and waits until the
    // frame has taken it (a failure when it never does).
    void SendCommand(int32_t code, int32_t player, int32_t value = 0, const std::string& text = {});
    // The show command numbered msg, as the window's controllers send it; a
    // player beyond int stays out of range.
    ShowReply Command(unsigned msg, WPARAM player, LPARAM value = 0, const std::string& text = {});

    LogCapture m_Log;
    ScriptedUi m_Ui;
    std::unique_ptr<CPreferences> m_pPrefs;
    std::unique_ptr<QUdpSocket> m_pListener;
    std::unique_ptr<CServices> m_pServices;
    std::unique_ptr<CPlaylistCtrl> m_pPlaylist;
    std::unique_ptr<CShowEngine> m_pEngine;
    std::unique_ptr<CShowControllers> m_pControllers;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::vector<std::string> m_Texts;
    std::vector<RemotePackets::StatusRecord> m_Statuses;
};
