#pragma once

#include <gst/gst.h>

#include <cstdio>
#include <string>

// What a member does to one pipeline to render by the group clock.
namespace SyncPipeline {

// The pipeline runs on the group clock from now on (null: its own choice again).
void UseClock(GstElement* pipeline, GstClock* clock);

// Starts the pipeline so that the stream's running time 0 falls on group time
// `at`: no base time of its own (start time NONE), a shared one instead, so
// every member's sinks render frame n at at + n * frame.
bool PlayAt(GstElement* pipeline, GstClockTime at);

// Plays [start, end) and then [0, end) over and over (end NONE: the whole
// medium): a flushing segment seek now, and on every SEGMENT_DONE a
// non-flushing one back to 0 (RepeatSegment), so running time runs on across
// the loop point: no gap, no repeated frame, and members stay in step.
bool StartLoop(GstElement* pipeline, GstClockTime start = 0, GstClockTime end = GST_CLOCK_TIME_NONE);
bool RepeatSegment(GstElement* pipeline, GstClockTime end = GST_CLOCK_TIME_NONE);

// The pipeline back to paused at 0 (stopped).
void StopAt0(GstElement* pipeline);

// For tests and benchmarks: a fakesink writes, per frame it renders, the
// clock time the frame was due (running time + base time), its timestamp and
// the host's monotonic time, in ns, one line each. The file closes with the sink.
bool InstallFrameLog(GstElement* sink, const std::string& path);

} // namespace SyncPipeline
