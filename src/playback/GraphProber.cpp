#include "playback/GraphProber.h"

#include "playback/GstPtr.h"
#include "playback/Id3Tag.h"
#include "playback/MediaFile.h"
#include "playback/ProbeGraph.h"

#include "core/Log.h"

#include <QObject>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace {

// As the players title a medium: an MP3's ID3v1 artist and title, else the file name.
std::string TitleOf(const std::string& path)
{
    const std::string name = MediaFile::ShortName(path);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && name.compare(dot, std::string::npos, ".mp3") == 0) {
        CId3Tag tag;
        if (tag.Read(path, nullptr) && !tag.m_Artist.empty() && !tag.m_Title.empty())
            return tag.m_Artist + " - " + tag.m_Title;
    }
    return name;
}

CProbeAnswer Failure(const std::string& path, const std::string& reason)
{
    CProbeAnswer answer;
    answer.m_Title = MediaFile::ShortName(path);
    answer.m_Error = reason + ": " + MediaFile::NameForLog(path);
    return answer;
}

} // namespace

struct CGraphProber::CCore
{
    struct CJob
    {
        int32_t id = 0;
        std::string path;
        uint64_t generation = 0;
    };
    struct CSlot
    {
        std::unique_ptr<CProbeGraph> graph;
        CJob job;
    };

    CCore(int parallel, std::chrono::milliseconds bound);
    ~CCore();
    void Run(); // the worker thread
    void Wake();
    void Feed(); // worker: gives idle graphs the next queued files
    void Deliver(const CJob& job, const CProbeAnswer& answer); // any thread: queued to the owner
    static int OnWake(void* self);

    const int m_Parallel;
    const std::chrono::milliseconds m_Bound;
    Handler m_Handler; // the owner's thread only

    mutable std::mutex m_Mutex;
    std::deque<CJob> m_Queue;
    uint64_t m_Generation = 0; // raised by CancelAll: older jobs are dropped
    int m_Pending = 0;
    bool m_bStopping = false;
    QObject* m_pReceiver = nullptr; // null once the prober has gone
    bool m_bFinished = false; // the worker has returned
    std::condition_variable m_Finished;

    GMainContext* m_pContext = nullptr; // the worker's; owned
    GMainLoop* m_pLoop = nullptr; // owned
    std::vector<std::unique_ptr<CSlot>> m_Slots; // worker only
};

CGraphProber::CCore::CCore(int parallel, std::chrono::milliseconds bound)
    : m_Parallel(parallel < 1 ? 1 : parallel)
    , m_Bound(bound)
{
    m_pContext = g_main_context_new();
    m_pLoop = g_main_loop_new(m_pContext, FALSE);
}

CGraphProber::CCore::~CCore()
{
    g_main_loop_unref(m_pLoop);
    g_main_context_unref(m_pContext);
}

CGraphProber::CGraphProber(int parallel, std::chrono::milliseconds bound)
    : m_pReceiver(std::make_unique<QObject>())
{
    GstPtr<GError> error;
    gst_init_check(nullptr, nullptr, error.out());
    m_pCore = std::make_shared<CCore>(parallel, bound);
    m_pCore->m_pReceiver = m_pReceiver.get();
    m_Worker = std::thread([core = m_pCore] {
        core->Run();
        std::lock_guard lock(core->m_Mutex);
        core->m_bFinished = true;
        core->m_Finished.notify_all();
    });
}

CGraphProber::~CGraphProber()
{
    std::unique_lock lock(m_pCore->m_Mutex);
    m_pCore->m_bStopping = true;
    m_pCore->m_Queue.clear();
    m_pCore->m_pReceiver = nullptr; // nothing more is posted to it
    lock.unlock();
    m_pCore->Wake();
    lock.lock();
    if (m_pCore->m_Finished.wait_for(lock, kExitWait, [this] { return m_pCore->m_bFinished; })) {
        lock.unlock();
        m_Worker.join();
    } else {
        lock.unlock();
        LogMessage("CGraphProber: a probe has not returned for %lld ms (a file system that hangs?); its "
                   "thread is left behind.\n",
            static_cast<long long>(kExitWait.count()));
        m_Worker.detach();
    }
    // Answers still posted to the receiver go with it.
    m_pReceiver.reset();
}

