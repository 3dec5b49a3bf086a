#pragma once

#include "playback/MediaProber.h"

#include <chrono>
#include <memory>
#include <thread>

class QObject;

// Probes on a worker thread of its own: a few graphs (CProbeGraph, each kept
// from file to file) read files side by side, each bounded by its own time-out. Files that are not readable,
// non-empty regular files never reach GStreamer (opening a FIFO without a writer would never return).
//
// Destroying the prober drops what is queued, stops the files being read and
// joins the worker, waiting at most kExitWait: a worker stuck in a call that
// does not return (a share that hangs) is left behind with the state it
// shares. Answers not yet delivered are dropped.
class CGraphProber : public CMediaProber
{
public:
    static constexpr int kParallel = 3;
    static constexpr std::chrono::milliseconds kBound { 5000 };
    static constexpr std::chrono::milliseconds kExitWait { 2000 };

    explicit CGraphProber(int parallel = kParallel, std::chrono::milliseconds bound = kBound);
    ~CGraphProber() override;
    CGraphProber(const CGraphProber&) = delete;
    CGraphProber& operator=(const CGraphProber&) = delete;

    void SetHandler(Handler handler) override;
    void Probe(int32_t id, const std::string& path) override;
    void CancelAll() override;
    int GetPending() const override;

private:
    struct CCore; // what the worker shares, kept alive by it for as long as it runs

    std::shared_ptr<CCore> m_pCore;
    std::unique_ptr<QObject> m_pReceiver; // lives on the owner's thread; answers are posted to it
    std::thread m_Worker;
};
