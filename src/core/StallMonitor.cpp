#include "core/StallMonitor.h"

#include "core/ParseNumber.h"

#include <QDateTime>
#include <QTimerEvent>

#include <cstdlib>
#include <cstring>

CStallMonitor::CStallMonitor(int thresholdMs, std::FILE* out)
    : m_ThresholdMs(thresholdMs)
    , m_pOut(out)
{
    // Counted from now: a monitor made before the event loop runs reports the
    // start-up itself as the first stall.
    m_SinceTick.start();
    m_TimerId = startTimer(kTickMs, Qt::PreciseTimer);
}

CStallMonitor::~CStallMonitor()
{
    if (m_TimerId != 0)
        killTimer(m_TimerId);
    std::fprintf(m_pOut, "stall-monitor: worst %lld ms in %d stalls\n", static_cast<long long>(m_WorstMs),
        m_StallCount);
    std::fflush(m_pOut);
}

std::unique_ptr<CStallMonitor> CStallMonitor::FromEnvironment()
{
    const char* value = std::getenv(kEnvironment);
    if (!value || !*value)
        return nullptr;
    const auto threshold = ParseNumber<int>(value);
    if (!threshold || *threshold < 1 || *threshold > 60000) {
        std::fprintf(
            stderr, "stall-monitor: %s wants milliseconds (1..60000), not '%s'\n", kEnvironment, value);
        return nullptr;
    }
    return std::make_unique<CStallMonitor>(*threshold, stderr);
}

void CStallMonitor::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_TimerId)
        return;
    const int64_t late = m_SinceTick.restart() - kTickMs;
    if (late < m_ThresholdMs)
        return;
    ++m_StallCount;
    if (late > m_WorstMs)
        m_WorstMs = late;
    std::fprintf(m_pOut, "stall-monitor: blocked %lld ms until %lld\n", static_cast<long long>(late),
        static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(m_pOut);
}
