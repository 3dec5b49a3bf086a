#include "devices/CorvanaFrameStore.h"

#include "core/Log.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kWakeIntervalMs = 20;

} // namespace

CCorvanaFrameStore::CCorvanaFrameStore()
    : m_pData(std::make_unique<std::uint8_t[]>(corvana::kDataSize))
{
}

void CCorvanaFrameStore::Reset()
{
    m_iRecordCount = 0;
    m_iReadIndex = 0;
    m_bRun = true;
}

void CCorvanaFrameStore::RequestStop()
{
    m_bRun = false;
    m_Stop.Set();
}

void CCorvanaFrameStore::Run(corvana::GetFrameFn getFrame, std::int32_t deviceId, int deviceNumber)
{
    while (m_bRun) {
        CAutoResetEvent::WaitAny(m_FrameWanted, m_Stop, kWakeIntervalMs);
        if (!m_bRun)
            break;
        if (m_iReadIndex < m_iRecordCount)
            continue;
        Fetch(getFrame, deviceId, deviceNumber);
    }
}

void CCorvanaFrameStore::Fetch(corvana::GetFrameFn getFrame, std::int32_t deviceId, int deviceNumber)
{
    CCorvanaBatch batch;
    {
        std::lock_guard lock(m_Mutex);
        if (getFrame(m_Header.data(), m_pData.get(), deviceId) == 0)
            return;
        batch = CCorvanaBatch::FromHeader(m_Header.data());
        m_Batch = batch;
        m_iFrameCounter += batch.m_iFrameCount;
        m_iReadIndex = 0;
        m_iRecordCount = batch.m_iRecordCount;
    }
    if (batch.m_bClipped && !m_bClipReported) {
        m_bClipReported = true;
        LogError("%s#%d: Frame header names more than the frame buffer holds; cut to %d records.\n",
            "Corvana", deviceNumber, batch.m_iRecordCount);
    }
}

bool CCorvanaFrameStore::Read(std::uint8_t* buffer, int length)
{
    if (m_iReadIndex >= m_iRecordCount) {
        m_FrameWanted.Set();
        return false;
    }
    std::lock_guard lock(m_Mutex);
    const int index = m_iReadIndex;
    if (index >= m_iRecordCount) {
        m_FrameWanted.Set();
        return false;
    }
    const auto record = static_cast<std::size_t>(index);
    const auto wanted = static_cast<std::size_t>(std::max(length, 0));
    const std::size_t copied = std::min<std::size_t>(m_Batch.m_Lengths[record], wanted);
    if (copied > 0)
        std::memcpy(buffer, m_pData.get() + m_Batch.m_Offsets[record], copied);
    if (wanted > copied)
        std::memset(buffer + copied, 0, wanted - copied);
    m_iReadIndex = index + 1;
    return true;
}
