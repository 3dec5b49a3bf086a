#include "sync/SyncPipeline.h"

#include "core/Log.h"
#include "playback/GstPtr.h"

#include <cinttypes>

namespace SyncPipeline {

void UseClock(GstElement* pipeline, GstClock* clock)
{
    if (!GST_IS_PIPELINE(pipeline))
        return;
    if (clock)
        gst_pipeline_use_clock(GST_PIPELINE(pipeline), clock);
    else
        gst_pipeline_auto_clock(GST_PIPELINE(pipeline));
}

bool PlayAt(GstElement* pipeline, GstClockTime at)
{
    gst_element_set_start_time(pipeline, GST_CLOCK_TIME_NONE);
    gst_element_set_base_time(pipeline, at);
    return gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool StartLoop(GstElement* pipeline, GstClockTime start, GstClockTime end)
{
    return gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_SEGMENT | GST_SEEK_FLAG_ACCURATE),
        GST_SEEK_TYPE_SET, static_cast<gint64>(start),
        end == GST_CLOCK_TIME_NONE ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET, static_cast<gint64>(end));
}

bool RepeatSegment(GstElement* pipeline, GstClockTime end)
{
    return gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_SEGMENT | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET, 0,
        end == GST_CLOCK_TIME_NONE ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET, static_cast<gint64>(end));
}

void StopAt0(GstElement* pipeline)
{
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0);
}

namespace {

void CloseLog(gpointer data, GClosure*)
{
    std::fclose(static_cast<FILE*>(data));
}

// Called as the sink renders the buffer, after its wait on the clock, so the
// base time is the one it waited by.
void OnHandoff(GstElement* sink, GstBuffer* buffer, GstPad* pad, gpointer data)
{
    GstPtr<GstEvent> event(gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0));
    if (!event || !GST_BUFFER_PTS_IS_VALID(buffer))
        return;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event.get(), &segment);
    const guint64 running = gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    if (!GST_CLOCK_TIME_IS_VALID(running))
        return;
    auto* file = static_cast<FILE*>(data);
    // The host's monotonic time as well: members on one machine share it, so
    // it shows how far apart they really rendered.
    std::fprintf(file, "%" PRIu64 " %" PRIu64 " %" PRIu64 "\n",
        static_cast<uint64_t>(running + gst_element_get_base_time(sink)),
        static_cast<uint64_t>(GST_BUFFER_PTS(buffer)), static_cast<uint64_t>(g_get_monotonic_time()) * 1000u);
    std::fflush(file);
}

} // namespace

bool InstallFrameLog(GstElement* sink, const std::string& path)
{
    if (!sink || !g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "signal-handoffs")) {
        LogError("Sync: the frame log needs a fakesink.\n");
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "a");
    if (!file) {
        LogError("Sync: cannot write the frame log %s.\n", path.c_str());
        return false;
    }
    // A frame that comes late on a busy machine is still shown and logged, not
    // dropped: the log is compared frame for frame across members.
    g_object_set(sink, "signal-handoffs", TRUE, "max-lateness", gint64 { -1 }, "qos", FALSE, nullptr);
    g_signal_connect_data(sink, "handoff", G_CALLBACK(OnHandoff), file, CloseLog, GConnectFlags {});
    return true;
}

} // namespace SyncPipeline
