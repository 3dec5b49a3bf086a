// A stand-in for the Corvana DMX driver library, for machines without the
// device and for the tests. It exports the nine driver functions (built
// without "NOP" when CORVANA_SIM_WITHOUT_NOP is defined) and two control
// functions for tests. Its behaviour is read from the environment at every
// "InitDriver"; see README.md for the variables.

#include "devices/CorvanaApi.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#define CORVANA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using Clock = std::chrono::steady_clock;

enum class Pattern { Ramp, Level, Constant, File };

struct Config
{
    int devices = 1;
    int rate = 44; // frames per second when no fixed record count is set
    int records = -1; // records in every batch (may exceed 8 on purpose); -1: by rate
    int length = 512; // length written into the header for every record
    int count = 0; // the header's 16-bit count
    int batches = -1; // batches delivered before GetFrame only fails; -1: no limit
    int blockMs = 0; // GetFrame waits this long first; -1: until CorvanaSim_Unblock
    Pattern pattern = Pattern::Ramp;
    int constant = 0;
    std::string file; // Pattern::File: comma-separated values from channel 1, read for every batch
    bool failVersion = false;
    bool failSign = false;
    bool failFrame = false;
};

struct State
{
    std::mutex mutex;
    std::condition_variable unblocked;
    bool released = false;
    Config config;
    Clock::time_point start = Clock::now();
    long framesDelivered = 0;
    int batchesDelivered = 0;
    std::uint32_t sequence = 0; // number of the next record, from 1
    std::uint8_t fileValues[512] {}; // Pattern::File: the values of the current batch
    bool fileRandom = false; // Pattern::File said "random": new values in every frame
    int initDriverCalls = 0;
    int versionCalls = 0;
    int signCalls = 0;
    int frameCalls = 0;
    int frameReturns = 0;
};

// Present only in sanitizer builds.
extern "C" void __lsan_ignore_object(const void* object) __attribute__((weak));

// Never destroyed: a thread may still wait inside GetFrame when the process exits.
// Once the host unloads the library nothing points at it any more, so tell the
// leak checker that this one is meant to stay.
State& Sim()
{
    static State* state = [] {
        auto* created = new State;
        if (__lsan_ignore_object)
            __lsan_ignore_object(created);
        return created;
    }();
    return *state;
}

int EnvInt(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' ? static_cast<int>(value) : fallback;
}

bool Listed(const std::string& list, const char* name)
{
    std::size_t pos = 0;
    while (pos <= list.size()) {
        const std::size_t comma = std::min(list.find(',', pos), list.size());
        if (list.compare(pos, comma - pos, name) == 0)
            return true;
        pos = comma + 1;
    }
    return false;
}

Config ReadConfig()
{
    Config config;
    config.devices = std::clamp(EnvInt("CORVANA_SIM_DEVICES", config.devices), 0, 255);
    config.rate = std::max(0, EnvInt("CORVANA_SIM_RATE", config.rate));
    config.records = std::clamp(EnvInt("CORVANA_SIM_RECORDS", config.records), -1, 255);
    config.length = std::clamp(EnvInt("CORVANA_SIM_LENGTH", config.length), 0, 65535);
    config.count = std::clamp(EnvInt("CORVANA_SIM_COUNT", config.count), 0, 65535);
    config.batches = std::max(-1, EnvInt("CORVANA_SIM_BATCHES", config.batches));
    config.blockMs = std::max(-1, EnvInt("CORVANA_SIM_BLOCK_MS", config.blockMs));
    const char* pattern = std::getenv("CORVANA_SIM_PATTERN");
    if (pattern && std::strcmp(pattern, "level") == 0) {
        config.pattern = Pattern::Level;
    } else if (pattern && std::strncmp(pattern, "file:", 5) == 0) {
        config.pattern = Pattern::File;
        config.file = pattern + 5;
    } else if (pattern && *pattern >= '0' && *pattern <= '9') {
        config.pattern = Pattern::Constant;
        config.constant = std::atoi(pattern) & 0xFF;
    }
    const char* fail = std::getenv("CORVANA_SIM_FAIL");
    const std::string failing = fail ? fail : "";
    config.failVersion = Listed(failing, "GetProduktVersion");
    config.failSign = Listed(failing, "GetSign");
    config.failFrame = Listed(failing, "GetFrame");
    return config;
}

