#pragma once

#include "playback/GstPtr.h"

#include <gst/gst.h>

#include <cstdint>
#include <vector>

class CMPlayer;

// A synchronised wall's clock as its players see it: the clock every graph
// made from now on runs on, and the players that use it, so that a new clock
// reaches every graph at once. The application makes one for a wall and its
// player factory hands it to each player; a standalone player has none.
//
// Invariant: m_Players holds exactly the live players made with this clock
// (each adds itself when made and removes itself when destroyed). Everything
// runs on the interface thread.
class CGroupClock
{
public:
    // Null: the wall's clock is not known yet (a leader given by name is being looked up).
    explicit CGroupClock(GstClock* clock = nullptr);
    CGroupClock(const CGroupClock&) = delete;
    CGroupClock& operator=(const CGroupClock&) = delete;

    GstClock* Clock() const { return m_pClock.get(); }
    // A new clock (its leader's time jumped, or its name resolved): from now
    // on, and every graph of every player moves onto it keeping its place in
    // the medium; a stream that has run longer than the new clock starts its
    // running time again where it stands.
    // `jumpNs`: how far its time stands from the old one's (0: read both clocks).
    void Move(GstClock* clock, int64_t jumpNs);

    void Add(CMPlayer* player);
    void Remove(CMPlayer* player);

private:
    GstPtr<GstClock> m_pClock;
    std::vector<CMPlayer*> m_Players;
};
