#pragma once

#include <array>
#include <string>

class CUiServices;

// The ID3 version 1 tag in the last 128 bytes of an MP3 file.
//
// Title, artist and album keep at most 29 characters, the comment 27: a zero is
// written after them before the fields are read, as the first players did, so
// titles stay identical to what those players showed.
class CId3Tag
{
public:
    static constexpr size_t kTagSize = 128;
    using Buffer = std::array<char, kTagSize>;

    // Parses a tag buffer; false (and all fields empty) when it does not start with "TAG".
    bool Parse(const Buffer& buffer);

    // Reads the tag of the file at path. A file that cannot be opened has no tag,
    // silently; a file that opens but cannot be read (shorter than a tag, a read
    // error) is reported in a non-modal message box through ui (may be null).
    // Never blocks on a FIFO or device.
    bool Read(const std::string& path, CUiServices* ui);
    // The same without a user interface, for any thread: the message that Read
    // would show goes to fileError (empty when there is none).
    bool Read(const std::string& path, std::string& fileError);
    // Shows a message that Read(path, fileError) left, as Read(path, ui) does.
    static void ReportFileError(CUiServices* ui, const std::string& fileError);

    std::string m_Title;
    std::string m_Artist;
    std::string m_Album;
    std::string m_Year;
    std::string m_Comment;
    int m_Genre = -1;

private:
    void Clear();
};
