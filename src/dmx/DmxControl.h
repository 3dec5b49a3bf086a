#pragma once

#include "core/Messages.h"
#include "dmx/DmxPersonality.h"
#include "dmx/OlaSource.h"
#include "show/ShowCommand.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

class CDMXInput;
class QTimer;

// DMX show control: frames from the DMX input device or from olad go through
// the personality, and what it sets off becomes show commands, as the
// window's and the network's do, so the same executor acts with the same log
// lines and text packets. The device is read every 10 ms (a change acts within a DMX frame);
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
        COlaSource::Input input = COlaSource::Input::Sacn; // the olad input patched to the universe
        bool operator==(const Settings&) const = default;
    };
    // No frame for this long: the source has gone, and what it shows when it
    // returns is a baseline again. Senders repeat unchanged data only now and
    // then, so each limit lies above its protocol's longest refresh: sACN's
    // network data loss time (E1.31 senders repeat about once a second), and for
    // Art-Net, which may refresh unchanged data only every 4 s, 10 s. A DMX512
    // line refreshes many times a second; the device counts as sACN.
    static constexpr std::chrono::milliseconds kSacnTimeout { 2500 };
    static constexpr std::chrono::milliseconds kArtNetTimeout { 10000 };
    static std::chrono::milliseconds SourceTimeout(const Settings& settings);

    // activePlayer and volumeRange are asked when an action needs them.
    CDmxControl(CShowCommandSink* sink, CDMXInput* device, std::function<int()> activePlayer,
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

    // One frame from the source, channel 1 first, arrived now or at `at`.
    void OnFrame(std::span<const std::uint8_t> frame);
    void OnFrame(std::span<const std::uint8_t> frame, std::chrono::steady_clock::time_point at);

private Q_SLOTS:
    void PollDevice();
    void DrainOla();

private:
    void Act(const CDmxPersonality::Action& action);
    std::string ComposeStatus();

    CShowCommandSink* m_pSink;
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
