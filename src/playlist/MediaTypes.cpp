#include "playlist/MediaTypes.h"

#include <algorithm>
#include <array>

namespace {

// The MIME types are shared-mime-info's for the extension, so the desktop entry
// offers the player exactly these files. Beyond the classic Windows media set:
// what cameras, editors and encoders hand a show today, each played by the
// GStreamer plugins the package depends on.
const std::vector<CMediaType> kMediaTypes = {
    { ".mpg", "video/mpeg", false },
    { ".mpeg", "video/mpeg", false },
    { ".m1v", "video/mpeg", false },
    { ".m2v", "video/mpeg", false },
    { ".mpa", "audio/mpeg", false },
    { ".mpe", "video/mpeg", false },
    { ".vob", "video/mpeg", false },
    { ".ts", "video/mp2t", false },
    { ".m2ts", "video/mp2t", false },
    { ".mts", "video/mp2t", false },
    { ".mp4", "video/mp4", false },
    { ".m4v", "video/mp4", false },
    { ".mov", "video/quicktime", false },
    { ".mkv", "video/x-matroska", false },
    { ".webm", "video/webm", false },
    { ".mxf", "application/mxf", false },
    { ".dv", "video/dv", false },
    { ".avi", "video/x-msvideo", false },
    { ".divx", "video/x-msvideo", false },
    { ".asf", "application/vnd.ms-asf", false },
    { ".wmv", "video/x-ms-wmv", false },
    { ".wmd", "application/x-ms-wmd", false },
    { ".wm", "video/x-ms-wm", false },
    { ".ogm", "video/x-ogm+ogg", false },
    { ".ogv", "video/ogg", false },
    { ".ogg", "audio/ogg;video/ogg", false },
    { ".opus", "audio/ogg;audio/x-opus+ogg", false },
    { ".mp1", "audio/mpeg", false },
    { ".mp2", "audio/mp2", false },
    { ".mp3", "audio/mpeg", false },
    { ".m4a", "audio/mp4", false },
    { ".aac", "audio/aac", false },
    { ".flac", "audio/flac", false },
    { ".wav", "audio/x-wav", false },
    { ".snd", "audio/basic", false },
    { ".au", "audio/basic", false },
    { ".aif", "audio/x-aiff", false },
    { ".aifc", "audio/x-aifc", false },
    { ".aiff", "audio/x-aiff", false },
    { ".wma", "audio/x-ms-wma", false },
    { ".mid", "audio/midi", false },
    { ".midi", "audio/midi", false },
    { ".rmi", "audio/midi", false },
    { ".bmp", "image/bmp", true },
    { ".jpg", "image/jpeg", true },
    { ".jpeg", "image/jpeg", true },
    { ".jif", "image/jpeg", true },
    { ".jp2", "image/jp2", true },
    { ".jp2c", "image/x-jp2-codestream", true },
    { ".jp2k", "image/jp2", true },
    { ".jpc", "image/x-jp2-codestream", true },
    { ".jpx", "image/jpx", true },
    { ".gif", "image/gif", true },
    { ".png", "image/png", true },
    { ".tif", "image/tiff", true },
    { ".tiff", "image/tiff", true },
};

// Playlist files given to the player open as its playlist.
constexpr std::string_view kPlaylistMimeTypes = "audio/x-mpegurl;audio/x-scpls";

constexpr std::array<std::string_view, 5> kStreamSchemes = {
    "HTTP://",
    "HTTPS://",
    "RTSP://",
    "SRT://",
    "UDP://",
};

std::string ToLowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

const CMediaType* FindType(const std::string& path)
{
    const std::string ext = ToLowerAscii(GetExtension(path));
    if (ext.empty())
        return nullptr;
    for (const CMediaType& type : kMediaTypes) {
        if (type.m_Extension == ext)
            return &type;
    }
    return nullptr;
}

void AppendSplit(std::vector<std::string>& out, std::string_view list)
{
    while (!list.empty()) {
        const std::size_t semi = list.find(';');
        out.emplace_back(list.substr(0, semi));
        list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
    }
}

} // namespace

const std::vector<CMediaType>& MediaTypes()
{
    return kMediaTypes;
}

std::vector<std::string> AcceptedMimeTypes()
{
    std::vector<std::string> types;
    for (const CMediaType& type : kMediaTypes)
        AppendSplit(types, type.m_MimeTypes);
    AppendSplit(types, kPlaylistMimeTypes);
    std::sort(types.begin(), types.end());
    types.erase(std::unique(types.begin(), types.end()), types.end());
    return types;
}

std::string MediaFilter()
{
    // Dialogs match patterns with the file system's case: cameras write CLIP.MOV.
    std::string filter = "Media files|";
    for (const CMediaType& type : kMediaTypes) {
        if (&type != &kMediaTypes.front())
            filter += ';';
        const std::string ext(type.m_Extension);
        filter += "*" + ext + ";*" + ToUpperAscii(ext);
    }
    return filter + "|All files (*.*)|*.*||";
}

std::string ToUpperAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string GetExtension(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return {};
    return path.substr(dot);
}

bool IsSupportedFile(const std::string& path)
{
    return FindType(path) != nullptr;
}

bool IsTimedMedia(const std::string& path)
{
    const CMediaType* type = FindType(path);
    return !type || !type->m_bStill;
}

bool IsStreamUrl(const std::string& path)
{
    for (std::string_view scheme : kStreamSchemes) {
        // Something must follow the scheme: "udp://" alone names nothing.
        if (path.size() > scheme.size() && ToUpperAscii(path.substr(0, scheme.size())) == scheme)
            return true;
    }
    return false;
}

bool IsPlaylistFile(const std::string& path)
{
    if (path.find("LastPLS.dat") != std::string::npos)
        return true;
    const std::string ext = ToUpperAscii(GetExtension(path));
    return ext == ".PLS" || ext == ".M3U";
}

std::string TitleFromPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
