#pragma once

#include <string>
#include <string_view>
#include <vector>

// Classification of playlist paths by file extension. Paths are bytes as the
// file system holds them; only ASCII letters are compared without case.

// One media extension the playlist and the file dialogs accept.
struct CMediaType
{
    std::string_view m_Extension; // lower case, with the dot
    std::string_view m_MimeTypes; // ';'-separated, as the desktop entry lists them
    bool m_bStill; // shown as a still image: no probe, no position slider
};

// Every accepted media extension, in the order the file dialog lists them.
const std::vector<CMediaType>& MediaTypes();

// The MIME types the desktop entry offers: those of MediaTypes() and the
// playlist files, each once, sorted.
std::vector<std::string> AcceptedMimeTypes();

// The file dialogs' filter for media files ("Description|*.a;*.A;...|...||"):
// every extension in lower and in upper case.
std::string MediaFilter();

// The name part after the last '/' from its last '.' on, the '.' included;
// empty when the name has no '.'.
std::string GetExtension(const std::string& path);

// One of MediaTypes(): a file that can become a playlist entry.
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
