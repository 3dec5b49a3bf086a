#include "playlist/PlaylistReader.h"

#include "core/Log.h"
#include "core/UiServices.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

namespace {

// Splits text into lines: LF ends a line and one CR before it is dropped.
class CLineSplitter
{
public:
    explicit CLineSplitter(std::string_view text)
        : m_text(text)
    {
    }

    bool Next(std::string_view& line)
    {
        if (m_pos >= m_text.size())
            return false;
        std::size_t end = m_text.find('\n', m_pos);
        std::size_t next = end;
        if (end == std::string_view::npos)
            end = next = m_text.size();
        else
            ++next;
        line = m_text.substr(m_pos, end - m_pos);
        if (end < m_text.size() && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_pos = next;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// Tokens are runs of characters outside `separators`; empty runs are skipped.
std::vector<std::string_view> Tokens(std::string_view line, std::string_view separators, std::size_t maxCount)
{
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while (tokens.size() < maxCount) {
        pos = line.find_first_not_of(separators, pos);
        if (pos == std::string_view::npos)
            break;
        std::size_t end = line.find_first_of(separators, pos);
        if (end == std::string_view::npos)
            end = line.size();
        tokens.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return tokens;
}

int32_t ToInt(std::string_view text)
{
    return ParseLeadingInt(text.data(), text.data() + text.size());
}

bool ContainsText(std::string_view haystack, std::string_view needle)
{
    return haystack.find(needle) != std::string_view::npos;
}

std::string TrimmedUpper(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = line.find_last_not_of(' ');
    return ToUpperAscii(std::string(line.substr(first, last - first + 1)));
}

// A PLS key counts when it starts with the word; the index is what follows once
// every occurrence of the word is removed, minus one.
bool KeyIndex(const std::string& upperKey, std::string_view word, int32_t& index)
{
    if (upperKey.compare(0, word.size(), word) != 0)
        return false;
    std::string rest;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = upperKey.find(word, pos)) != std::string::npos; pos = hit + word.size())
        rest.append(upperKey, pos, hit - pos);
    rest.append(upperKey, pos, std::string::npos);
    const int64_t n = int64_t { ToInt(rest) } - 1;
    if (n < 0)
        return false;
    index = static_cast<int32_t>(n);
    return true;
}

// A value ends at the next '=', except a stream address: its query ("?a=1&b=2")
// is part of it, up to the end of the line.
std::string FileValue(std::string_view line, std::string_view value)
{
    if (!IsStreamUrl(std::string(value)))
        return std::string(value);
    return std::string(line.substr(static_cast<std::size_t>(value.data() - line.data())));
}

template <typename Table> bool Room(const Table& table, int32_t n)
{
    return table.size() < CPlaylistReader::kMaxEntries || table.count(n) != 0;
}

bool ReadWholeFile(CUiServices* ui, const std::string& path, std::string& text, bool& readError)
{
    readError = false;
    // O_NONBLOCK so that opening a FIFO never waits for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok && static_cast<std::size_t>(info.st_size) > CPlaylistReader::kMaxFileSize) {
        LogError("CPlaylistReader::Read(): %s is too large for a playlist.\n", path.c_str());
        ok = false;
    }
    if (ok) {
        text.clear();
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ShowMessageBox(
                    ui, std::string(path) + ": " + std::strerror(errno), "Zuvio", CUiServices::ICON_ERROR);
                readError = true;
                ok = false;
                break;
            }
            if (n == 0)
                break;
            if (text.size() + static_cast<std::size_t>(n) > CPlaylistReader::kMaxFileSize) {
                LogError("CPlaylistReader::Read(): %s is too large for a playlist.\n", path.c_str());
                ok = false;
                break;
            }
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

bool CPlaylistReader::Read(const std::string& path)
{
    const std::string ext = ToUpperAscii(GetExtension(path));
    if (ext == ".M3U" || ext == ".DAT")
        m_Format = FORMAT_M3U;
    else if (ext == ".PLS")
        m_Format = FORMAT_PLS;
    else
        return false;

    std::string text;
    bool readError = false;
    if (!ReadWholeFile(m_pUi, path, text, readError)) {
        if (readError)
            m_Entries.clear();
        return false;
    }
    m_Entries = m_Format == FORMAT_M3U ? ParseM3U(text) : ParsePLS(text);
    return true;
}

std::vector<CPLEntry> CPlaylistReader::ParseM3U(std::string_view text)
{
    std::vector<CPLEntry> entries;
    CLineSplitter lines(text);
    std::string_view line;
    while (lines.Next(line) && entries.size() < kMaxEntries) {
        const std::string copy = TrimmedUpper(line);
        if (copy.empty() || ContainsText(copy, "#EXTM3U"))
            continue;
        if (ContainsText(copy, "#EXTINF")) {
            std::string_view pathLine;
            if (!lines.Next(pathLine))
                break;
            const std::vector<std::string_view> tokens = Tokens(line, ":,", 3);
            CPLEntry entry;
            if (tokens.size() > 1)
                entry.m_Seconds = std::max(0, ToInt(tokens[1]));
            if (tokens.size() > 2)
                entry.m_Title = std::string(tokens[2]);
            entry.m_Path = std::string(pathLine);
            entries.push_back(std::move(entry));
            continue;
        }
        // A stream address may carry a '#' fragment; it is still an entry.
        if (ContainsText(copy, "#") && !IsStreamUrl(std::string(line)))
            continue;
        entries.push_back(CPLEntry { 0, std::string(line), {} });
    }
    return entries;
}

std::vector<CPLEntry> CPlaylistReader::ParsePLS(std::string_view text)
{
    // Sparse tables: the index comes from the file and may be anything up to 2^31.
    std::map<int32_t, std::string> files, titles;
    std::map<int32_t, int32_t> lengths;

    CLineSplitter lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const std::vector<std::string_view> tokens = Tokens(line, "=", 2);
        if (tokens.size() < 2)
            continue;
        const std::string key = ToUpperAscii(std::string(tokens[0]));
        int32_t n = 0;
        if (KeyIndex(key, "FILE", n) && Room(files, n))
            files[n] = FileValue(line, tokens[1]);
        if (KeyIndex(key, "TITLE", n) && Room(titles, n))
            titles[n] = std::string(tokens[1]);
        if (KeyIndex(key, "LENGTH", n) && Room(lengths, n))
            lengths[n] = std::max(0, ToInt(tokens[1]));
    }

    std::vector<CPLEntry> entries;
    entries.reserve(files.size());
    for (auto& [n, file] : files) {
        CPLEntry entry;
        entry.m_Path = std::move(file);
        if (auto title = titles.find(n); title != titles.end())
            entry.m_Title = std::move(title->second);
        if (auto length = lengths.find(n); length != lengths.end())
            entry.m_Seconds = length->second;
        entries.push_back(std::move(entry));
    }
    return entries;
}
