#pragma once

#include <csignal>
#include <cstdint>

// Prints every datagram arriving on `port` as one line: the kernel's receive
// time (realtime clock), "status", "text" or "other", the verdict of
// CheckBroadcast and the bytes in hex. Runs for `seconds` (0: until `stop` is
// set). Returns the exit status: 0, or 3 when the port cannot be bound.
int RunRecorder(std::uint16_t port, double seconds, const volatile std::sig_atomic_t& stop);
