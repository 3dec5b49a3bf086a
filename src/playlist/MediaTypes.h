#pragma once

#include <string>

// Classification of playlist paths by file extension. Paths are bytes as the
// file system holds them; only ASCII letters are compared without case.

// The file dialogs' filter for media files ("Description|*.a;*.b|...||").
constexpr const char* kMediaFilter
    = "Media "
      "files|*.mpg;*.mpeg;*.m2v;*.avi;*.divx;*.asf;*.wmv;*.ogm;*.mp1;*.mp2;*.mp3;*.mp4;*.ogg;*.wav;*.wma;"
      "*.mid;*.midi;*.bmp;*.jpg;*.jpeg;*.jif;*.jp2;*.jp2c;*.jp2k;*.jpc;*.jpx;*.gif|All files (*.*)|*.*||";

// The name part after the last '/' from its last '.' on, the '.' included;
// empty when the name has no '.'.
std::string GetExtension(const std::string& path);

// One of the 38 media extensions that can become a playlist entry.
bool IsSupportedFile(const std::string& path);

// False only for the still-image extensions (so also true for unsupported files).
bool IsTimedMedia(const std::string& path);

// A network stream address: http://, https://, rtsp://, srt:// or udp:// (the
// scheme in any case). A playlist keeps it as written; it is not a file, so it
// is never checked on disk, resolved against a folder or probed.
bool IsStreamUrl(const std::string& path);

// Contains "LastPLS.dat" (case-sensitive) or ends in ".pls" / ".m3u".
bool IsPlaylistFile(const std::string& path);

// The file name with its extension, without the folder.
std::string TitleFromPath(const std::string& path);

// Folder part of a path with its trailing '/', or empty when there is none.
std::string FolderOfPath(const std::string& path);

// ASCII upper case, byte for byte; other bytes unchanged.
std::string ToUpperAscii(std::string text);
