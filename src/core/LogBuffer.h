#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// The process-wide ring of log lines.
//
// Invariant: the ring holds exactly m_nLineCount lines; relative position 0 is
// the line being filled (slot m_nHead), positions 1..count-1 run from the
// oldest completed line to the newest. Every line is shorter than the line
// width. Writes only copy into the fixed ring; nothing ever grows.
//
// The user-interface thread writes almost everything, but GStreamer and the
// DMX driver have threads of their own, so every access takes one small lock.
class CLogBuffer
{
public:
    static constexpr int kMaxLineWidth = 256;
    static constexpr int kMaxTextLength = 255;

    struct Line
    {
        std::string text;
        int level = 0;
    };

    CLogBuffer(const char* name, int lineCount, int lineWidth);

    void Clear();
    void Write(int level, const char* text);

    // Copy of the line at relative position i (0 = current line).
    Line GetLine(int i) const;
    int GetLineCount() const { return m_nLineCount; }
    int GetLineWidth() const { return m_nLineWidth; }
    const std::string& GetName() const { return m_szName; }

    // Returns the changed flag and clears it in one step.
    bool TakeChanged();
    bool IsChanged() const;

    // Also copy every write, unformatted, to a stream (the terminal), or stop with nullptr.
    void SetMirror(std::FILE* stream);
    bool IsMirrored() const;

private:
    void NewLine();
    void AppendToken(const char* token, int length);
    Line& Current() { return m_Lines[static_cast<size_t>(m_nHead)]; }

    mutable std::mutex m_Mutex;
    int m_nLineCount;
    int m_nLineWidth;
    bool m_bChanged = false;
    int m_nHead = 0;
    std::vector<Line> m_Lines;
    int m_nCurLevel = 0;
    std::string m_szName;
    std::FILE* m_pMirror = nullptr;
};
