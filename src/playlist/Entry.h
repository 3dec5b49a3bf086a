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
    // From a playlist file but of a type the player does not know: kept with
    // the title and length as read, so saving writes the record back unchanged.
    bool m_bUnknownType = false;
};
