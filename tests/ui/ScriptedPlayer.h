#pragma once

#include "core/Messages.h"
#include "playback/BasePlayer.h"

#include <deque>
#include <string>

// A player that plays nothing: a medium opens when its path does not contain
// "broken", lasts kDuration ms, and its transport changes only the state.
class ScriptedPlayer : public CBasePlayer
{
public:
    static constexpr uint32_t kDuration = 10000;

    bool Init(CMessageTarget* owner) override
    {
        m_pOwner = owner;
        return true;
    }
    void Close() override { m_Graph = GRAPH_NONE; }
    void Run() override
    {
        if (m_Graph == GRAPH_OPEN)
            m_State = STATE_RUNNING;
    }
    void Pause() override
    {
        if (m_Graph == GRAPH_OPEN)
            m_State = STATE_PAUSED;
    }
    void Stop() override
    {
        m_State = STATE_STOPPED;
        m_Position = 0;
    }
    void SetPosition(uint32_t ms) override { m_Position = ms; }
    uint32_t GetDuration() override { return m_Graph == GRAPH_OPEN ? kDuration : 0; }
    uint32_t GetPosition() override { return m_Position; }
    int32_t GetPlayState() override { return m_State; }
    int32_t GetGraphState() override { return m_Graph; }
    std::string GetTitle() override { return m_Title; }
    std::string GetFileName() override { return m_Path; }
    std::string GetShortName() override { return m_Title; }
    bool SetMute(bool mute) override
    {
        muted = mute;
        return true;
    }
    void SetVolume(int32_t value) override { volume = value; }
    bool OpenMedia(const std::string& path) override
    {
        ++opens;
        if (refuseOpens || path.find("broken") != std::string::npos) {
            // Like a real player: the previous medium is closed first.
            m_Graph = GRAPH_NONE;
            m_State = STATE_STOPPED;
            m_Position = 0;
            return false;
        }
        m_Path = path;
        m_Title = path.substr(path.find_last_of('/') + 1);
        m_Graph = GRAPH_OPEN;
        m_State = STATE_STOPPED;
        m_Position = 0;
        return true;
    }
    int32_t GetEvent(int32_t& code, int32_t& param1, int32_t& param2) override
    {
        if (events.empty())
            return -1;
        code = events.front();
        events.pop_front();
        param1 = param2 = 0;
        return 0;
    }

    // Simulates the end of the medium: queues the completion and notifies.
    void Complete()
    {
        events.push_back(EC_COMPLETE);
        m_pOwner->SendMessage(WM_GRAPHNOTIFY, 0, 0);
    }

    // Simulates an error of the graph during playback.
    void Fail()
    {
        events.push_back(EC_ERRORABORT);
        m_pOwner->SendMessage(WM_GRAPHNOTIFY, 0, 0);
    }

    std::deque<int32_t> events;
    int32_t volume = 0;
    bool muted = false;
    bool refuseOpens = false; // every open fails, whatever the path
    int opens = 0;

private:
    CMessageTarget* m_pOwner = nullptr;
    std::string m_Path;
    std::string m_Title;
    int32_t m_Graph = GRAPH_NONE;
    int32_t m_State = STATE_STOPPED;
    uint32_t m_Position = 0;
};
