#pragma once

#include <string>

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

// Path of the settings file, for messages and tests.
std::string ProfilePath();
