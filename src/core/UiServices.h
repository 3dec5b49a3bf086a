#pragma once

#include <string>
#include <vector>

// What core components need from the user interface: file dialogs, message
// boxes and the busy cursor. The UI library implements it; tests script it.
// Components get it in their services; where it is null every dialog answers
// "cancelled" and message boxes only go to the logbook.
//
// Filters use the "Description|*.a;*.b|Description|*.c||" form.
class CUiServices
{
public:
    enum Icon { ICON_INFORMATION, ICON_WARNING, ICON_ERROR, ICON_QUESTION };

    virtual ~CUiServices() = default;

    // Never blocks: input from the network or a file can trigger it.
    virtual void MessageBox(const std::string& text, const std::string& caption, Icon icon) = 0;

    // Modal by nature (the user asked for them); false when cancelled.
    virtual bool GetOpenFileName(const std::string& title, const std::string& filter,
        const std::string& defaultExt, const std::string& initialPath, std::string& path)
        = 0;
    virtual bool GetOpenFileNames(
        const std::string& title, const std::string& filter, std::vector<std::string>& paths)
        = 0;
    virtual bool GetSaveFileName(const std::string& title, const std::string& filter,
        const std::string& defaultExt, const std::string& initialPath, std::string& path)
        = 0;
    virtual bool BrowseForFolder(const std::string& title, std::string& folder) = 0;

    // A long operation; Progress may be called between them (done of total, total 0 = unknown).
    virtual void BeginBusy(const std::string& what) = 0;
    virtual void Progress(int done, int total) = 0;
    virtual void EndBusy() = 0;
};

// Shows a non-modal message box through ui (when not null) and logs the text as well.
void ShowMessageBox(CUiServices* ui, const std::string& text, const std::string& caption,
    CUiServices::Icon icon = CUiServices::ICON_INFORMATION);
