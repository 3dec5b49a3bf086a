#pragma once

#include "playback/BasePlayer.h"

#include <deque>
#include <string>
#include <vector>

// A player for the video view's tests: it keeps the states a real player
// would, records every call in a journal shared by both players ("A:Run"),
// and can be told to fail Init or OpenMedia and to queue graph events.
class ScriptedPlayer : public CBasePlayer
{
public:
    ScriptedPlayer(std::string name, std::vector<std::string>& journal) : m_name(std::move(name)), m_journal(journal) {}
    ~ScriptedPlayer() override { Record("deleted"); }

    bool Init(CMessageTarget* o) override
    {
        Record("Init");
        owner = o;
        return initOk;
    }
    void Close() override
    {
        Record("Close");
        graph = GRAPH_NONE;
        play = STATE_STOPPED;
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
        if (graph == GRAPH_OPEN)
            play = STATE_STOPPED;
    }
    void SetPosition(uint32_t ms) override { Record("SetPosition(" + std::to_string(ms) + ")"); }
    uint32_t GetDuration() override { return graph == GRAPH_OPEN ? duration : 0; }
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
    int32_t GetEvent(int32_t& code, int32_t& param1, int32_t& param2) override
    {
        param1 = param2 = 0;
        if (events.empty()) {
            code = 0;
            return -1;
        }
        code = events.front();
        events.pop_front();
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
    bool OpenMedia(const std::string& path) override
    {
        Record("OpenMedia");
        if (!openOk) {
            graph = GRAPH_NONE;
            return false;
        }
        graph = GRAPH_OPEN;
        play = STATE_STOPPED;
        fileName = path;
        title = "title of " + path;
        return true;
    }

    bool IsShown() const { return m_bShown; }
    static std::string Text(const CRect& r)
    {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    }

    bool initOk = true;
    bool openOk = true;
    int32_t graph = GRAPH_NONE;
    int32_t play = STATE_STOPPED;
    uint32_t duration = 60000;
    int32_t videoWidth = 640;
    int32_t videoHeight = 360;
    std::deque<int32_t> events;
    CMessageTarget* owner = nullptr;
    WindowHandle ownerWindow = 0;
    WindowHandle drain = 0;
    CRect rect;
    bool muted = false;
    int32_t volume = 1;
    std::string fileName, title;

private:
    void Record(const std::string& call) { m_journal.push_back(m_name + ":" + call); }

    std::string m_name;
    std::vector<std::string>& m_journal;
};
