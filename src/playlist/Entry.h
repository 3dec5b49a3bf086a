#pragma once

#include <cstdint>
#include <string>

// One playlist entry, owned by the playlist control.
struct CEntry
{
    std::string m_Path; // full path as added
    std::string m_Title; // "Name" column
    std::string m_Length; // "Time" column, FormatDuration text or "0:00:00"
    int32_t m_Id = 0; // unique within a run; the row's item data
};
