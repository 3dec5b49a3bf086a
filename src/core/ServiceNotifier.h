#pragma once

#include <chrono>
#include <cstdint>

// Tells systemd how the player is doing when it runs as a service of type
// notify: ready once the interface thread turns, and a watchdog ping from that
// thread's timer, so a blocked interface thread is killed and restarted.
// Without NOTIFY_SOCKET (started by hand) every call does nothing.
class CServiceNotifier
{
public:
    CServiceNotifier();

    // From the interface thread's timer: READY=1 the first time, then a
    // watchdog ping at most every quarter of the watchdog time.
    void Tick();
    bool IsWatchdogEnabled() const { return m_WatchdogUs != 0; }

private:
    bool m_bReady = false;
    // Test hook (ZUVIO_TEST_HANG_AFTER_S): the interface thread blocks for good
    // that long after start, as a hung graph call would.
    std::chrono::steady_clock::time_point m_HangAt {};
    std::uint64_t m_WatchdogUs = 0;
    std::chrono::steady_clock::time_point m_LastPing {};
};
