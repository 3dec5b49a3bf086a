#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Which cues of a wall are new, per leader (its IPv4 address). A leader sends
// each cue several times and repeats its latest one; a member acts on each
// sequence number once. Numbers compare in serial-number arithmetic, so the
// count may wrap around and a cue that comes late, after a newer one, is
// stale rather than new. Invariant: at most kLeaders leaders are remembered;
// the one heard from longest ago makes room for a new one.
class CSyncSeqGate
{
public:
    enum Verdict { VERDICT_NEW, VERDICT_REPEAT, VERDICT_STALE };
    static constexpr std::size_t kLeaders = 8;

    // Remembers `seq` as the latest of `leader` when it is new.
    Verdict Check(uint32_t leader, uint32_t seq);
    // The latest number taken from `leader`; false when none is known.
    bool Latest(uint32_t leader, uint32_t& seq) const;
    // A leader that started again (its clock jumped) numbers anew.
    void Forget(uint32_t leader);

private:
    struct Entry
    {
        uint32_t leader = 0;
        uint32_t seq = 0;
        uint64_t used = 0; // 0: free
    };
    std::array<Entry, kLeaders> m_Entries {};
    uint64_t m_Uses = 0;
};
