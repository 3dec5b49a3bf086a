// CMPlayer on a wall's group clock: runs scheduled at a group time, loops by
// segments, and moves to a new group clock.
#include "playback/MPlayer.h"

#include "playback/CheckResult.h"
#include "playback/GroupClock.h"

#include <algorithm>

namespace {

constexpr int64_t kNsPerMs = 1'000'000;

} // namespace

gint64 CMPlayer::WithinMedium(gint64 position) const
{
    gint64 length = -1;
    if (!gst_element_query_duration(m_pGraph.get(), GST_FORMAT_TIME, &length) || length <= 0
        || position < length)
        return position;
    // Members that loop show frame (position mod length), as the leader's
    // segments do; a medium that does not loop ends.
    return m_bLoop ? position % length : length;
}

bool CMPlayer::RunAt(uint64_t at, int64_t startMs)
{
    if (!IsOpen())
        return false;
    GstClock* clock = GroupClock();
    if (!clock || !m_bMediaTime || m_bRemote) {
        Run();
        return false;
    }
    gint64 position = startMs * GST_MSECOND;
    if (startMs < 0
        && (!gst_element_query_position(m_pGraph.get(), GST_FORMAT_TIME, &position) || position < 0))
        position = 0;
    const GstClockTime now = gst_clock_get_time(clock);
    if (now + kJoinMarginNs > at) {
        // Late (a member that heard the cue after its time): the frame due then.
        position += static_cast<gint64>(now + kJoinMarginNs - at);
        at = now + kJoinMarginNs;
    }
    // A late join, or a state repeated long after its cue, never seeks past the end.
    position = WithinMedium(position);
    // A flushing seek makes the stream's running time 0 at `position`; every
    // member's frame n then renders at at + n * frame.
    const bool segment = m_bLoop && m_Rate == 1.0 && SegmentSeek(position, true);
    if (!segment)
        gst_element_seek(m_pGraph.get(), m_Rate, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
            position, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    m_bSegmentMode = segment;
    gst_element_set_start_time(m_pGraph.get(), GST_CLOCK_TIME_NONE);
    gst_element_set_base_time(m_pGraph.get(), at);
    if (gst_element_set_state(m_pGraph.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        CheckResult(2, false, TakeGraphError(), "CMPlayer::RunAt()\n");
        Stop();
        return false;
    }
    m_PlayState = STATE_RUNNING;
    return true;
}

bool CMPlayer::SegmentSeek(gint64 start, bool flush)
{
    // The segment must end at the medium's length: without a stop, the next
    // loop's running time goes on from the last frame's start, and frame 0
    // would be due together with the last one.
    gint64 length = -1;
    const bool known = gst_element_query_duration(m_pGraph.get(), GST_FORMAT_TIME, &length) && length > 0;
    const auto flags = static_cast<GstSeekFlags>(
        GST_SEEK_FLAG_SEGMENT | GST_SEEK_FLAG_ACCURATE | (flush ? GST_SEEK_FLAG_FLUSH : GST_SEEK_FLAG_NONE));
    return gst_element_seek(m_pGraph.get(), 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, start,
        known ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
        known ? length : static_cast<gint64>(GST_CLOCK_TIME_NONE));
}

void CMPlayer::ReleaseGroupBaseTime()
{
    // Any valid start time: going to PAUSED replaces it with the running time.
    if (gst_element_get_start_time(m_pGraph.get()) == GST_CLOCK_TIME_NONE)
        gst_element_set_start_time(m_pGraph.get(), 0);
}

GstClock* CMPlayer::GroupClock() const
{
    return m_pGroupClock ? m_pGroupClock->Clock() : nullptr;
}

namespace {

// The stream position due at running time `running`, by the video sink's
// segment (a loop's segments count on across the loop point); -1 unknown.
gint64 PositionAt(GstElement* graph, GstClockTime running)
{
    GstPtr<GstElement> sink;
    g_object_get(graph, "video-sink", sink.out(), nullptr);
    if (!sink)
        return -1;
    GstPtr<GstPad> pad(gst_element_get_static_pad(sink.get(), "sink"));
    GstPtr<GstEvent> event(pad ? gst_pad_get_sticky_event(pad.get(), GST_EVENT_SEGMENT, 0) : nullptr);
    if (!event)
        return -1;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event.get(), &segment);
    guint64 position = 0;
    if (segment->format != GST_FORMAT_TIME
        || gst_segment_position_from_running_time_full(segment, GST_FORMAT_TIME, running, &position) != 1)
        return -1;
    return static_cast<gint64>(position);
}

} // namespace

void CMPlayer::MoveGraphToClock(GstClock* clock, int64_t jumpNs)
{
    // A network stream never runs on the group clock (RunAt), and its graph
    // must not be seeked here: a server that does not answer would hold us.
    if (!m_pGraph || m_bRemote)
        return;
    GstElement* graph = m_pGraph.get();
    GstPtr<GstClock> old(gst_element_get_clock(graph));
    // A graph that is still opening (perhaps on the worker) takes it when it
    // runs; one that has run has its clock replaced in every element, which
    // a pipeline does not do by itself once it has chosen one.
    gst_pipeline_use_clock(GST_PIPELINE(graph), clock);
    if (!IsOpen() || !old || old.get() == clock)
        return;
    gst_element_set_clock(graph, clock);
    // A client clock that heard the jump may have run off already: the jump
    // the owner measured says where the old time stands.
    const GstClockTime newNow = gst_clock_get_time(clock);
    const GstClockTime oldNow = jumpNs != 0
        ? static_cast<GstClockTime>(std::max<int64_t>(0, static_cast<int64_t>(newNow) - jumpNs))
        : gst_clock_get_time(old.get());
    if (m_PlayState != STATE_RUNNING) {
        // Its next run counts from the new clock; a running time past the new
        // clock's own starts again where it stands.
        const GstClockTime start = gst_element_get_start_time(graph);
        if (GST_CLOCK_TIME_IS_VALID(start) && start + kJoinMarginNs > newNow) {
            gint64 position = 0;
            if (!gst_element_query_position(graph, GST_FORMAT_TIME, &position) || position < 0)
                position = 0;
            m_bSegmentMode = false;
            gst_element_seek_simple(graph, GST_FORMAT_TIME,
                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), position);
        }
        return;
    }
    // The frame due a moment from now on the old time is due then on the new
    // one: members that played in step stay in step. The flushing seek frees
    // a sink waiting on the old clock and hands the base time down.
    const GstClockTime base = gst_element_get_base_time(graph);
    const GstClockTime running = oldNow + kJoinMarginNs > base ? oldNow + kJoinMarginNs - base : 0;
    gint64 position = PositionAt(graph, running);
    if (position < 0) {
        if (!gst_element_query_position(graph, GST_FORMAT_TIME, &position) || position < 0)
            position = 0;
        position += static_cast<gint64>(kJoinMarginNs);
    }
    RunAt(newNow + kJoinMarginNs, position / kNsPerMs);
}