bool KnownDevice(const Config& config, std::int32_t deviceId)
{
    const int index = deviceId - 0x10;
    return index >= 0 && index < std::min(config.devices, corvana::kMaxDevices);
}

void PutU16(std::uint8_t* p, int value)
{
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// A desk for the tests: the file's first line, "v1,v2,...", channels after it
// 0; or "random", a storm of new values on every channel in every frame.
void ReadValuesFile(State& sim)
{
    std::memset(sim.fileValues, 0, sizeof sim.fileValues);
    sim.fileRandom = false;
    std::FILE* file = std::fopen(sim.config.file.c_str(), "r");
    if (!file)
        return;
    char word[7] {};
    if (std::fread(word, 1, 6, file) == 6 && std::strcmp(word, "random") == 0) {
        sim.fileRandom = true;
        std::fclose(file);
        return;
    }
    std::rewind(file);
    std::size_t channel = 0;
    int value = 0;
    while (channel < sizeof sim.fileValues && std::fscanf(file, "%d", &value) == 1) {
        sim.fileValues[channel++] = static_cast<std::uint8_t>(value & 0xFF);
        if (std::fgetc(file) != ',')
            break;
    }
    std::fclose(file);
}

std::uint8_t Value(const State& sim, std::uint32_t sequence, std::size_t channel)
{
    const Config& config = sim.config;
    switch (config.pattern) {
    case Pattern::File:
        if (sim.fileRandom) {
            // A random start per channel, then 37 further in every frame: never the same twice running.
            std::uint32_t x = static_cast<std::uint32_t>(channel) * 2654435761u;
            x ^= x >> 13;
            return static_cast<std::uint8_t>((x * 0x5bd1e995u >> 24) + sequence * 37u);
        }
        return channel < sizeof sim.fileValues ? sim.fileValues[channel] : 0;
    case Pattern::Level:
        return static_cast<std::uint8_t>(sequence);
    case Pattern::Constant:
        return static_cast<std::uint8_t>(config.constant);
    case Pattern::Ramp:
        break;
    }
    return static_cast<std::uint8_t>(sequence + channel);
}

// How many records the next batch holds; 0 when none is due. Like a device
// buffer, it keeps only the newest 8 frames when nobody fetched for a while.
int DueRecords(State& sim)
{
    const Config& config = sim.config;
    if (config.batches >= 0 && sim.batchesDelivered >= config.batches)
        return 0;
    if (config.records >= 0)
        return config.records;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sim.start);
    const long due = static_cast<long>(elapsed.count()) * config.rate / 1000 - sim.framesDelivered;
    if (due > corvana::kMaxRecords)
        sim.framesDelivered += due - corvana::kMaxRecords; // dropped
    return static_cast<int>(std::clamp<long>(due, 0, corvana::kMaxRecords));
}

void FillBatch(State& sim, int records, std::uint8_t* header, std::uint8_t* data)
{
    const Config& config = sim.config;
    std::memset(header, 0, corvana::kHeaderSize);
    PutU16(header + corvana::kHeaderCountOffset, config.count);
    header[corvana::kHeaderRecordsOffset] = static_cast<std::uint8_t>(records);
    if (config.pattern == Pattern::File)
        ReadValuesFile(sim);
    std::size_t offset = 0;
    for (int i = 0; i < std::min(records, corvana::kMaxRecords); ++i) {
        PutU16(header + corvana::kHeaderRecordTableOffset
                + static_cast<std::size_t>(i) * corvana::kHeaderRecordEntrySize,
            config.length);
        const std::uint32_t sequence = ++sim.sequence;
        // The header may lie on purpose; the data never leaves the buffer.
        for (std::size_t k = 0;
             k < static_cast<std::size_t>(config.length) && offset + k < corvana::kDataSize; ++k)
            data[offset + k] = Value(sim, sequence, k);
        offset += static_cast<std::size_t>(config.length);
    }
    sim.framesDelivered += records;
    ++sim.batchesDelivered;
}

} // namespace

// Tells the player that this is no device maker's driver.
CORVANA_EXPORT int CorvanaSimulator()
{
    return 1;
}

