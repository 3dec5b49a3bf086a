#pragma once

// The positional command line of a benchmark: required arguments first, then
// optional ones with their defaults. Header-only; each benchmark is one translation unit.

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

class CBenchArgs
{
public:
    // Prints "usage: USAGE" when fewer than `required` arguments follow the program name.
    CBenchArgs(int argc, char** argv, int required, const char* usage)
        : m_Argc(argc)
        , m_Argv(argv)
        , m_bValid(argc > required)
    {
        if (!m_bValid)
            std::fprintf(stderr, "usage: %s\n", usage);
    }

    bool Valid() const { return m_bValid; }

    QString Text(int i) const { return i < m_Argc ? QString::fromLocal8Bit(m_Argv[i]) : QString(); }
    // Absolute, since the benchmarks run the player in a scratch folder; empty when left out.
    QString Path(int i) const { return i < m_Argc ? QFileInfo(Text(i)).absoluteFilePath() : QString(); }
    // The number, raised to `least`; `fallback` when left out.
    int Number(int i, int fallback, int least = INT_MIN) const
    {
        return i < m_Argc ? std::max(least, std::atoi(m_Argv[i])) : fallback;
    }

private:
    int m_Argc;
    char** m_Argv;
    bool m_bValid;
};
