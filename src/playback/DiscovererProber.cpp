#include "playback/DiscovererProber.h"

#include "playback/GstPtr.h"
#include "playback/Id3Tag.h"
#include "playback/MediaFile.h"
#include "playback/MediaTime.h"

#include <QObject>

#include <gst/pbutils/pbutils.h>

#include <algorithm>

namespace {

struct GObjectUnref
{
    void operator()(gpointer p) const { g_object_unref(p); }
};
using DiscovererPtr = std::unique_ptr<GstDiscoverer, GObjectUnref>;

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

struct CDiscovererProber::CSlot
{
    CDiscovererProber* owner = nullptr;
    DiscovererPtr discoverer;
    bool busy = false;
    CJob job;
};

CDiscovererProber::CDiscovererProber(int parallel, std::chrono::milliseconds bound)
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

CDiscovererProber::~CDiscovererProber()
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

void CDiscovererProber::Probe(int32_t id, const std::string& path)
{
    {
        std::lock_guard lock(m_Mutex);
        m_Queue.push_back(CJob { id, path, m_Generation });
        ++m_Pending;
    }
    Wake();
}

void CDiscovererProber::CancelAll()
{
    {
        std::lock_guard lock(m_Mutex);
        m_Queue.clear();
        ++m_Generation;
        m_Pending = 0;
    }
    Wake();
}

int CDiscovererProber::GetPending() const
{
    std::lock_guard lock(m_Mutex);
    return m_Pending;
}

void CDiscovererProber::Wake()
{
    GSource* source = g_idle_source_new();
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(&CDiscovererProber::OnWake), this, nullptr);
    g_source_attach(source, m_pContext);
    g_source_unref(source);
}

int CDiscovererProber::OnWake(void* self)
{
    auto* prober = static_cast<CDiscovererProber*>(self);
    bool stopping = false;
    {
        std::lock_guard lock(prober->m_Mutex);
        stopping = prober->m_bStopping;
    }
    if (!stopping) {
        prober->Feed();
        return G_SOURCE_REMOVE;
    }
    // Stopping a discoverer in the middle of a file deadlocks GStreamer 1.22 (it sets
    // the graph to READY under the lock that its pad-removed handler takes): files
    // being read are let finish, each within the bound; nothing new starts.
    const bool busy = std::any_of(prober->m_Slots.begin(), prober->m_Slots.end(),
        [](const std::unique_ptr<CSlot>& slot) { return slot->busy; });
    if (!busy)
        g_main_loop_quit(prober->m_pLoop);
    return G_SOURCE_REMOVE;
}

void CDiscovererProber::Run()
{
    g_main_context_push_thread_default(m_pContext);
    const auto timeout = static_cast<GstClockTime>(m_Bound.count()) * GST_MSECOND;
    for (int i = 0; i < m_Parallel; ++i) {
        auto slot = std::make_unique<CSlot>();
        slot->owner = this;
        GstPtr<GError> error;
        slot->discoverer.reset(gst_discoverer_new(timeout, error.out()));
        if (!slot->discoverer)
            continue;
        g_signal_connect(slot->discoverer.get(), "discovered",
            reinterpret_cast<GCallback>(&CDiscovererProber::OnDiscovered), slot.get());
        // Answers and time-outs come through this thread's context.
        gst_discoverer_start(slot->discoverer.get());
        m_Slots.push_back(std::move(slot));
    }
    Feed();
    g_main_loop_run(m_pLoop);
    // Every discoverer is idle now.
    for (auto& slot : m_Slots) {
        g_signal_handlers_disconnect_by_data(slot->discoverer.get(), slot.get());
        gst_discoverer_stop(slot->discoverer.get());
    }
    m_Slots.clear();
    g_main_context_pop_thread_default(m_pContext);
}

void CDiscovererProber::Feed()
{
    for (auto& slot : m_Slots) {
        while (!slot->busy) {
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
            GstPtr<gchar> absolute(g_canonicalize_filename(job.path.c_str(), nullptr));
            GstPtr<GError> uriError;
            GstPtr<gchar> uri(g_filename_to_uri(absolute.get(), nullptr, uriError.out()));
            if (!uri) {
                Deliver(job, Failure(job.path, uriError ? uriError->message : "invalid file name"));
                continue;
            }
            slot->job = std::move(job);
            slot->busy = gst_discoverer_discover_uri_async(slot->discoverer.get(), uri.get()) != FALSE;
            if (!slot->busy)
                Deliver(slot->job, Failure(slot->job.path, "The medium cannot be played"));
        }
    }
    // With no discoverer at all, nothing would ever answer.
    if (m_Slots.empty()) {
        std::deque<CJob> jobs;
        {
            std::lock_guard lock(m_Mutex);
            jobs.swap(m_Queue);
        }
        for (const CJob& job : jobs)
            Deliver(job, Failure(job.path, "The medium cannot be played"));
    }
}

void CDiscovererProber::OnDiscovered(void*, void* infoPointer, void* errorPointer, void* slotPointer)
{
    auto* slot = static_cast<CSlot*>(slotPointer);
    auto* info = static_cast<GstDiscovererInfo*>(infoPointer);
    auto* error = static_cast<GError*>(errorPointer);
    const std::string& path = slot->job.path;
    CProbeAnswer answer;
    switch (gst_discoverer_info_get_result(info)) {
    case GST_DISCOVERER_OK: {
        answer.m_bOk = true;
        answer.m_Title = TitleOf(path);
        answer.m_bMediaTime = gst_discoverer_info_get_seekable(info) != FALSE;
        const GstClockTime ns = gst_discoverer_info_get_duration(info);
        if (answer.m_bMediaTime && GST_CLOCK_TIME_IS_VALID(ns))
            answer.m_DurationMs = MediaTime::NsToMs(static_cast<int64_t>(ns));
        break;
    }
    case GST_DISCOVERER_TIMEOUT:
        answer = Failure(path, "Timed out waiting for the medium to start");
        break;
    default:
        answer = Failure(path, error && error->message ? error->message : "The medium cannot be played");
        break;
    }
    slot->busy = false;
    slot->owner->Deliver(slot->job, answer);
    // Not from inside the signal: the discoverer is still finishing this file.
    slot->owner->Wake();
}

void CDiscovererProber::Deliver(const CJob& job, const CProbeAnswer& answer)
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
