#include "devices/CorvanaDriver.h"

#include "core/Log.h"
#include "core/TickClock.h"
#include "devices/CorvanaFrameStore.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <system_error>

namespace {

constexpr const char* kDeviceName = "Corvana";
constexpr int kUniverseSize = 512;

// Living drivers; each new one drives the next device of the type.
std::atomic<int> g_iDriverCount { 0 };

int ReadU16(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

} // namespace

CCorvanaDriver::CCorvanaDriver(std::string libraryPath)
    : m_pFrames(std::make_shared<CCorvanaFrameStore>())
    , m_iDeviceIndex(g_iDriverCount++)
    , m_szLibraryPath(std::move(libraryPath))
{
}

CCorvanaDriver::~CCorvanaDriver()
{
    Close();
    --g_iDriverCount;
}

bool CCorvanaDriver::Init()
{
    if (m_bInitialized || m_Library.IsLoaded())
        Close();
    m_bInitialized = 0;
    m_iUniverseCount = 1;
    const int number = m_iDeviceIndex + 1;
    LogMessage("Initializing %s#%d\n", kDeviceName, number);

    const std::string path = m_szLibraryPath.empty() ? CCorvanaLibrary::FindDefault() : m_szLibraryPath;
    if (!m_Library.Load(path)) {
        LogError("CCorvanaDriver: Failed to open '%s'!\n", path.c_str());
        LogError("CCorvanaDriver: %s\n", m_Library.LastError().c_str());
        std::error_code error;
        if (!std::filesystem::exists(path, error))
            LogError("%s#%d (Not found): the device maker's driver library goes in %s\n", kDeviceName, number,
                CCorvanaLibrary::MakersPath().c_str());
        return false;
    }
    // Made-up frames must never pass for a device's.
    if (m_Library.IsSimulator())
        LogMessage("%s#%d: %s is the simulated driver (a test and demonstration tool), not a device.\n",
            kDeviceName, number, path.c_str());
    if (!m_Library.BindAll()) {
        LogError("CCorvanaDriver: Importing DLL functions failed.\n");
        return false;
    }

    m_DeviceTable = m_Library.m_pInitDriver();
    const int count = m_DeviceTable.count;
    LogMessage("Present devices of type %s: %d\n", kDeviceName, count);
    if (m_iDeviceIndex < 0 || m_iDeviceIndex >= count || m_iDeviceIndex >= corvana::kMaxDevices) {
        LogError("%s#%d: Not found.\n", kDeviceName, number);
        return false;
    }
    m_iDeviceId = m_DeviceTable.ids[m_iDeviceIndex];

    std::uint8_t version[corvana::kVersionSize] = {};
    if (m_Library.m_pGetProduktVersion(version, m_iDeviceId) == 0) {
        LogError("%s#%d: Could not fetch version data.\n", kDeviceName, number);
        return false;
    }
    // Three pairs of minor, major: library, driver, firmware.
    LogMessage("DLL: %d.%d  Driver: %d.%d  Firmware: %d.%d\n", ReadU16(version + 2), ReadU16(version),
        ReadU16(version + 6), ReadU16(version + 4), ReadU16(version + 10), ReadU16(version + 8));

    if (!StartThread()) {
        LogError("Error on creating realtime thread.\n");
        return false;
    }
    LogMessage("%s#%d driver successfully initialized.\n", kDeviceName, number);
    m_bInitialized = 1;
    return true;
}

bool CCorvanaDriver::StartThread()
{
    // The batch is emptied before the thread can fill it.
    m_pFrames->Reset();
    std::promise<void> done;
    m_ThreadDone = done.get_future();
    try {
        m_Thread = std::thread([frames = m_pFrames, getFrame = m_Library.m_pGetFrame, deviceId = m_iDeviceId,
                                   number = m_iDeviceIndex + 1, done = std::move(done)]() mutable {
            frames->Run(getFrame, deviceId, number);
            done.set_value();
        });
    } catch (const std::system_error&) {
        return false;
    }
    sched_param param {};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(m_Thread.native_handle(), SCHED_FIFO, &param) != 0)
        LogMessage("%s#%d: No realtime priority allowed; the frame thread runs at normal priority.\n",
            kDeviceName, m_iDeviceIndex + 1);
    return true;
}

void CCorvanaDriver::StopThread()
{
    if (!m_Thread.joinable())
        return;
    m_pFrames->RequestStop();
    if (m_ThreadDone.wait_for(kStopTimeout) == std::future_status::ready) {
        m_Thread.join();
        return;
    }
    // The thread is stuck inside the library: leave it with its own reference
    // to the frame store, and never unload code it may still be running.
    LogError("%s#%d: Realtime thread does not stop; the driver library stays loaded.\n", kDeviceName,
        m_iDeviceIndex + 1);
    // Back to normal priority, so a library that spins cannot starve the player.
    sched_param normal {};
    pthread_setschedparam(m_Thread.native_handle(), SCHED_OTHER, &normal);
    m_Thread.detach();
    m_Library.Abandon();
    m_pFrames = std::make_shared<CCorvanaFrameStore>();
}

void CCorvanaDriver::Close()
{
    StopThread();
    m_Library.Unload();
    m_bInitialized = 0;
}

bool CCorvanaDriver::ReadFrame(std::uint8_t* buffer, int length)
{
    if (!m_bInitialized)
        return false;
    const int limited = buffer ? std::clamp(length, 0, m_iUniverseCount * kUniverseSize) : 0;
    return m_pFrames->Read(buffer, limited);
}

void CCorvanaDriver::CollectFrames()
{
    m_iFrameCounter += m_pFrames->TakeFrameCount();
}

void CCorvanaDriver::UpdateFps()
{
    UpdateFpsAt(TickCount());
}

void CCorvanaDriver::UpdateFpsAt(std::uint32_t now)
{
    CollectFrames();
    if (now - m_dwFpsTick >= 1000) {
        m_iFps = m_iFrameCounter;
        m_iFrameCounter = 0;
        m_dwFpsTick = now;
    }
}

int CCorvanaDriver::GetStatusText(char* buffer, int size, int)
{
    if (!buffer || size <= 0)
        return 0;
    CollectFrames();
    std::string text = std::string(kDeviceName) + "#" + std::to_string(m_iDeviceIndex + 1);
    if (!m_bInitialized) {
        text += " (Not found)";
    } else {
        if (m_bShowAddress) {
            char address[16];
            std::snprintf(address, sizeof address, " A%03d", m_iStartAddress);
            text += address;
        }
        if (m_bMerge)
            text += " MERGE";
        if (m_iFps != 0 || m_iFrameCounter != 0)
            text += " (" + std::to_string(m_iFps) + " fps)";
        else
            text += " (NO DATA)";
    }
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text.c_str());
    return 1;
}

bool CCorvanaDriver::IsInitialized()
{
    return m_bInitialized != 0;
}

bool CCorvanaDriver::Blink(bool on)
{
    LogMessage("%s#%d blinking...\n", kDeviceName, m_iDeviceIndex + 1);
    if (!m_bInitialized)
        return false;
    return m_Library.m_pGetSign(on ? 1 : 0, m_iDeviceId) != 0;
}
