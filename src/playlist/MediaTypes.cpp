#include "playlist/MediaTypes.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 28> kTimedExtensions = {
    ".MPG",
    ".MPEG",
    ".M1V",
    ".M2V",
    ".MPA",
    ".MPE",
    ".AVI",
    ".DIVX",
    ".ASF",
    ".WMV",
    ".WMD",
    ".WM",
    ".OGM",
    ".MP1",
    ".MP2",
    ".MP3",
    ".MP4",
    ".OGG",
    ".WAV",
    ".SND",
    ".AU",
    ".AIF",
    ".AIFC",
    ".AIFF",
    ".WMA",
    ".MID",
    ".MIDI",
    ".RMI",
};

constexpr std::array<std::string_view, 10> kStillExtensions = {
    ".BMP",
    ".JPG",
    ".JPEG",
    ".JIF",
    ".JP2",
    ".JP2C",
    ".JP2K",
    ".JPC",
    ".JPX",
    ".GIF",
};

constexpr std::array<std::string_view, 5> kStreamSchemes = {
    "HTTP://",
    "HTTPS://",
    "RTSP://",
    "SRT://",
    "UDP://",
};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& set, const std::string& upperExt)
{
    for (std::string_view item : set) {
        if (item == upperExt)
            return true;
    }
    return false;
}

} // namespace

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
    const std::string ext = ToUpperAscii(GetExtension(path));
    return !ext.empty() && (Contains(kTimedExtensions, ext) || Contains(kStillExtensions, ext));
}

bool IsTimedMedia(const std::string& path)
{
    const std::string ext = ToUpperAscii(GetExtension(path));
    return ext.empty() || !Contains(kStillExtensions, ext);
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
