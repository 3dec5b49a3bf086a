#pragma once

#include "devices/CorvanaApi.h"

#include <array>
#include <cstdint>

// Where each record of one fetched batch lies in the 8192-byte data buffer.
//
// Invariant: 0 <= m_iRecordCount <= 8 and, for every record, offset + length
// <= 8192, whatever the library wrote into the header. A header that names
// more records or more bytes than that is cut down and marked m_bClipped.
struct CCorvanaBatch
{
    int m_iRecordCount = 0;
    int m_iFrameCount = 0; // header's 16-bit count plus the record count
    bool m_bClipped = false;
    std::array<std::uint16_t, corvana::kMaxRecords> m_Offsets {};
    std::array<std::uint16_t, corvana::kMaxRecords> m_Lengths {};

    // Reads a 39-byte frame header.
    static CCorvanaBatch FromHeader(const std::uint8_t* header);
};
