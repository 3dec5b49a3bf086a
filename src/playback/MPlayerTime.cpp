// CMPlayer: position, length, seeking and rate.
//
// A file, and a stream that prerolls (HTTP), report the graph's own position and
// length; an HTTP server that takes byte ranges makes it seekable. A live stream
// (no preroll: RTSP, UDP, SRT) counts its position as the time played since the
// open, the last Stop or the last seek (running time, which stands still while
// paused); its length is what its server announces (an RTSP recording), else 0,
// and it seeks only when its source says it can. A refused seek is logged once
// per medium. Seeks on a network stream run on the graph worker.
#include "playback/MPlayer.h"

#include "core/Log.h"
#include "playback/GraphWorker.h"
#include "playback/MediaFile.h"
#include "playback/MediaTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

void CMPlayer::OnGraph(std::function<void(GstElement*)> call)
{
    if (!m_bRemote) {
        call(m_pGraph.get());
        return;
    }
    if (!m_pWorker)
        m_pWorker = std::make_unique<CGraphWorker>();
    auto* graph = GST_ELEMENT(gst_object_ref(m_pGraph.get()));
    m_pWorker->Post([graph, call = std::move(call)] {
        call(graph);
        gst_object_unref(graph);
    });
}

void CMPlayer::SetPosition(uint32_t ms)
{
    if (!IsOpen())
        return;
    if (!m_bMediaTime && m_bRemote)
        m_bMediaTime = SeekableNow();
    if (!m_bMediaTime) {
        // Once per medium: a slider dragged over a live stream asks many times.
        if (m_bRemote && !m_bSeekRefused)
            LogMessage("CMPlayer::SetPosition(): %s cannot seek%s.\n",
                MediaFile::NameForLog(m_FileName).c_str(), m_bLive ? " (live stream)" : "");
        m_bSeekRefused = true;
        return;
    }
    const int32_t previous = m_PlayState;
    m_PlayState = STATE_SEEKING;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE
        | (m_bSegmentMode ? GST_SEEK_FLAG_SEGMENT : GST_SEEK_FLAG_NONE));
    const double rate = m_Rate;
    const auto ns = static_cast<gint64>(MediaTime::MsToNs(ms));
    // The flush starts the running time again at 0.
    m_LiveBaseMs = ms;
    OnGraph([rate, flags, ns](GstElement* graph) {
        gst_element_seek(graph, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, ns, GST_SEEK_TYPE_NONE,
            GST_CLOCK_TIME_NONE);
    });
    m_PlayState = previous;
}

bool CMPlayer::SeekableNow() const
{
    GstPtr<GstQuery> query(gst_query_new_seeking(GST_FORMAT_TIME));
    gboolean seekable = FALSE;
    if (gst_element_query(m_pGraph.get(), query.get()))
        gst_query_parse_seeking(query.get(), nullptr, &seekable, nullptr, nullptr);
    return seekable != FALSE;
}

void CMPlayer::SeekBy(int32_t ms)
{
    if (!IsOpen())
        return;
    int64_t target = static_cast<int64_t>(GetPosition()) + ms;
    const auto duration = static_cast<int64_t>(GetDuration());
    if (target < 0)
        target = 0;
    if (target > duration)
        target = duration;
    SetPosition(static_cast<uint32_t>(target));
}

uint32_t CMPlayer::GetDuration()
{
    // A stream that cannot seek may still know its length (HTTP without ranges, an
    // RTSP recording); a file without time support reports none.
    gint64 ns = 0;
    if (!IsOpen() || (!m_bMediaTime && !m_bRemote)
        || !gst_element_query_duration(m_pGraph.get(), GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    return MediaTime::NsToMs(ns);
}

uint32_t CMPlayer::GetPosition()
{
    if (!IsOpen())
        return 0;
    if (m_bLive)
        return static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t { m_LiveBaseMs } + RunningTimeMs(), UINT32_MAX));
    gint64 ns = 0;
    if ((!m_bMediaTime && !m_bRemote) || !gst_element_query_position(m_pGraph.get(), GST_FORMAT_TIME, &ns)
        || ns < 0)
        return 0;
    return MediaTime::NsToMs(ns);
}

uint32_t CMPlayer::RunningTimeMs() const
{
    GstElement* graph = m_pGraph.get();
    GST_OBJECT_LOCK(graph);
    const bool playing = GST_STATE(graph) == GST_STATE_PLAYING;
    GST_OBJECT_UNLOCK(graph);
    // Paused or stopped: the running time reached when it stopped, kept by the
    // pipeline as its start time (0 after Stop and after the open).
    const GstClockTime running
        = playing ? gst_element_get_current_running_time(graph) : gst_element_get_start_time(graph);
    if (!GST_CLOCK_TIME_IS_VALID(running))
        return 0;
    return MediaTime::NsToMs(static_cast<int64_t>(std::min<GstClockTime>(running, G_MAXINT64)));
}

double CMPlayer::GetRate()
{
    return IsOpen() ? m_Rate : 0.0;
}

bool CMPlayer::SetRate(double rate)
{
    if (!IsOpen() || !m_bMediaTime || rate == 0.0 || !std::isfinite(rate))
        return false;
    gint64 position = 0;
    if (!gst_element_query_position(m_pGraph.get(), GST_FORMAT_TIME, &position) || position < 0)
        position = 0;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    auto seek = [rate, flags, position](GstElement* graph) {
        return rate > 0 ? gst_element_seek(graph, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, position,
                   GST_SEEK_TYPE_SET, GST_CLOCK_TIME_NONE)
                        : gst_element_seek(graph, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                            GST_SEEK_TYPE_SET, position);
    };
    bool ok = true; // a network stream's answer comes later; taken as given
    if (m_bRemote)
        OnGraph([seek](GstElement* graph) { seek(graph); });
    else
        ok = seek(m_pGraph.get());
    if (ok) {
        m_Rate = rate;
        m_bSegmentMode = false; // ends with EOS again; the owner's repeat takes over
    }
    return ok;
}
