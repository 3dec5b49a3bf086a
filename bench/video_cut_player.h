#pragma once

// The players the cut benchmark drives and the clips they play: red for
// Player A, blue for Player B, so that the screen tells which one is shown.
#include "playback/MPlayer.h"
#include "playback/SinkChoice.h"

#include <gst/gst.h>

#include <memory>
#include <string>

inline std::string BenchPlayerName()
{
    return "CMPlayer on " + SinkChoice::VideoSinkDescription();
}

inline std::unique_ptr<CBasePlayer> MakeBenchPlayer()
{
    return std::make_unique<CMPlayer>();
}

namespace detail {

// Runs a finite gst-launch description to its end (bounded).
inline bool RunToEnd(const std::string& description)
{
    GError* rawError = nullptr;
    GstElement* raw = gst_parse_launch(description.c_str(), &rawError);
    g_autoptr(GError) error = rawError;
    if (!raw || error)
        return false;
    g_autoptr(GstElement) pipeline = GST_ELEMENT(gst_object_ref_sink(raw));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
    g_autoptr(GstMessage) message = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return ok;
}

} // namespace detail

inline bool PrepareClips(const std::string& folder, int width, int height, std::string media[2])
{
    const char* patterns[2] = { "red", "blue" };
    for (int i = 0; i < 2; ++i) {
        media[i] = folder + "/" + patterns[i] + ".avi";
        const std::string description = std::string("videotestsrc pattern=") + patterns[i]
            + " num-buffers=60 ! video/x-raw,width=" + std::to_string(width) + ",height="
            + std::to_string(height) + ",framerate=30/1 ! jpegenc ! avimux ! filesink location=" + media[i];
        if (!detail::RunToEnd(description))
            return false;
    }
    return true;
}
