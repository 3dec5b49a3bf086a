#include "devices/InputDriver.h"

#include "core/Log.h"

CInputDriver::~CInputDriver() = default;

void CInputDriver::UpdateFps()
{
}

bool CInputDriver::ReadFrame(std::uint8_t*, int)
{
    return false;
}

void CInputDriver::Close()
{
}

bool CInputDriver::Init()
{
    return false;
}

int CInputDriver::GetStatusText(char* buffer, int size, int)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    return 0;
}

bool CInputDriver::IsInitialized()
{
    return false;
}

int CInputDriver::GetUniverseCount()
{
    return m_iUniverseCount;
}

int CInputDriver::GetFps()
{
    return m_iFps;
}

int CInputDriver::GetAuxValue()
{
    return m_iAuxValue;
}

bool CInputDriver::Blink(bool)
{
    LogMessage("Blinking is not supported by this device driver.\n");
    return false;
}
