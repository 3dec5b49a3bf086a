#pragma once

#include "devices/AutoResetEvent.h"
#include "devices/CorvanaApi.h"
#include "devices/CorvanaBatch.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The frames fetched by the realtime thread and handed to the reader, with the
// lock and the two events between them. The driver and its thread share it, so
// a thread stuck in the library can be left behind without touching freed memory.
//
// Invariant: the thread calls "GetFrame" only when every record of the current
// batch has been read, and the reader takes the lock only while records are
// left, so the reader never waits for the library.
class CCorvanaFrameStore
{
public:
    CCorvanaFrameStore();

    // Before the thread starts: empty batch, running.
    void Reset();
    // The realtime thread's loop; returns once RequestStop was called.
    void Run(corvana::GetFrameFn getFrame, std::int32_t deviceId, int deviceNumber);
    void RequestStop();

    // Reader: copies the next record into buffer (length bytes, zero-filled
    // beyond the record). When none is left, wakes the thread and returns false.
    bool Read(std::uint8_t* buffer, int length);
    // Frames counted by the thread since the last call.
    int TakeFrameCount() { return m_iFrameCounter.exchange(0); }

private:
    void Fetch(corvana::GetFrameFn getFrame, std::int32_t deviceId, int deviceNumber);

    std::mutex m_Mutex; // guards the header, the data and m_Batch
    CAutoResetEvent m_FrameWanted;
    CAutoResetEvent m_Stop;
    std::atomic<bool> m_bRun { false };
    std::array<std::uint8_t, corvana::kHeaderSize> m_Header {};
    std::unique_ptr<std::uint8_t[]> m_pData;
    CCorvanaBatch m_Batch;
    std::atomic<int> m_iRecordCount { 0 };
    std::atomic<int> m_iReadIndex { 0 };
    std::atomic<int> m_iFrameCounter { 0 };
    bool m_bClipReported = false; // realtime thread only
};
