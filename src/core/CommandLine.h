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
    int osc = -1; // --osc=on|off: 1, 0; -1 = as the preferences say
    int oscPort = -1; // --osc-port; -1 = as the preferences say
    std::string oscFeedback; // --osc-feedback=ADDR:PORT[,ADDR:PORT...]
    std::string sync; // --sync=standalone|leader|follower; empty = the preference
    std::string syncLeader; // --sync-leader=ADDR
    int syncPort = -1; // --sync-port=PORT; -1 = the preference
    std::string document; // a media or playlist file to open
    std::string error; // set when the line cannot be used

    static CCommandLine Parse(int argc, const char* const* argv);
    static std::string Usage(const char* program);
};
