#include "playback/CheckResult.h"

#include "core/Log.h"

bool CheckResult(int level, bool ok, const std::string& errorText, const char* context)
{
    if (ok)
        return true;
    constexpr size_t kMaxErrorText = 254;
    const std::string text = errorText.substr(0, kMaxErrorText);
    if (level == 0)
        return false;
    if (level == 2) {
        if (context)
            LogError("%s | %s", text.c_str(), context);
        else
            LogError("%s", text.c_str());
    } else {
        if (context)
            LogMessage("%s | %s", text.c_str(), context);
        else
            LogMessage("%s", text.c_str());
    }
    return false;
}
