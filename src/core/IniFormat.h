#pragma once

#include <QSettings>

class QIODevice;

// The settings file's own INI dialect, registered with QSettings so that
// QSettings keeps doing the locking and the atomic save:
// - top-level keys are written under [General], other groups under their own
//   name as it is ("[Recent File List]", not "[Recent%20File%20List]");
// - a value is the raw bytes after the first '=' up to the end of the line,
//   with only backslash, CR and LF escaped, so any path survives unchanged;
// - unknown or malformed lines are skipped when reading.
namespace IniFormat {

bool Read(QIODevice& device, QSettings::SettingsMap& map);
bool Write(QIODevice& device, const QSettings::SettingsMap& map);

// The format registered under the extension "conf" (once per process).
QSettings::Format Format();

} // namespace IniFormat
