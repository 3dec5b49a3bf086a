#pragma once

#include <gst/gst.h>

#include <string>

// Which video and audio sinks the players use. A sink is a gst-launch
// description ("fakesink sync=true", "ximagesink"). In order of precedence: the
// command line (SetVideoSinkDescription), the environment (ZUVIO_VIDEO_SINK,
// ZUVIO_AUDIO_SINK), and a default found by trying sinks until one opens:
// glimagesink, then ximagesink for video; for audio the output autoaudiosink
// settles on (pulsesink, alsasink, ...), found once per process; a synchronised
// fakesink when none works (no display, no sound card), so a medium still plays.
// The description in use is logged once ("Audio output: ...").
namespace SinkChoice {

void SetVideoSinkDescription(const std::string& description);
void SetAudioSinkDescription(const std::string& description);

// The description that will be used; the default is probed once per process.
std::string VideoSinkDescription();
std::string AudioSinkDescription();

// A new sink element (floating reference) or null with error set to the parser's text.
GstElement* MakeVideoSink(std::string& error);
GstElement* MakeAudioSink(std::string& error);

// When error (a GStreamer error message) says that audioSink, or an element
// inside it, could not open its device: the device's name ("hw:1"), or the
// sink's description when it names none. Empty for any other error.
std::string FailedAudioDevice(GstElement* audioSink, GstMessage* error);

} // namespace SinkChoice
