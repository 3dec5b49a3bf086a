#pragma once

#include "playback/MediaProber.h"
#include "support/FakePlayer.h"

#include <deque>
#include <memory>
#include <string>
#include <utility>

// The prober of the tests: it takes its answers from a FakePlayer script (what a
// player would open) and gives them only when the test says so, as the real one
// does later, from the event loop. Notes "Probe <path>" in the script's calls.
class FakeProber : public CMediaProber
{
public:
    explicit FakeProber(std::shared_ptr<FakePlayer::Script> script)
        : m_script(std::move(script))
    {
    }

    void SetHandler(Handler handler) override { m_handler = std::move(handler); }
    void Probe(int32_t id, const std::string& path) override
    {
        m_script->calls.push_back("Probe " + path);
        m_pending.emplace_back(id, path);
    }
    void CancelAll() override { m_pending.clear(); }
    int GetPending() const override { return static_cast<int>(m_pending.size()); }

    // Answers the oldest probe of path (every pending one with an empty path);
    // returns how many were answered.
    int Answer(const std::string& path = {})
    {
        int answered = 0;
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (!path.empty() && it->second != path) {
                ++it;
                continue;
            }
            const auto [id, file] = *it;
            it = m_pending.erase(it);
            ++answered;
            if (m_handler)
                m_handler(id, AnswerFor(file));
            if (!path.empty())
                break;
        }
        return answered;
    }

private:
    CProbeAnswer AnswerFor(const std::string& path) const
    {
        CProbeAnswer answer;
        const std::string name = path.substr(path.find_last_of('/') + 1);
        const auto listed = m_script->media.find(path);
        if (listed != m_script->media.end()) {
            answer = { true, listed->second.title, listed->second.durationMs, true, {} };
        } else if (m_script->onlyListed || path.find("broken") != std::string::npos) {
            answer.m_Title = name;
            answer.m_Error = "The medium cannot be played: " + name;
        } else {
            answer = { true, name, FakePlayer::kDuration, true, {} };
        }
        return answer;
    }

    std::shared_ptr<FakePlayer::Script> m_script;
    Handler m_handler;
    std::deque<std::pair<int32_t, std::string>> m_pending;
};
