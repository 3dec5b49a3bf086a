#pragma once

#include <string>

class CUiServices;

// Writes a playlist as M3U or PLS, every line ending in CR LF.
//
// Invariant: the target file is replaced only by a complete, synced file. Open
// creates a temporary file beside the target (unnamed where the file system
// allows, so a killed saver leaves nothing); Close flushes and syncs it and
// renames it over the target. A failed write (full disk, I/O error) or a writer
// destroyed before Close removes the temporary file and leaves the old target
// whole. Open also removes temporary files that killed savers left behind.
class CPlaylistWriter
{
public:
    enum Format { FORMAT_M3U = 0, FORMAT_PLS = 1 };

    // ui shows write errors (may be null: the logbook only).
    explicit CPlaylistWriter(CUiServices* ui)
        : m_pUi(ui)
    {
    }
    ~CPlaylistWriter();
    CPlaylistWriter(const CPlaylistWriter&) = delete;
    CPlaylistWriter& operator=(const CPlaylistWriter&) = delete;

    void SetFormat(int format); // other values are ignored
    int GetFormat() const { return m_Format; }

    // Creates the file and writes the header line; on failure shows the system's
    // error text, and WriteEntry and Close write nothing.
    bool Open(const std::string& path);
    void WriteEntry(const std::string& path, const std::string& title, const std::string& length);
    // Writes the PLS trailer and puts the file in place; false when nothing was replaced.
    bool Close();

    bool IsOpen() const { return m_bOpen; }
    int GetNumberWritten() const { return m_NumberWritten; }

private:
    void Append(const std::string& line);
    void Flush();
    void Discard();
    void ReportError(int error);
    std::string NewTempPath() const;
    void NameUnnamedFile();

    CUiServices* m_pUi;
    int m_Format = FORMAT_M3U;
    int m_NumberWritten = 0;
    bool m_bOpen = false;
    int m_Fd = -1;
    bool m_bUnnamed = false; // m_Fd has no name yet; m_TempPath is set when Close names it
    int m_Error = 0; // first errno of a failed write, 0 = none
    std::string m_Path;
    std::string m_TempPath;
    std::string m_Buffer;
};
