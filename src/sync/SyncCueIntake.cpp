#include "sync/SyncCueIntake.h"

#include "core/Log.h"

#include <algorithm>
#include <cinttypes>
#include <string>

namespace {

std::string Dotted(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "."
        + std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

} // namespace

bool CSyncCueIntake::FirstTime(std::vector<uint64_t>& seen, uint64_t key)
{
    if (std::find(seen.begin(), seen.end(), key) != seen.end())
        return false;
    if (seen.size() >= kMaxLogged)
        seen.erase(seen.begin());
    seen.push_back(key);
    return true;
}

void CSyncCueIntake::Refused(CSyncCue::Refusal refusal, uint32_t sender)
{
    if (refusal != CSyncCue::NOT_A_CUE && FirstTime(m_LoggedRefusals, uint64_t { sender } << 8 | refusal))
        LogError(
            "Sync: refused a cue from %s: %s.\n", Dotted(sender).c_str(), CSyncCue::RefusalText(refusal));
}

void CSyncCueIntake::FollowEpoch(uint32_t leader, uint32_t epoch)
{
    if (epoch == m_Epoch)
        return;
    m_Epoch = epoch;
    // A leader whose time jumped has restarted and numbers its cues anew; the
    // cues held for the clock are already its own, and still taken once.
    m_Gate.Forget(leader);
    for (const Entry& held : m_Held)
        m_Gate.Check(leader, held.cue.seq);
}

void CSyncCueIntake::Take(
    const CSyncCue& cue, bool state, uint32_t sender, uint32_t leader, uint32_t epoch, int64_t nowMs)
{
    // A leader given by name is known once resolved; its repeats bring the cue again.
    if (leader == 0)
        return;
    if (sender != leader) {
        // Another wall's leader, or a forger: not ours.
        if (FirstTime(m_LoggedSenders, sender))
            LogError("Sync: ignored a cue from %s: the leader is %s.\n", Dotted(sender).c_str(),
                Dotted(leader).c_str());
        return;
    }
    FollowEpoch(leader, epoch);
    uint32_t latest = 0;
    const bool known = m_Gate.Latest(leader, latest);
    switch (m_Gate.Check(leader, cue.seq)) {
    case CSyncSeqGate::VERDICT_REPEAT:
        return;
    case CSyncSeqGate::VERDICT_STALE:
        if (known && FirstTime(m_LoggedStale, uint64_t { leader } << 32 | latest))
            LogError("Sync: ignored cue %" PRIu32 " from %s: older than cue %" PRIu32
                     " (a late duplicate).\n",
                cue.seq, Dotted(sender).c_str(), latest);
        return;
    case CSyncSeqGate::VERDICT_NEW:
        break;
    }
    if (m_Held.size() >= kMaxHeld) {
        LogError(
            "Sync: too many cues wait for the clock; cue %" PRIu32 " is dropped.\n", m_Held.front().cue.seq);
        m_Held.pop_front();
    }
    m_Held.push_back(Entry { cue, state, nowMs });
}

std::vector<CSyncCue> CSyncCueIntake::Ready(
    bool locked, uint64_t groupNow, uint32_t leader, uint32_t epoch, int64_t nowMs)
{
    std::vector<CSyncCue> ready;
    if (leader != 0)
        FollowEpoch(leader, epoch);
    while (!m_Held.empty()) {
        const Entry& held = m_Held.front();
        if (!locked) {
            if (!m_bHoldLogged)
                LogMessage("Sync: cue %" PRIu32 " waits until the clock has locked.\n", held.cue.seq);
            m_bHoldLogged = true;
            break;
        }
        if (!held.state && held.cue.groupTime + kMismatchNs < groupNow
            && nowMs - held.since < kMismatchHoldMs) {
            if (!m_bHoldLogged)
                LogMessage("Sync: cue %" PRIu32 " is due %" PRIu64
                           " s ago by this clock; it waits for the clock to follow the leader.\n",
                    held.cue.seq, (groupNow - held.cue.groupTime) / 1'000'000'000);
            m_bHoldLogged = true;
            break;
        }
        CSyncCue cue = held.cue;
        m_Held.pop_front();
        m_bHoldLogged = false;
        if (cue.groupTime > groupNow + kMaxDelayNs) {
            LogError("Sync: cue %" PRIu32 " is due in %" PRIu64 " s, more than %d s ahead; taken in %d s.\n",
                cue.seq, (cue.groupTime - groupNow) / 1'000'000'000,
                static_cast<int>(kMaxDelayNs / 1'000'000'000), static_cast<int>(kMaxDelayNs / 1'000'000'000));
            cue.groupTime = groupNow + kMaxDelayNs;
        }
        ready.push_back(cue);
    }
    return ready;
}
