// CMPlayer on a wall's group clock: runs scheduled at a group time, loops by
// segments, and moves to a new group clock.
#include "playback/MPlayer.h"

#include "playback/CheckResult.h"

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
    if (!s_pGroupClock || !m_bMediaTime) {
        Run();
        return false;
    }
    gint64 position = startMs * GST_MSECOND;
    if (startMs < 0
        && (!gst_element_query_position(m_pGraph.get(), GST_FORMAT_TIME, &position) || position < 0))
        position = 0;
    const GstClockTime now = gst_clock_get_time(s_pGroupClock);
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

void CMPlayer::MoveToGroupClock(GstClock* clock)
{
    s_pGroupClock = clock;
    if (clock)
        for (CMPlayer* player : s_Players)
            player->MoveGraphToClock(clock);
}

void CMPlayer::MoveGraphToClock(GstClock* clock)
{
    if (!m_pGraph)
        return;
    GstElement* graph = m_pGraph.get();
    GstPtr<GstClock> old(gst_element_get_clock(graph));
    // A graph that is still opening (perhaps on the worker) takes it when it runs.
    gst_pipeline_use_clock(GST_PIPELINE(graph), clock);
    if (!IsOpen() || !old || old.get() == clock)
        return;
    const GstClockTime oldNow = gst_clock_get_time(old.get());
    const GstClockTime newNow = gst_clock_get_time(clock);
    const GstClockTime base = gst_element_get_base_time(graph);
    const GstClockTime start = gst_element_get_start_time(graph);
    const bool running = m_PlayState == STATE_RUNNING;
    // The stream's running time: now while it runs, where it paused otherwise.
    GstClockTime streamTime = 0;
    if (running)
        streamTime = oldNow > base ? oldNow - base : 0;
    else if (GST_CLOCK_TIME_IS_VALID(start))
        streamTime = start;
    if (streamTime + kJoinMarginNs <= newNow) {
        if (!running)
            return; // its next run counts from the new clock
        // The clock is chosen, and the base time handed down, on the way to PLAYING.
        gst_element_set_state(graph, GST_STATE_PAUSED);
        if (!GST_CLOCK_TIME_IS_VALID(start))
            gst_element_set_base_time(graph, newNow - streamTime);
        if (gst_element_set_state(graph, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            CheckResult(2, false, TakeGraphError(), "CMPlayer::MoveGraphToClock()\n");
            Stop();
        }
        return;
    }
    // A base time before the new clock's zero cannot be: the stream's running
    // time starts again at the frame due a moment from now.
    gint64 position = 0;
    if (!gst_element_query_position(graph, GST_FORMAT_TIME, &position) || position < 0)
        position = 0;
    if (!running) {
        m_bSegmentMode = false;
        gst_element_seek_simple(graph, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), position);
        return;
    }
    gst_element_set_state(graph, GST_STATE_PAUSED);
    RunAt(newNow + kJoinMarginNs, (position + static_cast<gint64>(kJoinMarginNs)) / kNsPerMs);
}
