#pragma once

#include "playback/BasePlayer.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// A probe player with scripted answers: files in `media` open with their title
// and duration, every other file fails to open. Calls are recorded in a log that
// outlives the player (the playlist control owns the player).
class ScriptedPlayer : public CBasePlayer
{
public:
    struct Media
    {
        std::string title;
        uint32_t durationMs = 0;
    };
    struct Script
    {
        std::map<std::string, Media> media;
        std::vector<std::string> calls; // "Init", "Open <path>", "Close"
    };

    explicit ScriptedPlayer(std::shared_ptr<Script> script)
        : m_script(std::move(script))
    {
    }

    bool Init(CMessageTarget*) override
    {
        m_script->calls.push_back("Init");
        return true;
    }
    bool OpenMedia(const std::string& path) override
    {
        m_script->calls.push_back("Open " + path);
        const auto it = m_script->media.find(path);
        m_open = it != m_script->media.end() ? &it->second : nullptr;
        return m_open != nullptr;
    }
    void Close() override
    {
        m_script->calls.push_back("Close");
        m_open = nullptr;
    }
    std::string GetTitle() override { return m_open ? m_open->title : std::string(); }
    uint32_t GetDuration() override { return m_open ? m_open->durationMs : 0; }

private:
    std::shared_ptr<Script> m_script;
    const Media* m_open = nullptr;
};
