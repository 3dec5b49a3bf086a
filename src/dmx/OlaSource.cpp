#include "dmx/OlaSource.h"

#include "core/Log.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/ClientTypes.h>
#include <ola/client/ClientWrapper.h>
#include <ola/client/OlaClient.h>
#include <ola/io/SelectServer.h>
#include <ola/plugin_id.h>

#include <algorithm>
#include <chrono>

COlaSource::COlaSource(unsigned universe, Input input, std::function<void()> wake)
    : m_Universe(universe)
    , m_Input(input)
    , m_Wake(std::move(wake))
{
    m_Thread = std::thread([this] { Run(); });
}

COlaSource::~COlaSource()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
        // Execute is safe from any thread and, unlike Terminate, is not lost
        // when it comes before Run has started.
        if (m_pServer)
            m_pServer->Execute(ola::NewSingleCallback(m_pServer, &ola::io::SelectServer::Terminate));
    }
    m_Stopping.notify_all();
    m_Thread.join();
}

std::vector<COlaSource::Frame> COlaSource::TakeFrames()
{
    std::lock_guard lock(m_Lock);
    std::vector<Frame> frames(m_Frames.begin(), m_Frames.end());
    m_Frames.clear();
    return frames;
}

bool COlaSource::WaitUnlessStopping(int seconds)
{
    std::unique_lock lock(m_Lock);
    return !m_Stopping.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_bStop; });
}

void COlaSource::Run()
{
    for (;;) {
        {
            std::lock_guard lock(m_Lock);
            if (m_bStop)
                return;
        }
        // false: connect to a running olad only, never fork one.
        ola::client::OlaClientWrapper wrapper(false);
        if (!wrapper.Setup()) {
            m_State = m_State.load() == State::Connected ? State::Lost : State::Absent;
            if (!WaitUnlessStopping(kRetrySeconds))
                return;
            continue;
        }
        {
            std::lock_guard lock(m_Lock);
            if (m_bStop)
                return;
            m_pServer = wrapper.GetSelectServer();
        }
        ola::client::OlaClient* client = wrapper.GetClient();
        client->SetDMXCallback(ola::NewCallback(this, &COlaSource::OnDmx));
        client->RegisterUniverse(
            m_Universe, ola::client::REGISTER, ola::NewSingleCallback(this, &COlaSource::OnRegistered));
        m_pClient = client;
        m_LastNote.clear(); // a new connection tells its findings again
        RequestPatch();
        // Returns when olad closes the connection or on Terminate.
        wrapper.GetSelectServer()->Run();
        m_pClient = nullptr;
        bool stop = false;
        {
            std::lock_guard lock(m_Lock);
            m_pServer = nullptr;
            stop = m_bStop;
        }
        if (stop)
            return;
        m_State = State::Lost;
        if (!WaitUnlessStopping(1))
            return;
    }
}

void COlaSource::OnRegistered(const ola::client::Result& result)
{
    m_State = result.Success() ? State::Connected : State::Lost;
}

void COlaSource::OnDmx(const ola::client::DMXMetadata& metadata, const ola::DmxBuffer& buffer)
{
    if (metadata.universe != m_Universe)
        return;
    Frame frame;
    unsigned int size = static_cast<unsigned int>(frame.values.size());
    buffer.Get(frame.values.data(), &size);
    frame.size = static_cast<std::uint16_t>(std::min<unsigned int>(size, 512));
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_Lock);
        wasEmpty = m_Frames.empty();
        if (m_Frames.size() >= kMaxQueued)
            m_Frames.pop_front();
        m_Frames.push_back(frame);
    }
    if (wasEmpty && m_Wake)
        m_Wake();
}

const char* COlaSource::InputName(Input input)
{
    return input == Input::ArtNet ? "Art-Net" : "sACN (E1.31)";
}

void COlaSource::RequestPatch()
{
    if (!m_pClient)
        return;
    const ola::ola_plugin_id plugin
        = m_Input == Input::ArtNet ? ola::OLA_PLUGIN_ARTNET : ola::OLA_PLUGIN_E131;
    m_pClient->FetchDeviceInfo(plugin, ola::NewSingleCallback(this, &COlaSource::OnDevices));
}

void COlaSource::RetryPatch()
{
    if (m_pServer)
        m_pServer->RegisterSingleTimeout(
            kRetrySeconds * 1000, ola::NewSingleCallback(this, &COlaSource::RequestPatch));
}

void COlaSource::Note(const std::string& text)
{
    if (text == m_LastNote)
        return;
    m_LastNote = text;
    LogMessage("DMX: %s\n", text.c_str());
}

void COlaSource::OnDevices(
    const ola::client::Result& result, const std::vector<ola::client::OlaDevice>& devices)
{
    if (!m_pClient)
        return; // the connection is going away
    const std::string input = InputName(m_Input);
    const std::string universe = std::to_string(m_Universe);
    if (!result.Success()) {
        Note("olad did not list its " + input + " inputs: " + result.Error());
        RetryPatch();
        return;
    }
    const ola::client::OlaDevice* freeDevice = nullptr;
    unsigned freePort = 0;
    bool anyPort = false;
    for (const ola::client::OlaDevice& device : devices) {
        for (const ola::client::OlaInputPort& port : device.InputPorts()) {
            anyPort = true;
            // olad reports a port without a universe as inactive.
            if (port.IsActive() && port.Universe() == m_Universe) {
                Note(input + " input port " + std::to_string(port.Id()) + " of olad's device "
                    + std::to_string(device.Alias()) + " is patched to universe " + universe + ".");
                return;
            }
            if (!port.IsActive() && !freeDevice) {
                freeDevice = &device;
                freePort = port.Id();
            }
        }
    }
    if (!freeDevice) {
        Note(anyPort ? "every " + input
                    + " input port of olad is patched to another universe; none taken for universe "
                    + universe + "."
                     : "olad has no " + input + " input (is its plugin enabled?); looking again every "
                    + std::to_string(kRetrySeconds) + " s.");
        RetryPatch();
        return;
    }
    m_pClient->Patch(freeDevice->Alias(), freePort, ola::client::INPUT_PORT, ola::client::PATCH, m_Universe,
        ola::NewSingleCallback(this, &COlaSource::OnPatched, freeDevice->Alias(), freePort));
}

void COlaSource::OnPatched(unsigned device, unsigned port, const ola::client::Result& result)
{
    if (!m_pClient)
        return;
    const std::string where = std::string(InputName(m_Input)) + " input port " + std::to_string(port)
        + " of olad's device " + std::to_string(device);
    if (!result.Success()) {
        Note("olad refused to patch " + where + " to universe " + std::to_string(m_Universe) + ": "
            + result.Error());
        RetryPatch();
        return;
    }
    Note("patched " + where + " to universe " + std::to_string(m_Universe) + ".");
}
