#include "devices/CorvanaLibrary.h"

#include "core/Log.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kRelativePath = "Drivers/Corvana/corvana.so";
constexpr const char* kInstalledFolder = "lib/zuvio";

// dlsym hands out object pointers; the exports are functions of a known type.
template <typename Fn> bool BindOne(void* handle, const char* name, Fn& function)
{
    void* symbol = ::dlsym(handle, name);
    function = reinterpret_cast<Fn>(symbol);
    if (!symbol)
        LogError("DLL function '%s': Not found\n", name);
    return symbol != nullptr;
}

} // namespace

std::string CCorvanaLibrary::MakersPath()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return kRelativePath;
    return (exe.parent_path().parent_path() / kInstalledFolder / kRelativePath).string();
}

std::string CCorvanaLibrary::FindDefault()
{
    const char* named = std::getenv(kPathVariable);
    if (named && *named)
        return named;
    // A copy beside the executable or in the working folder comes first, as it
    // always has: installations keep their driver there across upgrades.
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path besideExe = exe.parent_path() / kRelativePath;
        if (fs::exists(besideExe, error))
            return besideExe.string();
    }
    const fs::path inWorkingFolder = fs::current_path(error) / kRelativePath;
    if (!error && fs::exists(inWorkingFolder, error))
        return inWorkingFolder.string();
    return MakersPath();
}

bool CCorvanaLibrary::IsSimulator() const
{
    return m_pHandle && ::dlsym(m_pHandle, "CorvanaSimulator") != nullptr;
}

CCorvanaLibrary::~CCorvanaLibrary()
{
    Unload();
}

bool CCorvanaLibrary::Load(const std::string& path)
{
    Unload();
    m_szLastError.clear();
    // A path with a slash is opened as it is, never searched for.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    m_pHandle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_pHandle) {
        const char* reason = ::dlerror();
        m_szLastError = reason ? reason : "unknown error";
    }
    return m_pHandle != nullptr;
}

bool CCorvanaLibrary::BindAll()
{
    if (!m_pHandle)
        return false;
    // Every lookup runs, so each missing name is logged.
    bool ok = BindOne(m_pHandle, "InitDriver", m_pInitDriver);
    ok &= BindOne(m_pHandle, "InitDevice", m_pInitDevice);
    ok &= BindOne(m_pHandle, "GetError", m_pGetError);
    ok &= BindOne(m_pHandle, "FirmwareUpgrade", m_pFirmwareUpgrade);
    ok &= BindOne(m_pHandle, "GetProduktVersion", m_pGetProduktVersion);
    ok &= BindOne(m_pHandle, "GetSign", m_pGetSign);
    ok &= BindOne(m_pHandle, "GetResponse", m_pGetResponse);
    ok &= BindOne(m_pHandle, "GetFrame", m_pGetFrame);
    ok &= BindOne(m_pHandle, "NOP", m_pNop);
    return ok;
}

void CCorvanaLibrary::Unload()
{
    ClearFunctions();
    if (m_pHandle)
        ::dlclose(m_pHandle);
    m_pHandle = nullptr;
}

void CCorvanaLibrary::Abandon()
{
    ClearFunctions();
    m_pHandle = nullptr;
}

void CCorvanaLibrary::ClearFunctions()
{
    m_pInitDriver = nullptr;
    m_pInitDevice = nullptr;
    m_pGetError = nullptr;
    m_pFirmwareUpgrade = nullptr;
    m_pGetProduktVersion = nullptr;
    m_pGetSign = nullptr;
    m_pGetResponse = nullptr;
    m_pGetFrame = nullptr;
    m_pNop = nullptr;
}
