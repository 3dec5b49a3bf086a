#pragma once

#include <cstdint>
#include <functional>

class CUiServices;

// The start-up check of the multimedia runtime. A version is held as major in
// bits 16..23, minor in bits 8..15 and a letter suffix in bits 0..7 (0 none,
// 1 "a", 2 "b", ...): 9.0 is 0x90000, 8.1b is 0x80102. On this platform the
// runtime is GStreamer: it counts as 9.0 when it initialises and offers every
// element a player is built from.
constexpr uint32_t kDXVersion9 = 0x90000;
constexpr const char* kPlayerElements[] = { "playbin", "audioconvert", "audiopanorama", "volume" };

// The caller's message when the check fails; it then ends the program with exit code 2.
constexpr const char* kDXVersionTooOldText
    = "You need DirectX Version 9.0 or above\nto run this application!";

// ' ' or 0 for no letter; upper-case letters count as their lower-case form.
uint32_t EncodeDXVersion(uint32_t major, uint32_t minor, char letter);

// Always succeeds (returns 0); version is 0 when no usable runtime was found
// (each missing element is logged).
int32_t GetDXVersion(uint32_t& version);

// True when the probed version reaches required. A probe of 0 shows "DirectX not
// installed" first (non-modal, through ui when not null); an older version
// returns false silently.
bool CheckDXVersion(uint32_t required, CUiServices* ui);

// The same with another probe, for tests.
using DXVersionProbe = std::function<uint32_t()>;
bool CheckDXVersion(uint32_t required, const DXVersionProbe& probe, CUiServices* ui);
