#include "devices/CorvanaBatch.h"

#include <algorithm>
#include <cstddef>

namespace {

std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

CCorvanaBatch CCorvanaBatch::FromHeader(const std::uint8_t* header)
{
    CCorvanaBatch batch;
    const int named = header[corvana::kHeaderRecordsOffset];
    batch.m_iRecordCount = std::min(named, corvana::kMaxRecords);
    batch.m_bClipped = named > corvana::kMaxRecords;
    batch.m_iFrameCount = ReadU16(header + corvana::kHeaderCountOffset) + batch.m_iRecordCount;

    std::size_t offset = 0;
    for (int i = 0; i < batch.m_iRecordCount; ++i) {
        const std::size_t named_length = ReadU16(header + corvana::kHeaderRecordTableOffset
            + static_cast<std::size_t>(i) * corvana::kHeaderRecordEntrySize);
        const std::size_t start = std::min(offset, corvana::kDataSize);
        const std::size_t length = std::min(named_length, corvana::kDataSize - start);
        if (length != named_length)
            batch.m_bClipped = true;
        batch.m_Offsets[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(start);
        batch.m_Lengths[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(length);
        offset += named_length;
    }
    return batch;
}
