#include "playback/SinkChoice.h"

#include "core/Log.h"
#include "playback/GstPtr.h"

#include <cstdlib>
#include <functional>
#include <mutex>

namespace SinkChoice {
namespace {

constexpr const char* kFallbackSink = "fakesink sync=true";

std::mutex g_mutex;
std::string g_videoOverride;
std::string g_audioOverride;

// True when the element can reach READY, i.e. it found its display or device.
bool Opens(const char* factory)
{
    GstPtr<GstElement> element(gst_element_factory_make(factory, nullptr));
    if (!element)
        return false;
    gst_object_ref_sink(element.get());
    const bool ok = gst_element_set_state(element.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    gst_element_set_state(element.get(), GST_STATE_NULL);
    return ok;
}

std::string Probe(std::initializer_list<const char*> candidates)
{
    for (const char* factory : candidates)
        if (Opens(factory))
            return factory;
    LogMessage("No usable video sink, using \"%s\".\n", kFallbackSink);
    return kFallbackSink;
}

// autoaudiosink tries every output in its rank order each time one is made,
// and without a sound card ALSA and OpenAL print a dozen lines on stderr per
// try. So it runs once: its choice (the child it settles on in READY) is the
// sink every player makes from then on.
std::string ProbeAudio()
{
    GstPtr<GstElement> automatic(gst_element_factory_make("autoaudiosink", nullptr));
    std::string chosen;
    if (automatic) {
        gst_object_ref_sink(automatic.get());
        if (gst_element_set_state(automatic.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
            GstPtr<GstObject> child(
                GST_OBJECT(gst_child_proxy_get_child_by_index(GST_CHILD_PROXY(automatic.get()), 0)));
            GstElementFactory* factory = child && GST_IS_ELEMENT(child.get())
                ? gst_element_get_factory(GST_ELEMENT(child.get()))
                : nullptr;
            if (factory)
                chosen = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
        }
        gst_element_set_state(automatic.get(), GST_STATE_NULL);
    }
    // Its own stand-in when nothing opened is an unsynchronised fakesink.
    return chosen.empty() || chosen == "fakesink" ? kFallbackSink : chosen;
}

struct Choice
{
    std::string description;
    const char* reason;
};

Choice Choose(const std::string& override, const char* variable, std::string& probed, bool& done,
    const std::function<std::string()>& probe)
{
    if (!override.empty())
        return { override, "the command line" };
    if (const char* env = std::getenv(variable); env && *env)
        return { env, variable };
    if (!done) {
        probed = probe();
        done = true;
    }
    return { probed, probed == kFallbackSink ? "no output opened" : "the first that opened" };
}

// When the choice changes, so a run logs it once, not once per open.
void LogChoice(const Choice& choice, std::string& logged)
{
    std::string text = "Audio output: \"" + choice.description + "\" (" + choice.reason + ").\n";
    if (text == logged)
        return;
    logged = std::move(text);
    LogMessage("%s", logged.c_str());
}

GstElement* Make(const std::string& description, std::string& error)
{
    GstPtr<GError> parseError;
    // A single element comes back as itself, several as a bin with ghost pads.
    GstElement* sink = gst_parse_bin_from_description_full(
        description.c_str(), TRUE, nullptr, GST_PARSE_FLAG_NO_SINGLE_ELEMENT_BINS, parseError.out());
    if (!sink) {
        error = parseError ? parseError->message : "cannot create sink";
        return nullptr;
    }
    if (parseError) {
        // Created, but with something missing: not usable.
        error = parseError->message;
        GstPtr<GstElement> discard(GST_ELEMENT(gst_object_ref_sink(sink)));
        return nullptr;
    }
    return sink;
}

} // namespace

void SetVideoSinkDescription(const std::string& description)
{
    std::lock_guard lock(g_mutex);
    g_videoOverride = description;
}

void SetAudioSinkDescription(const std::string& description)
{
    std::lock_guard lock(g_mutex);
    g_audioOverride = description;
}

std::string VideoSinkDescription()
{
    std::lock_guard lock(g_mutex);
    static std::string probed;
    static bool done = false;
    return Choose(g_videoOverride, "ZUVIO_VIDEO_SINK", probed, done, [] {
        return Probe({ "glimagesink", "ximagesink" });
    }).description;
}

std::string AudioSinkDescription()
{
    std::lock_guard lock(g_mutex);
    static std::string probed;
    static bool done = false;
    static std::string logged;
    const Choice choice = Choose(g_audioOverride, "ZUVIO_AUDIO_SINK", probed, done, ProbeAudio);
    LogChoice(choice, logged);
    return choice.description;
}

GstElement* MakeVideoSink(std::string& error)
{
    return Make(VideoSinkDescription(), error);
}

GstElement* MakeAudioSink(std::string& error)
{
    return Make(AudioSinkDescription(), error);
}

std::string FailedAudioDevice(GstElement* audioSink, GstMessage* error)
{
    if (!audioSink || !error || GST_MESSAGE_TYPE(error) != GST_MESSAGE_ERROR)
        return {};
    GstPtr<GError> reason;
    gst_message_parse_error(error, reason.out(), nullptr);
    if (!reason || reason->domain != GST_RESOURCE_ERROR)
        return {};
    GstObject* source = GST_MESSAGE_SRC(error);
    bool inSink = false;
    for (GstPtr<GstObject> object(source ? GST_OBJECT(gst_object_ref(source)) : nullptr); object;
         object.reset(gst_object_get_parent(object.get()))) {
        if (object.get() == GST_OBJECT(audioSink)) {
            inSink = true;
            break;
        }
    }
    if (!inSink)
        return {};
    GParamSpec* property = g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device");
    if (property && G_PARAM_SPEC_VALUE_TYPE(property) == G_TYPE_STRING) {
        GstPtr<gchar> device;
        g_object_get(source, "device", device.out(), nullptr);
        if (device && *device.get())
            return device.get();
    }
    return AudioSinkDescription();
}

} // namespace SinkChoice
