// zuvio_remote_host: a CServerSocket answered by FrameDouble, driven by the
// 100 ms timer the main frame will run. Prints "ready PORT" once listening.
// Namespace tests and the latency benchmark run it on the player side.

#include "FrameDouble.h"

#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Preferences.h"
#include "osc/OscServer.h"
#include "remote/ServerSocket.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    std::string bind = "127.0.0.1";
    std::string statusDest;
    int commandPort = RemotePackets::kCommandPort;
    int lifetimeSeconds = 60;
    int oscPort = -1; // no OSC server
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--bind")
            bind = value;
        else if (option == "--status-dest")
            statusDest = value;
        else if (option == "--command-port")
            commandPort = std::atoi(value);
        else if (option == "--lifetime")
            lifetimeSeconds = std::atoi(value);
        else if (option == "--osc-port")
            oscPort = std::atoi(value);
        else {
            std::fprintf(stderr,
                "usage: zuvio_remote_host [--bind ADDR] [--command-port P] "
                "[--status-dest HOST:PORT] [--lifetime SECONDS] [--osc-port P]\n");
            return 2;
        }
    }

    auto log = std::make_unique<CLogBuffer>("zuvio_remote_host", 500, 256);
    g_pLogBuffer = log.get();
    g_pLogBuffer->SetMirror(stderr);
    CPreferences preferences { CPreferences::Defaults {} };

    QCoreApplication app(argc, argv);
    FrameDouble frame;
    CServerSocket socket(&frame, preferences);
    frame.Attach(&socket);
    socket.SetCommandPort(static_cast<std::uint16_t>(commandPort));
    if (!statusDest.empty() && !socket.SetStatusDestination(statusDest)) {
        std::fprintf(stderr, "zuvio_remote_host: bad --status-dest %s\n", statusDest.c_str());
        return 2;
    }
    if (!socket.InitServer(bind))
        return 1;
    COscServer osc(&frame, preferences);
    if (oscPort >= 0) {
        if (!osc.Start({ true, static_cast<std::uint16_t>(oscPort), bind, {} }))
            return 1;
        frame.AttachOsc(&osc);
        std::printf("osc %u\n", osc.GetBoundPort());
    }
    std::printf("ready %u\n", socket.GetBoundPort());
    std::fflush(stdout);

    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &socket, &CServerSocket::PollStatus);
    QObject::connect(&tick, &QTimer::timeout, &osc, &COscServer::Poll);
    tick.start(100);
    QTimer::singleShot(lifetimeSeconds * 1000, &app, &QCoreApplication::quit);
    const int result = QCoreApplication::exec();
    g_pLogBuffer = nullptr;
    return result;
}
