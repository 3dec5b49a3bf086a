#include "core/UiServices.h"

#include "core/Log.h"

void ShowMessageBox(
    CUiServices* ui, const std::string& text, const std::string& caption, CUiServices::Icon icon)
{
    if (icon == CUiServices::ICON_ERROR || icon == CUiServices::ICON_WARNING)
        LogError("%s: %s\n", caption.c_str(), text.c_str());
    else
        LogMessage("%s: %s\n", caption.c_str(), text.c_str());
    if (ui)
        ui->MessageBox(text, caption, icon);
}
