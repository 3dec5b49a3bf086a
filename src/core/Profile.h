#pragma once

#include <string>
#include <vector>

// The per-user settings store: QSettings in INI form at
// $XDG_CONFIG_HOME/vexo/Zuvio.conf, one INI section per component ("General",
// "CtrlBar", "Video", "Playlist", "Recent File List"). The whole layout goes
// through these four calls so that it lives in one place.
//
// A missing or unreadable value (wrong type, garbage) reads as the default. A
// corrupt or unwritable file is logged and never stops the program.
int GetProfileInt(const char* section, const char* entry, int defaultValue);
std::string GetProfileString(const char* section, const char* entry, const std::string& defaultValue = {});
bool WriteProfileInt(const char* section, const char* entry, int value);
bool WriteProfileString(const char* section, const char* entry, const std::string& value);

// Several entries of one section in a single write: the file afterwards holds all
// of the new values or, when the program dies during the write, all of the old.
struct ProfileValue
{
    const char* entry;
    std::string text; // an int is stored as its decimal text, as WriteProfileInt does
};
bool WriteProfileValues(const char* section, const std::vector<ProfileValue>& values);

// Path of the settings file, for messages and tests.
std::string ProfilePath();
