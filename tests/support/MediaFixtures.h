#pragma once

#include "support/WaitFor.h"

#include <chrono>
#include <functional>
#include <string>

// Media for the player tests, generated once per test process by GStreamer
// pipelines into the test's temporary folder; nothing is downloaded or shipped.
namespace MediaFixtures {

using ::WaitFor;

// The theora/vorbis clip.
constexpr int kVideoWidth = 320;
constexpr int kVideoHeight = 240;
constexpr unsigned kVideoDurationMs = 2000;
// The audio clips (WAV, MP3) and the JPEG still.
constexpr unsigned kAudioDurationMs = 1000;
constexpr int kStillWidth = 160;
constexpr int kStillHeight = 120;

struct Set
{
    bool ok = false;
    std::string error; // why generation failed
    std::string folder;
    std::string video; // 2 s, 320x240, theora + vorbis in ogg
    std::string wav; // 1 s sine
    std::string mp3; // 1 s sine, no tag
    std::string jpeg; // 160x120 still
    std::string corrupt; // 64 KiB of noise named .ogg
    std::string truncated; // the first 4000 bytes of the clip
    std::string textAvi; // a text file named .avi
    std::string empty; // zero bytes, .ogg
};

// Generates on first use; later calls return the same set.
const Set& Get();

// Makes every player of this process use synchronised fake sinks.
void UseFakeSinks();

// Runs a gst-launch description to its end; false with error set when it fails
// or takes longer than timeout.
bool RunPipeline(const std::string& description, std::string& error,
    std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Writes bytes to a new file; false when it cannot.
bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

} // namespace MediaFixtures
