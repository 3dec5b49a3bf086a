#pragma once

#include "core/UiServices.h"

#include <deque>
#include <string>
#include <vector>

// A CUiServices for tests: dialogs return scripted answers in order (an empty
// queue means "cancelled"), message boxes and busy calls are recorded. Hand
// its address to the components under test as their UI services.
class ScriptedUi : public CUiServices
{
public:
    ScriptedUi() = default;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    struct Box
    {
        std::string text, caption;
        Icon icon;
    };
    struct Dialog
    {
        std::string kind, title, filter, defaultExt;
    };

    void MessageBox(const std::string& text, const std::string& caption, Icon icon) override
    {
        boxes.push_back({ text, caption, icon });
    }
    bool GetOpenFileName(const std::string& title, const std::string& filter, const std::string& defaultExt,
        const std::string&, std::string& path) override
    {
        dialogs.push_back({ "open", title, filter, defaultExt });
        return Next(path);
    }
    bool GetOpenFileNames(
        const std::string& title, const std::string& filter, std::vector<std::string>& paths) override
    {
        dialogs.push_back({ "open-multi", title, filter, {} });
        if (multiAnswers.empty())
            return false;
        paths = multiAnswers.front();
        multiAnswers.pop_front();
        return !paths.empty();
    }
    bool GetSaveFileName(const std::string& title, const std::string& filter, const std::string& defaultExt,
        const std::string&, std::string& path) override
    {
        dialogs.push_back({ "save", title, filter, defaultExt });
        return Next(path);
    }
    bool BrowseForFolder(const std::string& title, std::string& folder) override
    {
        dialogs.push_back({ "folder", title, {}, {} });
        return Next(folder);
    }
    void BeginBusy(const std::string&) override { ++busyBegun; }
    void Progress(int done, int) override { lastProgress = done; }
    void EndBusy() override { ++busyEnded; }

    std::deque<std::string> answers;
    std::deque<std::vector<std::string>> multiAnswers;
    std::vector<Box> boxes;
    std::vector<Dialog> dialogs;
    int busyBegun = 0, busyEnded = 0, lastProgress = -1;

private:
    bool Next(std::string& out)
    {
        if (answers.empty())
            return false;
        out = answers.front();
        answers.pop_front();
        return !out.empty();
    }
};
