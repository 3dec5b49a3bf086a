#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The player's DMX personality: four channels from a start address, read as a
// lighting desk drives a media server. A channel acts when its value changes
// and the new value has held for two frames, once per change; the first value
// seen (at start-up, or after the source came back) is where it stands, not a cue.
//
//   +0 clip         0 none, 1..255 playlist entry, loaded into the hidden player
//   +1 control      bands, see Band()
//   +2 level        0..255 onto the volume range
//   +3 full screen  0..127 off, 128..255 on
class CDmxPersonality
{
public:
    static constexpr int kChannelCount = 4;
    static constexpr int kUniverseSize = 512;

    enum class Control { Idle, Play, Pause, Stop, Take, CutA, CutB };
    struct Action
    {
        enum class Kind { Clip, Control, Level, FullScreen };
        Kind kind;
        int value; // the entry from 1, a Control, the level 0..255, 0/1
        bool operator==(const Action&) const = default;
    };

    // 1..512; channels past 512 do not exist and never act.
    void SetStartAddress(int address);
    int GetStartAddress() const { return m_StartAddress; }

    // One frame, channel 1 first; a short universe leaves the missing channels
    // without a value. Returns what the frame sets off.
    std::vector<Action> Feed(std::span<const std::uint8_t> frame);
    // The source went away: what it shows when it returns fires nothing.
    void Reset();

    // 0-15 idle, 16-47 play, 48-79 pause, 80-111 stop, 112-143 take (cut to the
    // hidden player and start it), 144-175 cut to A, 176-207 cut to B, 208-255 idle.
    static Control Band(std::uint8_t value);

private:
    struct Channel
    {
        int candidate = -1; // the value of the last frame, -1 none
        int held = 0; // frames it has held
        int accepted = -1; // the value acted on, -1 none yet
    };
    void Settle(int index, std::vector<Action>& actions);

    int m_StartAddress = 1;
    std::array<Channel, kChannelCount> m_Channels {};
};
