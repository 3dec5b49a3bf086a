#pragma once

#include <chrono>
#include <functional>

// Runs the Qt event loop until the condition holds or the limit passes; true
// when it holds. Conditions outside Qt are looked at every 10 ms as well.
bool WaitFor(
    const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(5));

inline bool WaitFor(const std::function<bool()>& condition, int limitMs)
{
    return WaitFor(condition, std::chrono::milliseconds(limitMs));
}
