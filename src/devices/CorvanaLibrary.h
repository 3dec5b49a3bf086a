#pragma once

#include "devices/CorvanaApi.h"

#include <string>

// The loaded Corvana driver library and its nine bound exports.
// Unloads itself on destruction unless it was abandoned.
class CCorvanaLibrary
{
public:
    // The one place for the device maker's library: PREFIX/lib/zuvio/Drivers/
    // Corvana/corvana.so, where PREFIX is the folder above the executable's
    // (/usr for the package, the build folder for a build).
    static std::string MakersPath();
    // The library ZUVIO_CORVANA_DRIVER names (the simulator, for tests and the
    // demonstration), else Drivers/Corvana/corvana.so beside the executable or
    // in the working folder where one is there, else MakersPath().
    static std::string FindDefault();
    // Name of the variable FindDefault reads.
    static constexpr const char* kPathVariable = "ZUVIO_CORVANA_DRIVER";

    CCorvanaLibrary() = default;
    ~CCorvanaLibrary();
    CCorvanaLibrary(const CCorvanaLibrary&) = delete;
    CCorvanaLibrary& operator=(const CCorvanaLibrary&) = delete;

    // Returns false with the loader's reason in LastError().
    bool Load(const std::string& path);
    // Binds every export, logging each one that is missing; true when all were found.
    bool BindAll();
    void Unload();
    // Forgets the library without unloading it, for when a thread may still run in it.
    void Abandon();

    bool IsLoaded() const { return m_pHandle != nullptr; }
    // The loaded library is tools/corvana-sim (it exports "CorvanaSimulator").
    bool IsSimulator() const;
    const std::string& LastError() const { return m_szLastError; }

    corvana::InitDriverFn m_pInitDriver = nullptr;
    corvana::UnusedFn m_pInitDevice = nullptr;
    corvana::UnusedFn m_pGetError = nullptr;
    corvana::UnusedFn m_pFirmwareUpgrade = nullptr;
    corvana::GetProduktVersionFn m_pGetProduktVersion = nullptr;
    corvana::GetSignFn m_pGetSign = nullptr;
    corvana::UnusedFn m_pGetResponse = nullptr;
    corvana::GetFrameFn m_pGetFrame = nullptr;
    corvana::UnusedFn m_pNop = nullptr;

private:
    void ClearFunctions();

    void* m_pHandle = nullptr;
    std::string m_szLastError;
};
