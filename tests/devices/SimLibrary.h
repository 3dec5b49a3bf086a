#pragma once

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

// The simulated Corvana library as the tests see it: its path, its control
// exports, and its environment for the next "InitDriver".
class SimLibrary
{
public:
    // Sets the given CORVANA_SIM_* variables (all others unset) for the life of the object.
    explicit SimLibrary(std::initializer_list<std::pair<const char*, const char*>> settings = {});
    ~SimLibrary();
    SimLibrary(const SimLibrary&) = delete;
    SimLibrary& operator=(const SimLibrary&) = delete;

    static std::string Path();
    static std::string PathWithoutNop();

    // "GetFrame", "GetFrame:returned", "GetFrame:delivered", "GetSign", ...
    int Calls(const char* function) const;
    void Unblock() const;
};

// Polls condition until it holds or the limit passes; true when it held.
bool WaitUntil(
    const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));
