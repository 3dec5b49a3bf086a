#include "support/LogCapture.h"

#include "core/Log.h"

LogCapture::LogCapture(int lineCount)
    : m_buffer(std::make_unique<CLogBuffer>("test", lineCount, 256))
    , m_previous(g_pLogBuffer)
{
    g_pLogBuffer = m_buffer.get();
}

LogCapture::~LogCapture()
{
    g_pLogBuffer = m_previous;
}

std::vector<CLogBuffer::Line> LogCapture::Lines() const
{
    std::vector<CLogBuffer::Line> lines;
    const int count = m_buffer->GetLineCount();
    for (int i = 1; i <= count; ++i) {
        CLogBuffer::Line line = m_buffer->GetLine(i % count);
        if (!line.text.empty())
            lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> LogCapture::Texts(int level) const
{
    std::vector<std::string> texts;
    for (const auto& line : Lines())
        if (level < 0 || line.level == level)
            texts.push_back(line.text);
    return texts;
}

bool LogCapture::Contains(const std::string& fragment, int level) const
{
    for (const auto& text : Texts(level))
        if (text.find(fragment) != std::string::npos)
            return true;
    return false;
}

int LogCapture::CountErrors() const
{
    return static_cast<int>(Texts(LOG_LEVEL_ERROR).size());
}

std::string LogCapture::Dump() const
{
    std::string all;
    for (const auto& line : Lines())
        all += std::to_string(line.level) + ": " + line.text + "\n";
    return all;
}
