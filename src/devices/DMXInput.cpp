#include "devices/DMXInput.h"

#include "devices/CorvanaDriver.h"

CDMXInput::CDMXInput(const std::string& libraryPath)
    : m_pDriver(std::make_unique<CCorvanaDriver>(libraryPath))
{
    m_pDriver->m_iSetting2 = 1;
    m_pDriver->m_iSetting3 = 0;
    m_bAvailable = m_pDriver->Init();
    m_Values.fill(0);
}

CDMXInput::~CDMXInput()
{
    m_pDriver->Close();
    m_pDriver.reset();
}

void CDMXInput::Poll()
{
    m_pDriver->UpdateFps();
    while (m_pDriver->ReadFrame(m_Values.data(), kChannelCount)) { }
}

void CDMXInput::PollEach(const std::function<void(std::span<const std::uint8_t>)>& onFrame)
{
    m_pDriver->UpdateFps();
    while (m_pDriver->ReadFrame(m_Values.data(), kChannelCount))
        onFrame(m_Values);
}

std::string CDMXInput::GetStatus()
{
    char text[128];
    m_pDriver->GetStatusText(text, sizeof text, 0);
    return text;
}

bool CDMXInput::IsAvailable()
{
    return m_pDriver->IsInitialized();
}
