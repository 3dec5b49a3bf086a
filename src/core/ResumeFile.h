#pragma once

#include "core/ResumePosition.h"
#include "core/ResumeState.h"

#include <optional>
#include <string>

// The show's state on disk, in two files. The whole state ("PATH", rewritten
// only when more than positions changed) goes to "PATH.new", is synced, the
// last good state moves to "PATH.old" and the new one takes its place, so a
// crash or a power loss at any moment leaves the old or the new state
// readable. The position record ("PATH.pos") is rewritten in place, in one of
// two slots. A damaged file is logged and never trusted; the previous state
// stands in. The folder is made when it is missing.
class CResumeFile
{
public:
    explicit CResumeFile(std::string path)
        : m_Path(std::move(path))
    {
    }

    const std::string& GetPath() const { return m_Path; }
    std::string GetRecordPath() const { return m_Path + ".pos"; }
    // False on an I/O error, which error then describes (nothing is logged).
    bool Write(const std::string& content, std::string* error = nullptr) const;
    // sync: on disk before it returns; else the kernel writes it back in its
    // own time, which a crash of the program does not lose.
    bool WriteRecord(const CResumePosition& record, bool sync, std::string* error = nullptr) const;
    // The state with the newest record that belongs to it applied.
    std::optional<CResumeState> Load() const;
    // The newest record of the state with this stamp.
    std::optional<CResumePosition> LoadRecord(uint64_t stamp) const;
    uint64_t LastSerial() const; // of any record on disk; 0 for none
    bool Exists() const;
    void Remove() const; // after a clean quit: the next start is a fresh one

private:
    std::string m_Path;
};
