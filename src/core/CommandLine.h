#pragma once

#include <cstdint>
#include <string>

// The program's command line. Parsing never exits the process: main decides
// what to do with help, version and errors.
struct CCommandLine
{
    bool help = false;
    bool version = false;
    bool logToStderr = false;
    bool play = false; // start FILE (a medium, or the playlist's first entry)
    std::string audioSink; // GStreamer bin description; empty = default
    std::string videoSink;
    std::string statusAddress; // "ADDR[:PORT]" as given; empty = default broadcast
    std::string document; // a media or playlist file to open
    std::string error; // set when the line cannot be used

    static CCommandLine Parse(int argc, const char* const* argv);
    static std::string Usage(const char* program);
};
