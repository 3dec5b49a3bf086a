#pragma once

#include "devices/CorvanaApi.h"

#include <string>

// The loaded Corvana driver library and its nine bound exports.
// Unloads itself on destruction unless it was abandoned.
class CCorvanaLibrary
{
public:
    // "Drivers/Corvana/corvana.so" beside the executable, else in the working
    // folder, else in ../lib/zuvio from the executable's folder (an installed
    // player); the relative name when none exists.
    static std::string FindDefault();

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
