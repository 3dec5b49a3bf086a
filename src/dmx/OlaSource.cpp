#include "dmx/OlaSource.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/ClientWrapper.h>
#include <ola/client/OlaClient.h>
#include <ola/io/SelectServer.h>

#include <algorithm>
#include <chrono>

COlaSource::COlaSource(unsigned universe, std::function<void()> wake)
    : m_Universe(universe)
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
        // Returns when olad closes the connection or on Terminate.
        wrapper.GetSelectServer()->Run();
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
