#include "support/MediaFixtures.h"

#include "playback/GstPtr.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace MediaFixtures {
namespace {

Set Generate()
{
    Set set;
    gst_init(nullptr, nullptr);
    set.folder = (TestRoot() + QStringLiteral("/media")).toStdString();
    QDir().mkpath(QString::fromStdString(set.folder));
    const std::string& dir = set.folder;
    set.video = dir + "/clip.ogg";
    set.wav = dir + "/tone.wav";
    set.mp3 = dir + "/tone.mp3";
    set.jpeg = dir + "/still.jpg";
    set.corrupt = dir + "/noise.ogg";
    set.truncated = dir + "/truncated.ogg";
    set.textAvi = dir + "/notes.avi";
    set.empty = dir + "/empty.ogg";

    // 25 frames a second, 4410 samples a buffer at 44.1 kHz: exact durations.
    const std::string tone
        = "audiotestsrc num-buffers=10 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2";
    const std::string pipelines[] = {
        "videotestsrc num-buffers=50 ! video/x-raw,width=320,height=240,framerate=25/1 ! theoraenc ! oggmux "
        "name=m"
        " ! filesink location=\""
            + set.video
            + "\" audiotestsrc num-buffers=20 samplesperbuffer=4410"
              " ! audio/x-raw,rate=44100 ! audioconvert ! vorbisenc ! m.",
        tone + " ! wavenc ! filesink location=\"" + set.wav + "\"",
        tone + " ! audioconvert ! lamemp3enc ! filesink location=\"" + set.mp3 + "\"",
        "videotestsrc num-buffers=1 ! video/x-raw,width=160,height=120 ! jpegenc ! filesink location=\""
            + set.jpeg + "\"",
    };
    for (const auto& description : pipelines)
        if (!RunPipeline(description, set.error))
            return set;

    std::string noise(64 * 1024, '\0');
    unsigned seed = 12345;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    const std::string clip = ReadFile(set.video);
    if (clip.size() < 4000 || !WriteFile(set.corrupt, noise)
        || !WriteFile(set.truncated, clip.substr(0, 4000))
        || !WriteFile(set.textAvi, "This is not a video.\nJust some notes.\n") || !WriteFile(set.empty, "")) {
        set.error = "cannot write the broken files into " + dir;
        return set;
    }
    set.ok = true;
    return set;
}

} // namespace

const Set& Get()
{
    static const Set set = Generate();
    return set;
}

void UseFakeSinks()
{
    setenv("ZUVIO_VIDEO_SINK", "fakesink sync=true", 1);
    setenv("ZUVIO_AUDIO_SINK", "fakesink sync=true", 1);
}

bool RunPipeline(const std::string& description, std::string& error, std::chrono::milliseconds timeout)
{
    GstPtr<GError> parseError;
    GstPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), parseError.out()));
    if (!pipeline || parseError) {
        error = parseError ? parseError->message : "cannot build " + description;
        return false;
    }
    gst_object_ref_sink(pipeline.get());
    GstPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstPtr<GstMessage> message(
        gst_bus_timed_pop_filtered(bus.get(), static_cast<GstClockTime>(timeout.count()) * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!message) {
        error = "timed out: " + description;
        return false;
    }
    if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
        GstPtr<GError> runError;
        gst_message_parse_error(message.get(), runError.out(), nullptr);
        error = std::string(runError ? runError->message : "error") + ": " + description;
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace MediaFixtures
