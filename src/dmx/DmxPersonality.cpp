#include "dmx/DmxPersonality.h"

#include <algorithm>

void CDmxPersonality::SetStartAddress(int address)
{
    m_StartAddress = std::clamp(address, 1, kUniverseSize);
    Reset();
}

void CDmxPersonality::Reset()
{
    m_Channels.fill(Channel {});
}

CDmxPersonality::Control CDmxPersonality::Band(std::uint8_t value)
{
    static constexpr Control kBands[]
        = { Control::Play, Control::Pause, Control::Stop, Control::Take, Control::CutA, Control::CutB };
    if (value < 16 || value >= 208)
        return Control::Idle;
    return kBands[(value - 16) / 32];
}

std::vector<CDmxPersonality::Action> CDmxPersonality::Feed(std::span<const std::uint8_t> frame)
{
    std::vector<Action> actions;
    for (int i = 0; i < kChannelCount; ++i) {
        Channel& channel = m_Channels[static_cast<size_t>(i)];
        const int slot = m_StartAddress - 1 + i;
        if (slot >= kUniverseSize || slot >= static_cast<int>(frame.size())) {
            // No value this frame: a hold starts again when one arrives.
            channel.candidate = -1;
            channel.held = 0;
            continue;
        }
        const int value = frame[static_cast<size_t>(slot)];
        if (value == channel.candidate) {
            channel.held = std::min(channel.held + 1, 2);
        } else {
            channel.candidate = value;
            channel.held = 1;
        }
        if (channel.held == 2 && channel.candidate != channel.accepted)
            Settle(i, actions);
    }
    return actions;
}

void CDmxPersonality::Settle(int index, std::vector<Action>& actions)
{
    Channel& channel = m_Channels[static_cast<size_t>(index)];
    const int before = channel.accepted;
    const int value = channel.candidate;
    channel.accepted = value;
    if (before < 0)
        return; // where the desk stands, not a cue
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v); };
    switch (index) {
    case 0:
        if (value != 0)
            actions.push_back({ Action::Kind::Clip, value });
        break;
    case 1:
        if (Band(byte(value)) != Band(byte(before)) && Band(byte(value)) != Control::Idle)
            actions.push_back({ Action::Kind::Control, static_cast<int>(Band(byte(value))) });
        break;
    case 2:
        actions.push_back({ Action::Kind::Level, value });
        break;
    default:
        if ((value >= 128) != (before >= 128))
            actions.push_back({ Action::Kind::FullScreen, value >= 128 ? 1 : 0 });
        break;
    }
}