CORVANA_EXPORT corvana::DeviceTable InitDriver()
{
    State& sim = Sim();
    std::lock_guard lock(sim.mutex);
    const int initCalls = sim.initDriverCalls + 1;
    sim.config = ReadConfig();
    sim.released = false;
    sim.start = Clock::now();
    sim.framesDelivered = 0;
    sim.batchesDelivered = 0;
    sim.sequence = 0;
    sim.initDriverCalls = initCalls;
    sim.versionCalls = sim.signCalls = sim.frameCalls = sim.frameReturns = 0;

    corvana::DeviceTable table {};
    table.count = static_cast<std::uint8_t>(sim.config.devices);
    for (int i = 0; i < corvana::kMaxDevices; ++i)
        table.ids[i] = static_cast<std::uint8_t>(0x10 + i);
    return table;
}

CORVANA_EXPORT std::uint8_t GetProduktVersion(void* version, std::int32_t deviceId)
{
    State& sim = Sim();
    std::lock_guard lock(sim.mutex);
    ++sim.versionCalls;
    if (sim.config.failVersion || !version || !KnownDevice(sim.config, deviceId))
        return 0;
    // Minor, major for the library, the driver and the firmware.
    auto* record = static_cast<std::uint8_t*>(version);
    const int numbers[6] = { 2, 1, 4, 3, 6, 5 };
    for (int i = 0; i < 6; ++i)
        PutU16(record + 2 * i, numbers[i]);
    return 1;
}

CORVANA_EXPORT std::uint8_t GetSign(std::int32_t, std::int32_t deviceId)
{
    State& sim = Sim();
    std::lock_guard lock(sim.mutex);
    ++sim.signCalls;
    return !sim.config.failSign && KnownDevice(sim.config, deviceId) ? 1 : 0;
}

CORVANA_EXPORT std::uint8_t GetFrame(void* header, void* data, std::int32_t deviceId)
{
    State& sim = Sim();
    std::unique_lock lock(sim.mutex);
    ++sim.frameCalls;
    if (sim.config.blockMs < 0)
        sim.unblocked.wait(lock, [&sim] { return sim.released; });
    else if (sim.config.blockMs > 0)
        sim.unblocked.wait_for(
            lock, std::chrono::milliseconds(sim.config.blockMs), [&sim] { return sim.released; });
    ++sim.frameReturns;
    if (sim.config.failFrame || !header || !data || !KnownDevice(sim.config, deviceId))
        return 0;
    const int records = DueRecords(sim);
    if (records == 0)
        return 0;
    FillBatch(sim, records, static_cast<std::uint8_t*>(header), static_cast<std::uint8_t*>(data));
    return 1;
}

// Bound by the player but never called; present so that binding succeeds.
CORVANA_EXPORT int InitDevice()
{
    return 0;
}

CORVANA_EXPORT int GetError()
{
    return 0;
}

CORVANA_EXPORT int FirmwareUpgrade()
{
    return 0;
}

CORVANA_EXPORT int GetResponse()
{
    return 0;
}

#ifndef CORVANA_SIM_WITHOUT_NOP
CORVANA_EXPORT int NOP()
{
    return 0;
}
#endif

// Test controls, not part of the driver interface.

// Calls so far since the last "InitDriver" ("GetFrame" counts entries,
// "GetFrame:returned" returns), or "InitDriver" calls in all.
CORVANA_EXPORT int CorvanaSim_CallCount(const char* function)
{
    State& sim = Sim();
    std::lock_guard lock(sim.mutex);
    static const std::pair<std::string_view, int State::*> kCounters[] = {
        { "InitDriver", &State::initDriverCalls },
        { "GetProduktVersion", &State::versionCalls },
        { "GetSign", &State::signCalls },
        { "GetFrame", &State::frameCalls },
        { "GetFrame:returned", &State::frameReturns },
        { "GetFrame:delivered", &State::batchesDelivered },
    };
    const std::string_view name = function ? function : "";
    for (const auto& [counter, member] : kCounters)
        if (name == counter)
            return sim.*member;
    return -1;
}

// Lets every blocked and future GetFrame return until the next "InitDriver".
CORVANA_EXPORT void CorvanaSim_Unblock()
{
    State& sim = Sim();
    {
        std::lock_guard lock(sim.mutex);
        sim.released = true;
    }
    sim.unblocked.notify_all();
}