void CGraphProber::SetHandler(Handler handler)
{
    m_pCore->m_Handler = std::move(handler);
}

void CGraphProber::Probe(int32_t id, const std::string& path)
{
    {
        std::lock_guard lock(m_pCore->m_Mutex);
        m_pCore->m_Queue.push_back(CCore::CJob { id, path, m_pCore->m_Generation });
        ++m_pCore->m_Pending;
    }
    m_pCore->Wake();
}

void CGraphProber::CancelAll()
{
    {
        std::lock_guard lock(m_pCore->m_Mutex);
        m_pCore->m_Queue.clear();
        ++m_pCore->m_Generation;
        m_pCore->m_Pending = 0;
    }
    m_pCore->Wake();
}

int CGraphProber::GetPending() const
{
    std::lock_guard lock(m_pCore->m_Mutex);
    return m_pCore->m_Pending;
}

void CGraphProber::CCore::Wake()
{
    GSource* source = g_idle_source_new();
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(&CCore::OnWake), this, nullptr);
    g_source_attach(source, m_pContext);
    g_source_unref(source);
}

int CGraphProber::CCore::OnWake(void* self)
{
    auto* core = static_cast<CCore*>(self);
    bool stopping = false;
    {
        std::lock_guard lock(core->m_Mutex);
        stopping = core->m_bStopping;
    }
    if (!stopping) {
        core->Feed();
        return G_SOURCE_REMOVE;
    }
    for (auto& slot : core->m_Slots)
        slot->graph->Abort();
    g_main_loop_quit(core->m_pLoop);
    return G_SOURCE_REMOVE;
}

void CGraphProber::CCore::Run()
{
    g_main_context_push_thread_default(m_pContext);
    for (int i = 0; i < m_Parallel; ++i) {
        auto slot = std::make_unique<CSlot>();
        slot->graph = std::make_unique<CProbeGraph>(m_pContext, m_Bound);
        m_Slots.push_back(std::move(slot));
    }
    Feed();
    g_main_loop_run(m_pLoop);
    m_Slots.clear();
    g_main_context_pop_thread_default(m_pContext);
}

void CGraphProber::CCore::Feed()
{
    for (auto& slot : m_Slots) {
        while (!slot->graph->IsBusy()) {
            CJob job;
            {
                std::lock_guard lock(m_Mutex);
                if (m_bStopping || m_Queue.empty())
                    return;
                job = std::move(m_Queue.front());
                m_Queue.pop_front();
            }
            if (std::string problem = MediaFile::Check(job.path); !problem.empty()) {
                Deliver(job, Failure(job.path, problem));
                continue;
            }
            slot->job = std::move(job);
            CSlot* current = slot.get();
            const bool started
                = slot->graph->Start(slot->job.path, [this, current](const CProbeAnswer& read) {
                      CProbeAnswer answer = read;
                      if (answer.m_bOk)
                          answer.m_Title = TitleOf(current->job.path);
                      Deliver(current->job, answer);
                      // Not from inside the graph's own callback: it is still finishing.
                      Wake();
                  });
            if (!started)
                Deliver(slot->job, Failure(slot->job.path, "The medium cannot be played"));
        }
    }
}

void CGraphProber::CCore::Deliver(const CJob& job, const CProbeAnswer& answer)
{
    std::lock_guard lock(m_Mutex);
    if (!m_pReceiver)
        return; // the prober has gone
    // Runs only while the receiver lives, and so the prober and this core.
    QMetaObject::invokeMethod(
        m_pReceiver,
        [this, job, answer] {
            {
                std::lock_guard inner(m_Mutex);
                if (job.generation != m_Generation)
                    return;
                --m_Pending;
            }
            if (m_Handler)
                m_Handler(job.id, answer);
        },
        Qt::QueuedConnection);
}
