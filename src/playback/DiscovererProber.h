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

// Probes with GStreamer's discoverer on a worker thread of its own: a few
// discoverers work side by side, each file bounded by its own time-out. Files
// that are not readable, non-empty regular files never reach GStreamer (opening
// a FIFO without a writer would never return).
//
// Destroying the prober drops what is queued, lets the files being read finish
// (each within the bound; GStreamer cannot stop a discoverer mid-file safely)
// and joins the worker; answers not yet delivered are dropped.
class CDiscovererProber : public CMediaProber
{
public:
    static constexpr int kParallel = 3;
    static constexpr std::chrono::milliseconds kBound { 5000 };

    explicit CDiscovererProber(int parallel = kParallel, std::chrono::milliseconds bound = kBound);
    ~CDiscovererProber() override;
    CDiscovererProber(const CDiscovererProber&) = delete;
    CDiscovererProber& operator=(const CDiscovererProber&) = delete;

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
    void Feed(); // worker: gives idle discoverers the next queued files
    void Finish(CSlot& slot, CProbeAnswer answer); // worker
    void Deliver(const CJob& job, const CProbeAnswer& answer); // any thread: queued to the owner
    static int OnWake(void* self);
    static void OnDiscovered(void* discoverer, void* info, void* error, void* slot);

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
