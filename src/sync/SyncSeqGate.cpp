#include "sync/SyncSeqGate.h"

#include "sync/SyncCue.h"

CSyncSeqGate::Verdict CSyncSeqGate::Check(uint32_t leader, uint32_t seq)
{
    Entry* oldest = &m_Entries[0];
    for (Entry& entry : m_Entries) {
        if (entry.used != 0 && entry.leader == leader) {
            entry.used = ++m_Uses;
            if (entry.seq == seq)
                return VERDICT_REPEAT;
            if (!CSyncCue::SeqNewer(seq, entry.seq))
                return VERDICT_STALE;
            entry.seq = seq;
            return VERDICT_NEW;
        }
        if (entry.used < oldest->used)
            oldest = &entry;
    }
    *oldest = Entry { leader, seq, ++m_Uses };
    return VERDICT_NEW;
}

bool CSyncSeqGate::Latest(uint32_t leader, uint32_t& seq) const
{
    for (const Entry& entry : m_Entries)
        if (entry.used != 0 && entry.leader == leader) {
            seq = entry.seq;
            return true;
        }
    return false;
}

void CSyncSeqGate::Forget(uint32_t leader)
{
    for (Entry& entry : m_Entries)
        if (entry.used != 0 && entry.leader == leader)
            entry = Entry {};
}
