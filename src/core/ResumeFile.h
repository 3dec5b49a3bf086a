#pragma once

#include "core/ResumeState.h"

#include <optional>
#include <string>

// The show's state on disk. A write goes to "PATH.new", is synced, the last
// good state moves to "PATH.old" and the new one takes its place, so a crash
// or a power loss at any moment leaves the old or the new state readable.
// A damaged file is logged and never trusted; the previous state stands in.
class CResumeFile
{
public:
    explicit CResumeFile(std::string path)
        : m_Path(std::move(path))
    {
    }

    const std::string& GetPath() const { return m_Path; }
    bool Write(const std::string& content) const; // false (logged) on an I/O error
    std::optional<CResumeState> Load() const;
    bool Exists() const;
    void Remove() const; // after a clean quit: the next start is a fresh one

private:
    std::string m_Path;
};
