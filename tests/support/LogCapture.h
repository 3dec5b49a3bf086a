#pragma once

#include "core/LogBuffer.h"

#include <memory>
#include <string>
#include <vector>

// Installs a fresh log buffer as the program's buffer for the life of the
// object, so a test can read exactly what the code under test logged.
class LogCapture
{
public:
    explicit LogCapture(int lineCount = 500);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    CLogBuffer& Buffer() { return *m_buffer; }

    // Non-empty lines, oldest first, the current (unfinished) line last.
    std::vector<CLogBuffer::Line> Lines() const;
    std::vector<std::string> Texts(int level = -1) const;
    bool Contains(const std::string& fragment, int level = -1) const;
    int CountErrors() const;
    std::string Dump() const;

private:
    std::unique_ptr<CLogBuffer> m_buffer;
    CLogBuffer* m_previous;
};
