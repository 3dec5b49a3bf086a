#pragma once

#include "devices/CorvanaApi.h"
#include "devices/CorvanaLibrary.h"
#include "devices/InputDriver.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <thread>

class CCorvanaFrameStore;

// Driver of the Corvana DMX input device through its vendor library. A realtime
// thread fetches batches of frames from the library; the user-interface thread
// reads them one record at a time with ReadFrame.
//
// Invariant: m_bInitialized is set exactly while the library is bound, the device
// was found and the realtime thread runs. A thread that does not stop within
// kStopTimeout is left behind with its frame store, and its library stays loaded.
class CCorvanaDriver : public CInputDriver
{
public:
    static constexpr std::chrono::milliseconds kStopTimeout { 2000 };

    // An empty path looks the library up beside the executable, then in the working folder.
    explicit CCorvanaDriver(std::string libraryPath = {});
    ~CCorvanaDriver() override;

    void UpdateFps() override;
    bool ReadFrame(std::uint8_t* buffer, int length) override;
    void Close() override;
    bool Init() override;
    int GetStatusText(char* buffer, int size, int flags) override;
    bool IsInitialized() override;
    bool Blink(bool on) override;

    // Frame-rate bookkeeping at a given tick (milliseconds, wrapping).
    void UpdateFpsAt(std::uint32_t now);

    int GetDeviceIndex() const { return m_iDeviceIndex; }

private:
    bool StartThread();
    void StopThread();
    void CollectFrames();

    std::shared_ptr<CCorvanaFrameStore> m_pFrames; // lock, events, header and data buffer
    std::thread m_Thread;
    std::future<void> m_ThreadDone;
    std::int32_t m_iDeviceIndex;
    corvana::DeviceTable m_DeviceTable {};
    std::int32_t m_iDeviceId = 0;
    CCorvanaLibrary m_Library;
    std::string m_szLibraryPath;
    std::uint32_t m_dwFpsTick = 0;
};
