#include "playback/GraphProber.h"

#include "playback/GstPtr.h"
#include "playback/Id3Tag.h"
#include "playback/MediaFile.h"
#include "playback/ProbeGraph.h"

#include <QObject>

#include <algorithm>

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

struct CGraphProber::CSlot
{
    std::unique_ptr<CProbeGraph> graph;
    CJob job;
};

CGraphProber::CGraphProber(int parallel, std::chrono::milliseconds bound)
    : m_Parallel(parallel < 1 ? 1 : parallel)
    , m_Bound(bound)
    , m_pReceiver(std::make_unique<QObject>())
{
    GstPtr<GError> error;
    gst_init_check(nullptr, nullptr, error.out());
    m_pContext = g_main_context_new();
    m_pLoop = g_main_loop_new(m_pContext, FALSE);
    m_Worker = std::thread([this] { Run(); });
}

CGraphProber::~CGraphProber()
{
    {
        std::lock_guard lock(m_Mutex);
        m_bStopping = true;
        m_Queue.clear();
    }
    Wake();
    m_Worker.join();
    g_main_loop_unref(m_pLoop);
    g_main_context_unref(m_pContext);
    // Answers still posted to the receiver go with it.
    m_pReceiver.reset();
}

void CGraphProber::Probe(int32_t id, const std::string& path)
{
    {
        std::lock_guard lock(m_Mutex);
        m_Queue.push_back(CJob { id, path, m_Generation });
        ++m_Pending;
    }
    Wake();
}

void CGraphProber::CancelAll()
{
    {
        std::lock_guard lock(m_Mutex);
        m_Queue.clear();
        ++m_Generation;
        m_Pending = 0;
    }
    Wake();
}

int CGraphProber::GetPending() const
{
    std::lock_guard lock(m_Mutex);
    return m_Pending;
}

void CGraphProber::Wake()
{
    GSource* source = g_idle_source_new();
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(&CGraphProber::OnWake), this, nullptr);
    g_source_attach(source, m_pContext);
    g_source_unref(source);
}

int CGraphProber::OnWake(void* self)
{
    auto* prober = static_cast<CGraphProber*>(self);
    bool stopping = false;
    {
        std::lock_guard lock(prober->m_Mutex);
        stopping = prober->m_bStopping;
    }
    if (!stopping) {
        prober->Feed();
        return G_SOURCE_REMOVE;
    }
    for (auto& slot : prober->m_Slots)
        slot->graph->Abort();
    g_main_loop_quit(prober->m_pLoop);
    return G_SOURCE_REMOVE;
}

void CGraphProber::Run()
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

void CGraphProber::Feed()
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

void CGraphProber::Deliver(const CJob& job, const CProbeAnswer& answer)
{
    QMetaObject::invokeMethod(
        m_pReceiver.get(),
        [this, job, answer] {
            {
                std::lock_guard lock(m_Mutex);
                if (job.generation != m_Generation)
                    return;
                --m_Pending;
            }
            if (m_Handler)
                m_Handler(job.id, answer);
        },
        Qt::QueuedConnection);
}
