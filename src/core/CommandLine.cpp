#include "core/CommandLine.h"

#include "core/ParseNumber.h"
#include "remote/HostPort.h"
#include "remote/RemotePackets.h"

#include <cstring>

namespace {

// "--name=value" or "--name value"; advances i past a separate value.
bool TakeValue(
    const char* const* argv, int argc, int& i, const char* name, std::string& value, std::string& error)
{
    const char* arg = argv[i];
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0)
        return false;
    if (arg[length] == '=') {
        value = arg + length + 1;
        return true;
    }
    if (arg[length] != '\0')
        return false;
    if (i + 1 >= argc) {
        error = std::string("option ") + name + " needs a value";
        return true;
    }
    value = argv[++i];
    return true;
}

// A port of `lowest`..65535, or -1 and the complaint `wants` (unless an error came first).
int PortValue(const std::string& value, int lowest, const char* wants, std::string& error)
{
    const auto port = ParseNumber<int>(value);
    if (port && *port >= lowest && *port <= 65535)
        return *port;
    if (error.empty())
        error = wants;
    return -1;
}

} // namespace

CCommandLine CCommandLine::Parse(int argc, const char* const* argv)
{
    CCommandLine line;
    bool optionsDone = false;
    for (int i = 1; i < argc && line.error.empty(); ++i) {
        const char* arg = argv[i];
        if (!optionsDone && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "--") == 0)
                optionsDone = true;
            else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
                line.help = true;
            else if (std::strcmp(arg, "--version") == 0)
                line.version = true;
            else if (std::strcmp(arg, "--log-stderr") == 0)
                line.logToStderr = true;
            else if (std::strcmp(arg, "--play") == 0)
                line.play = true;
            else if (TakeValue(argv, argc, i, "--audio-sink", line.audioSink, line.error)
                || TakeValue(argv, argc, i, "--video-sink", line.videoSink, line.error)
                || TakeValue(argv, argc, i, "--status-address", line.statusAddress, line.error)
                || TakeValue(argv, argc, i, "--osc-feedback", line.oscFeedback, line.error)
                || TakeValue(argv, argc, i, "--sync-leader", line.syncLeader, line.error))
                continue;
            else if (std::string value; TakeValue(argv, argc, i, "--osc", value, line.error)) {
                if (value == "on" || value == "off")
                    line.osc = value == "on" ? 1 : 0;
                else if (line.error.empty())
                    line.error = "--osc wants on or off";
            } else if (TakeValue(argv, argc, i, "--osc-port", value, line.error)) {
                line.oscPort = PortValue(value, 0, "--osc-port wants a port, 0..65535", line.error);
            } else if (TakeValue(argv, argc, i, "--sync-port", value, line.error)) {
                line.syncPort = PortValue(value, 1, "--sync-port wants a port, 1..65535", line.error);
            } else if (TakeValue(argv, argc, i, "--sync", line.sync, line.error)) {
                if (line.error.empty() && line.sync != "standalone" && line.sync != "leader"
                    && line.sync != "follower")
                    line.error = "--sync wants standalone, leader or follower";
            }
            // Qt's own options (-platform, -display, ...) are left to QApplication.
            else if (std::strncmp(arg, "--", 2) == 0)
                line.error = std::string("unknown option ") + arg;
            continue;
        }
        if (!line.document.empty()) {
            line.error = "only one file can be opened from the command line";
            break;
        }
        line.document = arg;
    }
    if (line.error.empty() && !line.statusAddress.empty()) {
        if (!ParseHostPort(line.statusAddress, RemotePackets::kStatusPort))
            line.error = "--status-address wants ADDR[:PORT], e.g. 127.0.0.1:31772";
    }
    return line;
}

std::string CCommandLine::Usage(const char* program)
{
    return std::string("Usage: ") + program
        + " [OPTIONS] [FILE]\n"
          "Show and installation media player with two players and UDP remote control.\n\n"
          "  FILE                      a media file to open, or a playlist (.m3u, .pls) to load\n"
          "  --audio-sink=DESC         GStreamer audio sink, e.g. \"alsasink device=hw:1\"\n"
          "  --video-sink=DESC         GStreamer video sink, e.g. \"ximagesink\"\n"
          "  --status-address=ADDR[:PORT]\n"
          "                            where status packets go (default 255.255.255.255:31772)\n"
          "  --osc=on|off              the OSC server on UDP port 31774 (default: the preference)\n"
          "  --osc-port=PORT           another OSC port for this run\n"
          "  --osc-feedback=ADDR:PORT[,ADDR:PORT...]\n"
          "                            OSC feedback also goes there\n"
          "  --sync=standalone|leader|follower\n"
          "                            this player's part in a synchronised wall\n"
          "  --sync-leader=ADDR        a follower's clock leader (address or host name)\n"
          "  --sync-port=PORT          the group clock's port (default 31775)\n"
          "  --log-stderr              also write every logbook line to standard error\n"
          "  --play                    start FILE at once (a playlist from its first entry)\n"
          "  --version                 print the version and exit\n"
          "  -h, --help                print this help and exit\n\n"
          "Remote commands arrive on UDP port 31773, OSC on 31774. Settings: "
          "$XDG_CONFIG_HOME/vexo/Zuvio.conf;\n"
          "the playlist of the last run: LastPLS.dat in the working folder.\n";
}
