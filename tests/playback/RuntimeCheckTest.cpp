#include "playback/CheckResult.h"
#include "playback/DXVersion.h"
#include "playback/GstPtr.h"
#include "playback/SinkChoice.h"

#include "core/Log.h"
#include "support/LogCapture.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DXVersionTest, EncodesMajorMinorAndLetter)
{
    EXPECT_EQ(EncodeDXVersion(9, 0, 0), 0x90000u);
    EXPECT_EQ(EncodeDXVersion(8, 1, 'b'), 0x80102u);
    EXPECT_EQ(EncodeDXVersion(8, 1, 'B'), 0x80102u);
    EXPECT_EQ(EncodeDXVersion(3, 0, 'a'), 0x30001u);
    EXPECT_EQ(EncodeDXVersion(7, 0, ' '), 0x70000u);
}

TEST(DXVersionTest, CheckComparesAndOnlyANoRuntimeProbeShowsItsOwnMessage)
{
    LogCapture log;
    ScriptedUi ui;
    EXPECT_TRUE(CheckDXVersion(
        kDXVersion9, [] { return 0x90000u; }, &ui));
    EXPECT_TRUE(CheckDXVersion(
        kDXVersion9, [] { return 0xA0000u; }, &ui));
    EXPECT_FALSE(CheckDXVersion(
        kDXVersion9, [] { return 0x80200u; }, &ui));
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_FALSE(CheckDXVersion(
        kDXVersion9, [] { return 0u; }, &ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "DirectX not installed");
    EXPECT_EQ(ui.boxes[0].caption, "DirectX Version:");
    EXPECT_EQ(ui.boxes[0].icon, CUiServices::ICON_INFORMATION);
}

TEST(DXVersionTest, ThisMachinesGStreamerCountsAsVersion9)
{
    uint32_t version = 1;
    EXPECT_EQ(GetDXVersion(version), 0);
    EXPECT_EQ(version, 0x90000u);
    EXPECT_TRUE(CheckDXVersion(kDXVersion9, nullptr));
}

TEST(CheckResultTest, LogsErrorTextThenContextAtTheRightLevel)
{
    LogCapture log;
    EXPECT_TRUE(CheckResult(2, true, "never logged", "ctx\n"));
    EXPECT_FALSE(CheckResult(0, false, "silent", "ctx\n"));
    EXPECT_FALSE(CheckResult(2, false, "Resource not found.", "OpenMedia(): RenderFile() failed\n"));
    EXPECT_FALSE(CheckResult(1, false, "no overlay", "CMPlayer::ReRequestIVideoWindow(): \n"));
    EXPECT_FALSE(CheckResult(7, false, "odd level", nullptr));

    const auto errors = log.Texts(LOG_LEVEL_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Resource not found. | OpenMedia(): RenderFile() failed");
    EXPECT_TRUE(log.Contains("no overlay | CMPlayer::ReRequestIVideoWindow(): ", LOG_LEVEL_INFO));
    EXPECT_TRUE(log.Contains("odd level", LOG_LEVEL_INFO));
    EXPECT_FALSE(log.Contains("silent"));
    EXPECT_FALSE(log.Contains("never logged"));
}

TEST(CheckResultTest, CutsTheErrorTextTo254Characters)
{
    LogCapture log;
    CheckResult(1, false, std::string(300, 'e'), nullptr);
    const auto texts = log.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], std::string(254, 'e'));
}

TEST(SinkChoiceTest, CommandLineBeatsEnvironment)
{
    setenv("ZUVIO_VIDEO_SINK", "fakesink sync=true", 1);
    EXPECT_EQ(SinkChoice::VideoSinkDescription(), "fakesink sync=true");
    SinkChoice::SetVideoSinkDescription("fakesink name=chosen");
    EXPECT_EQ(SinkChoice::VideoSinkDescription(), "fakesink name=chosen");

    gst_init(nullptr, nullptr);
    std::string error;
    GstPtr<GstElement> sink(SinkChoice::MakeVideoSink(error));
    ASSERT_TRUE(sink) << error;
    gst_object_ref_sink(sink.get());
    EXPECT_STREQ(GST_OBJECT_NAME(sink.get()), "chosen");
    SinkChoice::SetVideoSinkDescription({});
}

TEST(SinkChoiceTest, AnUnusableDescriptionGivesNoSinkAndAReason)
{
    gst_init(nullptr, nullptr);
    SinkChoice::SetAudioSinkDescription("no-such-sink-element");
    std::string error;
    EXPECT_EQ(SinkChoice::MakeAudioSink(error), nullptr);
    EXPECT_FALSE(error.empty());
    SinkChoice::SetAudioSinkDescription({});
}

// The default audio output is found once: every later sink is the output it
// found, made directly, so no open tries (and complains about) every output
// again; the choice is logged once.
TEST(SinkChoiceTest, TheDefaultAudioOutputIsFoundOnceAndLoggedOnce)
{
    gst_init(nullptr, nullptr);
    const char* env = std::getenv("ZUVIO_AUDIO_SINK");
    const std::string saved = env ? env : "";
    unsetenv("ZUVIO_AUDIO_SINK");
    LogCapture log;
    for (int open = 0; open < 3; ++open) {
        std::string error;
        GstPtr<GstElement> sink(SinkChoice::MakeAudioSink(error));
        ASSERT_TRUE(sink) << error;
        gst_object_ref_sink(sink.get());
        // Whatever this machine has: the output itself, never the element that probes them all.
        GstElementFactory* factory = gst_element_get_factory(sink.get());
        ASSERT_NE(factory, nullptr);
        EXPECT_STRNE(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "autoaudiosink");
    }
    int logged = 0;
    for (const std::string& text : log.Texts())
        logged += text.starts_with("Audio output: \"") ? 1 : 0;
    EXPECT_EQ(logged, 1) << log.Dump();
    if (!saved.empty())
        setenv("ZUVIO_AUDIO_SINK", saved.c_str(), 1);
}

} // namespace
