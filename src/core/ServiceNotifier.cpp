#include "core/ServiceNotifier.h"

#include "core/Log.h"

#ifdef ZUVIO_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

#include <cstdlib>
#include <thread>

CServiceNotifier::CServiceNotifier()
{
    if (const char* hang = std::getenv("ZUVIO_TEST_HANG_AFTER_S"); hang && *hang)
        m_HangAt = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(hang));
#ifdef ZUVIO_HAVE_SYSTEMD
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0)
        m_WatchdogUs = usec;
#endif
}

void CServiceNotifier::Tick()
{
    if (m_HangAt != std::chrono::steady_clock::time_point {}
        && std::chrono::steady_clock::now() >= m_HangAt) {
        LogMessage("Service: blocking the interface thread (test hook).\n");
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
#ifdef ZUVIO_HAVE_SYSTEMD
    const auto now = std::chrono::steady_clock::now();
    if (!m_bReady) {
        m_bReady = true;
        m_LastPing = now;
        if (sd_notify(0, "READY=1\nSTATUS=Playing the show.") > 0)
            LogMessage("Service: ready%s.\n", m_WatchdogUs ? ", watchdog on" : "");
        return;
    }
    if (m_WatchdogUs != 0 && now - m_LastPing >= std::chrono::microseconds(m_WatchdogUs / 4)) {
        m_LastPing = now;
        sd_notify(0, "WATCHDOG=1");
    }
#endif
}
