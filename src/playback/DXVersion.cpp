#include "playback/DXVersion.h"

#include "core/Log.h"
#include "core/UiServices.h"
#include "playback/GstPtr.h"

#include <cctype>

uint32_t EncodeDXVersion(uint32_t major, uint32_t minor, char letter)
{
    uint32_t suffix = 0;
    const int lower = std::tolower(static_cast<unsigned char>(letter));
    if (lower >= 'a' && lower <= 'z')
        suffix = static_cast<uint32_t>(lower - 'a' + 1);
    return ((major & 0xFFu) << 16) | ((minor & 0xFFu) << 8) | suffix;
}

int32_t GetDXVersion(uint32_t& version)
{
    version = 0;
    if (!gst_init_check(nullptr, nullptr, nullptr)) {
        LogError("GetDXVersion(): GStreamer cannot be initialised.\n");
        return 0;
    }
    // Every element a player builds; without one of them no player can open anything.
    bool complete = true;
    for (const char* name : kPlayerElements) {
        GstPtr<GstElementFactory> factory(gst_element_factory_find(name));
        if (!factory) {
            LogError("GetDXVersion(): GStreamer element \"%s\" not found.\n", name);
            complete = false;
        }
    }
    if (complete)
        version = EncodeDXVersion(9, 0, 0);
    return 0;
}

bool CheckDXVersion(uint32_t required, const DXVersionProbe& probe, CUiServices* ui)
{
    const uint32_t version = probe();
    if (version == 0) {
        ShowMessageBox(ui, "DirectX not installed", "DirectX Version:", CUiServices::ICON_INFORMATION);
        return false;
    }
    return version >= required;
}

bool CheckDXVersion(uint32_t required, CUiServices* ui)
{
    const auto probe = [] {
        uint32_t version = 0;
        GetDXVersion(version);
        return version;
    };
    return CheckDXVersion(required, probe, ui);
}
