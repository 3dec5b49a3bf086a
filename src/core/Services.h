#pragma once

#include <functional>
#include <memory>

class CBasePlayer;
class CMediaProber;
class CPreferences;
class CUiServices;

// What the application hands the frame and its components when it makes them:
// the preferences, the user interface services and how players and probers are made. The
// referenced objects outlive every component that holds a copy.
struct CServices
{
    CPreferences& prefs;
    // Null: every dialog answers "cancelled" and message boxes only go to the logbook.
    CUiServices* pUi = nullptr;
    // The one place players come from (the video view's two).
    std::function<std::unique_ptr<CBasePlayer>()> createPlayer;
    // What reads the title and length of files added to the playlist.
    std::function<std::unique_ptr<CMediaProber>()> createProber;
};
