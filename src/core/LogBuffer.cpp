#include "core/LogBuffer.h"

#include <algorithm>
#include <cstring>

CLogBuffer::CLogBuffer(const char* name, int lineCount, int lineWidth)
    : m_nLineCount(std::max(1, lineCount))
    , m_nLineWidth(std::clamp(lineWidth, 2, kMaxLineWidth))
    , m_Lines(static_cast<size_t>(m_nLineCount))
    , m_szName(name ? std::string(name).substr(0, 255) : std::string())
{
    Clear();
}

void CLogBuffer::Clear()
{
    std::lock_guard lock(m_Mutex);
    for (Line& line : m_Lines)
        line = Line {};
    m_nHead = 0;
    m_bChanged = true;
}

void CLogBuffer::NewLine()
{
    m_nHead = (m_nHead + 1) % m_nLineCount;
    Current() = Line {};
}

void CLogBuffer::AppendToken(const char* token, int length)
{
    const int limit = m_nLineWidth - 1;
    const int n = static_cast<int>(Current().text.size());
    if (n + (n > 0 ? 1 : 0) + length > limit)
        NewLine();
    for (int i = 0; i < length; ++i) {
        Line& line = Current();
        line.text.push_back(token[i]);
        line.level = m_nCurLevel;
        if (static_cast<int>(line.text.size()) >= limit)
            NewLine();
    }
}

void CLogBuffer::Write(int level, const char* text)
{
    if (!text)
        return;
    const int total = static_cast<int>(strnlen(text, kMaxTextLength));

    std::lock_guard lock(m_Mutex);
    if (m_pMirror) {
        std::fwrite(text, 1, static_cast<size_t>(total), m_pMirror);
        std::fflush(m_pMirror);
    }
    m_nCurLevel = level;

    int i = 0;
    while (i < total) {
        const char c = text[i];
        if (c == '\r') {
            ++i;
        } else if (c == '\n') {
            NewLine();
            ++i;
        } else {
            // A token: a word and the spaces after it, at most 255 characters.
            const int start = i;
            while (i < total && text[i] != ' ' && text[i] != '\r' && text[i] != '\n'
                && i - start < kMaxTextLength)
                ++i;
            while (i < total && text[i] == ' ' && i - start < kMaxTextLength)
                ++i;
            AppendToken(text + start, i - start);
        }
    }
    m_bChanged = true;
}

CLogBuffer::Line CLogBuffer::GetLine(int i) const
{
    std::lock_guard lock(m_Mutex);
    if (i < 0 || i >= m_nLineCount)
        return {};
    return m_Lines[static_cast<size_t>((m_nLineCount + m_nHead + i) % m_nLineCount)];
}

bool CLogBuffer::TakeChanged()
{
    std::lock_guard lock(m_Mutex);
    const bool changed = m_bChanged;
    m_bChanged = false;
    return changed;
}

bool CLogBuffer::IsChanged() const
{
    std::lock_guard lock(m_Mutex);
    return m_bChanged;
}

void CLogBuffer::SetMirror(std::FILE* stream)
{
    std::lock_guard lock(m_Mutex);
    m_pMirror = stream;
}

bool CLogBuffer::IsMirrored() const
{
    std::lock_guard lock(m_Mutex);
    return m_pMirror != nullptr;
}
