#include "dmx/DmxControl.h"

#include "core/Log.h"
#include "devices/DMXInput.h"
#include "dmx/OlaSource.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <regex>

namespace {

using Clock = std::chrono::steady_clock;

// The status without its frame rate: "Corvana#1 (44 fps)" and "(43 fps)" are the same kind.
std::string KindOf(const std::string& status)
{
    static const std::regex kFps(R"(\(\d+ fps\))");
    return std::regex_replace(status, kFps, "(fps)");
}

} // namespace

CDmxControl::CDmxControl(CShowCommandSink* sink, CDMXInput* device, std::function<int()> activePlayer,
    std::function<int()> volumeRange, QObject* parent)
    : QObject(parent)
    , m_pSink(sink)
    , m_pDevice(device)
    , m_ActivePlayer(std::move(activePlayer))
    , m_VolumeRange(std::move(volumeRange))
{
    m_pDeviceTimer = new QTimer(this);
    m_pDeviceTimer->setTimerType(Qt::PreciseTimer);
    m_pDeviceTimer->setInterval(10);
    connect(m_pDeviceTimer, &QTimer::timeout, this, &CDmxControl::PollDevice);
}

CDmxControl::~CDmxControl() = default;

void CDmxControl::Start(const Settings& settings)
{
    if (m_bStarted && settings == m_Settings)
        return;
    m_bStarted = true;
    m_Settings = settings;
    m_pDeviceTimer->stop();
    m_pOla.reset();
    m_Personality.SetStartAddress(settings.address);
    m_LastFrame = {};
    m_Fps = 0;
    m_nFramesThisSecond = 0;
    if (settings.source == Source::Device && m_pDevice && m_pDevice->IsAvailable())
        m_pDeviceTimer->start();
    if (settings.source == Source::Ola) {
        QPointer<CDmxControl> self(this);
        // Called on OLA's thread: only a queued call crosses to this one.
        m_pOla = std::make_unique<COlaSource>(settings.universe, settings.input, [self] {
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self)
                        self->DrainOla();
                },
                Qt::QueuedConnection);
        });
        LogMessage("DMX: listening to OLA universe %u (%s input), start address %d.\n", settings.universe,
            COlaSource::InputName(settings.input), settings.address);
    } else if (settings.source == Source::Device) {
        LogMessage("DMX: listening to the DMX input device, start address %d.\n", settings.address);
    }
    Tick();
}

void CDmxControl::PollDevice()
{
    m_pDevice->PollEach([this](std::span<const std::uint8_t> frame) { OnFrame(frame); });
}

void CDmxControl::DrainOla()
{
    if (!m_pOla)
        return;
    for (const COlaSource::Frame& frame : m_pOla->TakeFrames())
        OnFrame(std::span<const std::uint8_t>(frame.values.data(), frame.size));
}

std::chrono::milliseconds CDmxControl::SourceTimeout(const Settings& settings)
{
    // Frames handed in without a source (Off) follow the input setting too.
    return settings.source != Source::Device && settings.input == COlaSource::Input::ArtNet ? kArtNetTimeout
                                                                                            : kSacnTimeout;
}

void CDmxControl::OnFrame(std::span<const std::uint8_t> frame)
{
    OnFrame(frame, Clock::now());
}

void CDmxControl::OnFrame(std::span<const std::uint8_t> frame, Clock::time_point at)
{
    if (at - m_LastFrame > SourceTimeout(m_Settings))
        m_Personality.Reset();
    m_LastFrame = at;
    ++m_nFramesThisSecond;
    for (const CDmxPersonality::Action& action : m_Personality.Feed(frame))
        Act(action);
}

void CDmxControl::Act(const CDmxPersonality::Action& action)
{
    if (!m_pSink)
        return;
    using Kind = CDmxPersonality::Action::Kind;
    using Control = CDmxPersonality::Control;
    using Id = ShowCommandId;
    const int active = m_ActivePlayer ? m_ActivePlayer() : 0;
    const auto send = [this](Id id, int player, std::int64_t value = 0, std::string text = {}) {
        m_pSink->Execute({ id, player, value, std::move(text) });
    };
    switch (action.kind) {
    case Kind::Clip:
        // Into the hidden player, ready for a take.
        send(Id::Open, active == 0 ? 1 : 0, 0, ":" + std::to_string(action.value));
        break;
    case Kind::Control:
        switch (static_cast<Control>(action.value)) {
        case Control::Play:
            send(Id::Play, active);
            break;
        case Control::Pause:
            send(Id::Pause, active);
            break;
        case Control::Stop:
            send(Id::Stop, active);
            break;
        case Control::Take:
            send(Id::Take, -1);
            break;
        case Control::CutA:
            send(Id::Cut, 0);
            break;
        case Control::CutB:
            send(Id::Cut, 1);
            break;
        case Control::Idle:
            break;
        }
        break;
    case Kind::Level: {
        // The level control's range: 255 is full, 0 the bottom of the range.
        const int range = m_VolumeRange ? m_VolumeRange() : 3000;
        send(Id::VolumeDb, active, action.value * range / 255 - range);
        break;
    }
    case Kind::FullScreen:
        send(Id::Fullscreen, -1, action.value);
        break;
    }
}

void CDmxControl::Tick()
{
    const Clock::time_point now = Clock::now();
    if (now - m_FpsStart >= std::chrono::seconds(1)) {
        m_Fps = m_nFramesThisSecond;
        m_nFramesThisSecond = 0;
        m_FpsStart = now;
    }
    m_Status = ComposeStatus();
    const std::string kind = KindOf(m_Status);
    if (kind != m_LoggedKind) {
        m_LoggedKind = kind;
        LogMessage("DMX: %s\n", m_Status.c_str());
    }
}

std::string CDmxControl::ComposeStatus()
{
    switch (m_Settings.source) {
    case Source::Off:
        return "DMX off";
    case Source::Device:
        return m_pDevice ? m_pDevice->GetStatus() : "Corvana#1 (Not found)";
    case Source::Ola:
        break;
    }
    const std::string name = "OLA universe " + std::to_string(m_Settings.universe);
    switch (m_pOla ? m_pOla->GetState() : COlaSource::State::Connecting) {
    case COlaSource::State::Connecting:
        return name + " (connecting)";
    case COlaSource::State::Absent:
        return name + " (no olad)";
    case COlaSource::State::Lost:
        return name + " (olad lost)";
    case COlaSource::State::Connected:
        break;
    }
    if (Clock::now() - m_LastFrame > SourceTimeout(m_Settings))
        return name + " (NO DATA)";
    return name + " (" + std::to_string(m_Fps) + " fps)";
}
