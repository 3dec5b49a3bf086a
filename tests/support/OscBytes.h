#pragma once

#include "osc/LoHandles.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

// OSC datagrams built with liblo, as a controller would send them.
using Bytes = std::vector<std::uint8_t>;

inline Bytes Serialise(const char* path, lo_message message)
{
    std::size_t size = 0;
    void* data = lo_message_serialise(message, path, nullptr, &size);
    Bytes bytes(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
    std::free(data);
    return bytes;
}

// One message: types as lo_message_add takes them ("i", "f", "s", "T"...).
template <typename... Args> Bytes Osc(const char* path, const char* types = "", Args... args)
{
    LoMessagePtr message(lo_message_new());
    if (types[0] != '\0')
        lo_message_add(message.get(), types, args...);
    return Serialise(path, message.get());
}
