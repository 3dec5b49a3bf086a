#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <cstdio>
#include <memory>

// Measures how long the thread it lives on was kept from its event loop. A
// precise timer should fire every kTickMs; a tick that comes later than that by
// at least the threshold is a stall, reported on `out` as one line when it ends
// ("stall-monitor: blocked N ms until T", T in milliseconds since the epoch, so
// a test driving the player from outside can tell which of its steps caused
// it), and the worst is reported when the monitor goes. Opt-in through the
// environment: the player itself never needs it.
class CStallMonitor : public QObject
{
public:
    static constexpr int kTickMs = 10;
    static constexpr const char* kEnvironment = "ZUVIO_STALL_MONITOR";

    CStallMonitor(int thresholdMs, std::FILE* out);
    ~CStallMonitor() override;
    CStallMonitor(const CStallMonitor&) = delete;
    CStallMonitor& operator=(const CStallMonitor&) = delete;

    // A monitor when ZUVIO_STALL_MONITOR holds a threshold in milliseconds
    // (1..60000), writing to stderr; none otherwise.
    static std::unique_ptr<CStallMonitor> FromEnvironment();

    int64_t GetWorstMs() const { return m_WorstMs; }
    int GetStallCount() const { return m_StallCount; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int m_ThresholdMs;
    std::FILE* m_pOut;
    QElapsedTimer m_SinceTick;
    int m_TimerId = 0;
    int64_t m_WorstMs = 0;
    int m_StallCount = 0;
};
