#include "core/UiServices.h"

#include "core/Log.h"

CUiServices* g_pUiServices = nullptr;

void ShowMessageBox(const std::string& text, const std::string& caption, CUiServices::Icon icon)
{
    if (icon == CUiServices::ICON_ERROR || icon == CUiServices::ICON_WARNING)
        LogError("%s: %s\n", caption.c_str(), text.c_str());
    else
        LogMessage("%s: %s\n", caption.c_str(), text.c_str());
    if (g_pUiServices)
        g_pUiServices->MessageBox(text, caption, icon);
}
