#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The shape of an OSC datagram, checked before liblo unpacks it: a bundle's
// elements are counted and its nesting measured by walking their sizes only,
// so that no datagram can make liblo (which re-validates a nested bundle at
// every level) or the handlers do more than a bounded amount of work. What is
// inside a message is liblo's to decode.
namespace OscDatagram {

// A controller's bundle holds a handful of commands.
constexpr std::size_t kMaxElements = 32; // messages and bundles, at every level
constexpr std::size_t kMaxDepth = 4; // the outer bundle is 1

enum class Verdict { Accepted, Malformed, TooManyElements, TooDeep };

Verdict Check(std::span<const std::uint8_t> bytes);
// The bad-input cause of a refusal, or nullptr.
const char* Cause(Verdict verdict);

} // namespace OscDatagram
