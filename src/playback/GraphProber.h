#pragma once

#include "playback/MediaProber.h"

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QObject;
typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;

// Probes on a worker thread of its own: a few graphs (CProbeGraph, each kept
// from file to file) read files side by side, each bounded by its own time-out. Files that are not readable,
// non-empty regular files never reach GStreamer (opening a FIFO without a writer would never return).
//
// Destroying the prober drops what is queued, stops the files being read and
// joins the worker; answers not yet delivered are dropped.
class CGraphProber : public CMediaProber
{
public:
    static constexpr int kParallel = 3;
    static constexpr std::chrono::milliseconds kBound { 5000 };

    explicit CGraphProber(int parallel = kParallel, std::chrono::milliseconds bound = kBound);
    ~CGraphProber() override;
    CGraphProber(const CGraphProber&) = delete;
    CGraphProber& operator=(const CGraphProber&) = delete;

    void SetHandler(Handler handler) override { m_Handler = std::move(handler); }
    void Probe(int32_t id, const std::string& path) override;
    void CancelAll() override;
    int GetPending() const override;

private:
    struct CJob
    {
        int32_t id = 0;
        std::string path;
        uint64_t generation = 0;
    };
    struct CSlot;

    void Run(); // the worker thread
    void Wake();
    void Feed(); // worker: gives idle graphs the next queued files
    void Deliver(const CJob& job, const CProbeAnswer& answer); // any thread: queued to the owner
    static int OnWake(void* self);

    const int m_Parallel;
    const std::chrono::milliseconds m_Bound;
    Handler m_Handler;
    std::unique_ptr<QObject> m_pReceiver; // lives on the owner's thread; answers are posted to it

    mutable std::mutex m_Mutex;
    std::deque<CJob> m_Queue;
    uint64_t m_Generation = 0; // raised by CancelAll: older jobs are dropped
    int m_Pending = 0;
    bool m_bStopping = false;

    GMainContext* m_pContext = nullptr; // the worker's; owned
    GMainLoop* m_pLoop = nullptr; // owned
    std::vector<std::unique_ptr<CSlot>> m_Slots; // worker only
    std::thread m_Worker;
};
