#pragma once

#include <cstdint>
#include <span>
#include <string>

// "ok" when the datagram is a well-formed status or text packet of the player
// (magic, kind, constants, NUL-terminated fields, zero padding, values in
// range), otherwise "bad:" and the first thing found wrong.
std::string CheckBroadcast(std::span<const std::uint8_t> datagram);
