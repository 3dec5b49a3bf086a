#pragma once

#include "core/Messages.h"
#include "dmx/DmxPersonality.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

class CDMXInput;
class COlaSource;
class QTimer;

// DMX show control: frames from the DMX input device or from olad go through
// the personality, and what it sets off becomes the messages the window and
// the network send, so the same handlers act with the same log lines and text
// packets. The device is read every 10 ms (a change acts within a DMX frame);
// olad's frames are taken as they arrive. Lives on the interface thread.
class CDmxControl : public QObject
{
    Q_OBJECT

public:
    enum class Source { Off = 0, Device = 1, Ola = 2 };
    struct Settings
    {
        Source source = Source::Device;
        unsigned universe = 1; // olad's universe
        int address = 1; // start address 1..512
        bool operator==(const Settings&) const = default;
    };
    // No frame for this long: the source has gone, and what it shows when it
    // returns is a baseline again.
    static constexpr std::chrono::milliseconds kSourceTimeout { 1000 };

    // activePlayer and volumeRange are asked when an action needs them.
    CDmxControl(CMessageTarget* owner, CDMXInput* device, std::function<int()> activePlayer,
        std::function<int()> volumeRange, QObject* parent = nullptr);
    ~CDmxControl() override;
    CDmxControl(const CDmxControl&) = delete;
    CDmxControl& operator=(const CDmxControl&) = delete;

    void Start(const Settings& settings);
    const Settings& GetSettings() const { return m_Settings; }
    // The frame's 100 ms tick: the status text, logged when its kind changes.
    void Tick();
    // "Corvana#1 (44 fps)", "OLA universe 1 (NO DATA)", "DMX off", ...
    const std::string& GetStatus() const { return m_Status; }

    // One frame from the source, channel 1 first.
    void OnFrame(std::span<const std::uint8_t> frame);

private Q_SLOTS:
    void PollDevice();
    void DrainOla();

private:
    void Act(const CDmxPersonality::Action& action);
    std::string ComposeStatus();

    CMessageTarget* m_pOwner;
    CDMXInput* m_pDevice;
    std::function<int()> m_ActivePlayer;
    std::function<int()> m_VolumeRange;
    Settings m_Settings;
    bool m_bStarted = false;
    CDmxPersonality m_Personality;
    QTimer* m_pDeviceTimer = nullptr;
    std::unique_ptr<COlaSource> m_pOla;
    std::chrono::steady_clock::time_point m_LastFrame {};
    std::chrono::steady_clock::time_point m_FpsStart {};
    int m_nFramesThisSecond = 0;
    int m_Fps = 0;
    std::string m_Status;
    std::string m_LoggedKind;
};
