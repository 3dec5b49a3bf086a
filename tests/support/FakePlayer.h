#pragma once

#include "core/Messages.h"
#include "playback/BasePlayer.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The player of every test that needs one: it plays nothing but keeps the
// states a real player would (a failed open or a close leaves no medium, a stop
// rewinds), notes its calls, and is configured through its public fields and a
// script it shares with the test (the component under test owns the player and
// may delete it before the test looks).
class FakePlayer : public CBasePlayer
{
public:
    static constexpr uint32_t kDuration = 10000;

    struct Medium
    {
        std::string title;
        uint32_t durationMs = 0;
    };
    struct Script
    {
        // Media that open with their own title and length. With onlyListed every
        // other path fails to open (a probe's view of the disk); otherwise any path
        // opens unless it contains "broken", titled by its file name, kDuration long.
        std::map<std::string, Medium> media;
        bool onlyListed = false;
        // Every call but the queries, in order: "Init", "Open <path>", "Run", ...,
        // "deleted"; prefixed "<name>:" for a named player.
        std::vector<std::string> calls;
    };

    explicit FakePlayer(std::shared_ptr<Script> script = std::make_shared<Script>(), std::string name = {})
        : m_script(std::move(script))
        , m_name(std::move(name))
    {
    }
    ~FakePlayer() override { Record("deleted"); }

    bool Init(CMessageTarget* o) override
    {
        Record("Init");
        owner = o;
        return initOk;
    }
    bool OpenMedia(const std::string& path) override
    {
        Record("Open " + path);
        ++opens;
        if (asyncOpen) {
            // As a real player: the previous medium is gone while the new one opens.
            pendingPath = path;
            graph = GRAPH_OPENING;
            play = STATE_STOPPED;
            position = 0;
            return true;
        }
        return Settle(path);
    }
    // Ends the pending asynchronous open as the synchronous one would have
    // ended, and announces it.
    void EndOpen()
    {
        m_openResult = Settle(pendingPath) ? 1 : 0;
        pendingPath.clear();
        Announce(EC_OPEN_COMPLETE);
    }
    bool Settle(const std::string& path)
    {
        const auto listed = m_script->media.find(path);
        const bool known = listed != m_script->media.end();
        if (!openOk || (!known && (m_script->onlyListed || path.find("broken") != std::string::npos))) {
            // Like a real player: the previous medium is gone.
            graph = GRAPH_NONE;
            play = STATE_STOPPED;
            position = 0;
            return false;
        }
        fileName = path;
        title = known ? listed->second.title : path.substr(path.find_last_of('/') + 1);
        duration = known ? listed->second.durationMs : kDuration;
        graph = GRAPH_OPEN;
        play = STATE_STOPPED;
        position = 0;
        return true;
    }
    void Close() override
    {
        Record("Close");
        pendingPath.clear();
        graph = GRAPH_NONE;
        play = STATE_STOPPED;
        position = 0;
    }
    void Run() override
    {
        Record("Run");
        if (graph == GRAPH_OPEN)
            play = STATE_RUNNING;
    }
    void Pause() override
    {
        Record("Pause");
        if (graph == GRAPH_OPEN)
            play = STATE_PAUSED;
    }
    void Stop() override
    {
        Record("Stop");
        play = STATE_STOPPED;
        position = 0;
    }
    void SetPosition(uint32_t ms) override
    {
        Record("SetPosition(" + std::to_string(ms) + ")");
        position = ms;
    }
    uint32_t GetDuration() override { return graph == GRAPH_OPEN ? duration : 0; }
    uint32_t GetPosition() override { return position; }
    void SetOwner(WindowHandle parent) override
    {
        Record("SetOwner");
        ownerWindow = parent;
    }
    void Show(bool show) override
    {
        Record(show ? "Show(1)" : "Show(0)");
        m_bShown = show;
    }
    void SetVideoRect(const CRect& r) override
    {
        Record("SetVideoRect(" + Text(r) + ")");
        rect = r;
    }
    int32_t GetPlayState() override { return play; }
    int32_t GetGraphState() override { return graph; }
    int32_t GetVideoWidth() override { return videoWidth; }
    int32_t GetVideoHeight() override { return videoHeight; }
    CRect GetVideoRect() override { return rect; }
    std::string GetTitle() override { return title; }
    std::string GetFileName() override { return fileName; }
    std::string GetShortName() override { return title; }
    int32_t GetEvent(int32_t& code, int32_t& param1, int32_t& param2) override
    {
        param1 = param2 = 0;
        if (events.empty()) {
            code = 0;
            return -1;
        }
        code = events.front();
        events.pop_front();
        if (code == EC_OPEN_COMPLETE)
            param1 = m_openResult;
        return 0;
    }
    void SetMessageDrain(WindowHandle d) override { drain = d; }
    bool SetMute(bool mute) override
    {
        Record(mute ? "SetMute(1)" : "SetMute(0)");
        muted = mute;
        return true;
    }
    void SetVolume(int32_t v) override
    {
        Record("SetVolume(" + std::to_string(v) + ")");
        volume = v;
    }

    // The end of the medium, or an error of the graph during playback: the event
    // is queued and the owner notified, as the player's event source does.
    void Complete() { Announce(EC_COMPLETE); }
    void Fail() { Announce(EC_ERRORABORT); }

    bool IsShown() const { return m_bShown; }
    static std::string Text(const CRect& r)
    {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + ","
            + std::to_string(r.bottom);
    }

    // Configuration.
    bool initOk = true;
    bool openOk = true; // false: every open fails, whatever the path
    int32_t videoWidth = 1; // as a player that reports no picture size
    int32_t videoHeight = 1;
    std::deque<int32_t> events; // what GetEvent returns, in order
    bool asyncOpen = false; // opens stay GRAPH_OPENING until EndOpen

    // State, readable and settable by tests.
    int32_t graph = GRAPH_NONE;
    int32_t play = STATE_STOPPED;
    uint32_t duration = 0; // of the open medium
    uint32_t position = 0;
    std::string fileName, title;
    CMessageTarget* owner = nullptr;
    WindowHandle ownerWindow = 0;
    WindowHandle drain = 0;
    CRect rect;
    bool muted = false;
    int32_t volume = 1;
    int opens = 0;
    std::string pendingPath;

private:
    void Record(const std::string& call)
    {
        m_script->calls.push_back(m_name.empty() ? call : m_name + ":" + call);
    }
    void Announce(int32_t event)
    {
        events.push_back(event);
        owner->SendMessage(WM_GRAPHNOTIFY, 0, 0);
    }

    int32_t m_openResult = 0;
    std::shared_ptr<Script> m_script;
    std::string m_name;
};
