#pragma once

#include <cstdint>

// Interface of an input device driver, with the state every driver shares.
// The virtual operations keep this order; a driver overrides what it supports.
// All of it is used from the user-interface thread.
class CInputDriver
{
public:
    CInputDriver() = default;
    CInputDriver(const CInputDriver&) = delete;
    CInputDriver& operator=(const CInputDriver&) = delete;

    virtual ~CInputDriver();
    virtual void UpdateFps();
    virtual bool ReadFrame(std::uint8_t* buffer, int length);
    virtual void Close();
    virtual bool Init();
    // Writes a status line into buffer (size bytes); returns 1 when written.
    virtual int GetStatusText(char* buffer, int size, int flags);
    virtual bool IsInitialized();
    virtual int GetUniverseCount();
    virtual int GetFps();
    virtual int GetAuxValue();
    virtual bool Blink(bool on);

    // Settings a device may interpret; nothing in the player reads them.
    std::int32_t m_iSetting1 = 0;
    std::int32_t m_iSetting2 = -1;
    std::int32_t m_iSetting3 = 0;
    std::int32_t m_iSetting4 = -1;
    std::int32_t m_bMerge = 0; // the device merges its inputs (" MERGE")
    std::int32_t m_bShowAddress = 0; // the status shows m_iStartAddress
    std::int32_t m_iStartAddress = 0; // DMX start address (" A%03d")
    std::int32_t m_iSetting5 = -1;

protected:
    std::int32_t m_bInitialized = 0;
    std::int32_t m_iFps = 0; // frames counted during the last full second
    std::int32_t m_iFrameCounter = 0; // frames counted since the last frame-rate update
    std::int32_t m_iUniverseCount = 0;
    std::int32_t m_iAuxValue = 0;
};
