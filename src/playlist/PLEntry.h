#pragma once

#include <cstdint>
#include <string>

// One record of a playlist file as read.
struct CPLEntry
{
    int32_t m_Seconds = 0; // 0 = not given
    std::string m_Path; // exactly as written in the file
    std::string m_Title; // empty when not given

    friend bool operator==(const CPLEntry&, const CPLEntry&) = default;
};
