#pragma once

#include <string>

// What the players and the prober share about a local medium before GStreamer
// sees it.
namespace MediaFile {

// The name with its extension, without the folder.
std::string ShortName(const std::string& path);

// The file named in an error line, short enough to keep the line whole; the
// whole text where it has no name part ("http://host/").
std::string NameForLog(const std::string& path);

// GStreamer reads whatever it is given, and open(2) of a FIFO without a writer
// never returns: only regular, readable, non-empty files go to a pipeline.
// Empty when the file may go; otherwise the reason.
std::string Check(const std::string& path);

} // namespace MediaFile
