#pragma once

#include "playlist/PLEntry.h"

#include <string>
#include <string_view>
#include <vector>

class CUiServices;

// Parses an M3U (".m3u", ".dat") or PLS (".pls") file into records in file order.
//
// Bounded by design: the file must be a regular file of at most kMaxFileSize
// bytes (a FIFO or device is refused, never waited on), and PLS indices live in
// sparse tables, so "File2000000000=" costs one record, not gigabytes. Lines may
// hold any bytes, NUL included.
class CPlaylistReader
{
public:
    enum Format { FORMAT_NONE = -1, FORMAT_M3U = 0, FORMAT_PLS = 1 };
    static constexpr std::size_t kMaxFileSize = 64u << 20;
    // Records (and PLS indices per table) kept from one file; the rest is dropped.
    static constexpr std::size_t kMaxEntries = 1000000;

    // ui shows read errors (may be null: the logbook only).
    explicit CPlaylistReader(CUiServices* ui)
        : m_pUi(ui)
    {
    }

    bool Read(const std::string& path);

    const std::vector<CPLEntry>& GetEntries() const { return m_Entries; }
    int GetFormat() const { return m_Format; }

    // The parsers on their own, over the text of a whole file.
    static std::vector<CPLEntry> ParseM3U(std::string_view text);
    static std::vector<CPLEntry> ParsePLS(std::string_view text);

private:
    CUiServices* m_pUi;
    std::vector<CPLEntry> m_Entries;
    int m_Format = FORMAT_NONE;
};
