#include "SimLibrary.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

const char* const kVariables[] = {
    "CORVANA_SIM_DEVICES",
    "CORVANA_SIM_RATE",
    "CORVANA_SIM_RECORDS",
    "CORVANA_SIM_LENGTH",
    "CORVANA_SIM_COUNT",
    "CORVANA_SIM_BATCHES",
    "CORVANA_SIM_BLOCK_MS",
    "CORVANA_SIM_PATTERN",
    "CORVANA_SIM_FAIL",
};

using CallCountFn = int (*)(const char*);
using UnblockFn = void (*)();

// Opened once and kept for the whole run, so counters survive the driver's unload.
struct Controls
{
    CallCountFn callCount = nullptr;
    UnblockFn unblock = nullptr;
};

const Controls& GetControls()
{
    static const Controls controls = [] {
        Controls c;
        void* handle = ::dlopen(CORVANA_SIM_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle) {
            c.callCount = reinterpret_cast<CallCountFn>(::dlsym(handle, "CorvanaSim_CallCount"));
            c.unblock = reinterpret_cast<UnblockFn>(::dlsym(handle, "CorvanaSim_Unblock"));
        }
        return c;
    }();
    return controls;
}

void UnsetAll()
{
    for (const char* name : kVariables)
        ::unsetenv(name);
}

} // namespace

SimLibrary::SimLibrary(std::initializer_list<std::pair<const char*, const char*>> settings)
{
    UnsetAll();
    for (const auto& [name, value] : settings)
        ::setenv(name, value, 1);
    EXPECT_NE(GetControls().callCount, nullptr) << "simulated library not loadable: " << Path();
}

SimLibrary::~SimLibrary()
{
    UnsetAll();
}

std::string SimLibrary::Path()
{
    return CORVANA_SIM_PATH;
}

std::string SimLibrary::PathWithoutNop()
{
    return CORVANA_SIM_NONOP_PATH;
}

int SimLibrary::Calls(const char* function) const
{
    return GetControls().callCount ? GetControls().callCount(function) : -1;
}

void SimLibrary::Unblock() const
{
    if (GetControls().unblock)
        GetControls().unblock();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
