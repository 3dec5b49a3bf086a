#pragma once

#include "core/Preferences.h"
#include "core/Profile.h"
#include "core/Services.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowEngine.h"
#include "support/FakePlayer.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// A show engine with two scripted players ("A" and "B", noting their calls in
// one journal) and a playlist of its own that was never initialised (no
// start-up rules, no files). The hooks note what would end the process, and
// every event the engine emits is recorded.
class ShowEngineFixture : public testing::Test
{
protected:
    struct Event
    {
        ShowEventKind kind;
        int player;
        int64_t value;
        friend bool operator==(const Event&, const Event&) = default;
        friend std::ostream& operator<<(std::ostream& out, const Event& e)
        {
            return out << "{kind " << static_cast<int>(e.kind) << ", player " << e.player << ", value "
                       << e.value << "}";
        }
    };

    void SetUp() override
    {
        WriteProfileInt("Video", "ZoomLevel", 0);
        // Titles that differ from the file names, so that the engine is seen to ask the player.
        m_script->media["/media/a.mp4"] = { "title of /media/a.mp4", 60000 };
        m_script->media["/media/b.mp4"] = { "title of /media/b.mp4", 60000 };
    }
    void TearDown() override { ReleaseEngine(); }

    CServices Services()
    {
        return CServices { m_prefs, nullptr,
            [this]() -> std::unique_ptr<CBasePlayer> {
                const bool first = !m_players[0];
                auto player = std::make_unique<FakePlayer>(m_script, first ? "A" : "B");
                player->initOk = first ? m_initOk[0] : m_initOk[1];
                player->videoWidth = 640;
                player->videoHeight = 360;
                m_players[first ? 0 : 1] = player.get();
                return player;
            },
            {} };
    }

    // A new engine in place of the last one, started unless told otherwise.
    void MakeEngine(bool start = true)
    {
        ReleaseEngine();
        m_playlist = std::make_unique<CPlaylistCtrl>(Services(), nullptr);
        m_engine = std::make_unique<CShowEngine>(Services(), *m_playlist);
        CShowEngine::Hooks hooks;
        hooks.checkRuntime = [this] { return m_runtimeOk; };
        hooks.fatalMessageBox = [this](const std::string& text, const std::string& caption) {
            m_boxes.push_back(caption + "|" + text);
        };
        hooks.exitProcess = [this](int code) { m_exitCodes.push_back(code); };
        m_engine->SetHooks(std::move(hooks));
        m_engine->Subscribe([this](const ShowEvent& event) { m_events.push_back(event); });
        if (start)
            m_engine->Start();
        m_events.clear();
        m_journal.clear();
    }
    void ReleaseEngine()
    {
        m_engine.reset();
        m_playlist.reset();
        m_players[0] = m_players[1] = nullptr;
    }

    ShowReply Do(ShowCommandId id, int player = -1, int64_t value = 0, std::string text = {})
    {
        return m_engine->Execute(ShowCommand { id, player, value, std::move(text) });
    }
    void OpenBoth()
    {
        ASSERT_TRUE(Do(ShowCommandId::Open, 0, 0, "/media/a.mp4"));
        ASSERT_TRUE(Do(ShowCommandId::Open, 1, 0, "/media/b.mp4"));
        ASSERT_TRUE(m_engine->IsOpen(0) && m_engine->IsOpen(1));
        m_events.clear();
        m_journal.clear();
    }

    FakePlayer& A() { return *m_players[0]; }
    FakePlayer& B() { return *m_players[1]; }
    bool Journal(const std::string& call) const
    {
        return std::find(m_journal.begin(), m_journal.end(), call) != m_journal.end();
    }
    int JournalCount(const std::string& call) const
    {
        return static_cast<int>(std::count(m_journal.begin(), m_journal.end(), call));
    }
    // The recorded events of these kinds, in order.
    std::vector<Event> Events(std::initializer_list<ShowEventKind> kinds) const
    {
        std::vector<Event> events;
        for (const ShowEvent& e : m_events)
            if (std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end())
                events.push_back({ e.kind, e.player, e.value });
        return events;
    }
    // What the show did to the players: opens, play states and cuts.
    std::vector<Event> ShowEvents() const
    {
        return Events({ ShowEventKind::Opened, ShowEventKind::State, ShowEventKind::Active });
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const ShowEvent& e : m_events)
            if (e.kind == ShowEventKind::Text)
                texts.push_back(e.text);
        return texts;
    }

    LogCapture m_log;
    CPreferences m_prefs { CPreferences::Defaults {} };
    std::shared_ptr<FakePlayer::Script> m_script = std::make_shared<FakePlayer::Script>();
    std::vector<std::string>& m_journal = m_script->calls;
    FakePlayer* m_players[2] = { nullptr, nullptr };
    bool m_initOk[2] = { true, true };
    bool m_runtimeOk = true;
    std::vector<std::string> m_boxes;
    std::vector<int> m_exitCodes;
    std::vector<ShowEvent> m_events;
    std::unique_ptr<CPlaylistCtrl> m_playlist;
    std::unique_ptr<CShowEngine> m_engine;
};
