// Start-up time and remote command latency of the whole player, on loopback.
//
// Starts zuvio (headless, fake sinks, a scratch settings folder, status to a
// loopback port of ours) with a playlist of one generated clip, and measures
// - start-up: from the exec to the first status packet;
// - latency: from a CMD_PLAY datagram to the "Player A: Playback started."
//   text packet, over N commands (each preceded by a pause and its answer).
//
// Usage: startup_latency ZUVIO PLAYLIST [COMMANDS]
#include "remote/RemotePackets.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace RemotePackets;

namespace {

// Waits for a packet of the kind (and, for text, the exact text); false on time-out.
bool WaitFor(QUdpSocket& socket, int32_t kind, const std::string& text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!socket.hasPendingDatagrams()
            && !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            continue;
        while (socket.hasPendingDatagrams()) {
            const QByteArray data = socket.receiveDatagram().data();
            const auto packet = DecodeBroadcast(std::span(
                reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<size_t>(data.size())));
            if (packet && packet->kind == kind && (kind != kKindText || packet->text == text))
                return true;
        }
    }
    return false;
}

uint16_t FreeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t index
        = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[index];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_latency ZUVIO PLAYLIST [COMMANDS]\n");
        return 2;
    }
    const QString zuvio = QString::fromLocal8Bit(argv[1]);
    const QString playlist = QString::fromLocal8Bit(argv[2]);
    const int commands = argc > 3 ? std::atoi(argv[3]) : 200;

    QTemporaryDir root;
    QDir().mkpath(root.path() + QStringLiteral("/config/vexo"));
    QFile settings(root.path() + QStringLiteral("/config/vexo/Zuvio.conf"));
    if (!settings.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write the settings file\n");
        return 3;
    }
    settings.write("[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_BindIpAddress=127.0.0.1\nm_AutoPlaylist=");
    settings.write(playlist.toLocal8Bit() + "\n");
    settings.close();

    QUdpSocket status;
    if (!status.bind(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "cannot bind the status socket\n");
        return 3;
    }
    const uint16_t commandPort = FreeUdpPort();

    QProcess player;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("ZUVIO_COMMAND_PORT"), QString::number(commandPort));
    player.setProcessEnvironment(env);
    player.setWorkingDirectory(root.path());
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer clock;
    clock.start();
    player.start(zuvio,
        { QStringLiteral("--status-address=127.0.0.1:%1").arg(status.localPort()),
            QStringLiteral("--audio-sink=fakesink sync=true"),
            QStringLiteral("--video-sink=fakesink sync=true") });
    if (!WaitFor(status, kKindStatus, {}, 20000)) {
        std::fprintf(stderr, "no status packet within 20 s\n");
        return 1;
    }
    const double startupMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    QUdpSocket sender;
    auto send = [&](int32_t code) {
        const CommandBytes bytes = EncodeCommand({ 0, code, 0, {} });
        sender.writeDatagram(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()),
            QHostAddress::LocalHost, commandPort);
    };
    std::vector<double> latencies;
    for (int i = 0; i < commands; ++i) {
        send(CMD_PAUSE);
        if (!WaitFor(status, kKindText, "Player A: Playback paused.\n", 5000)) {
            std::fprintf(stderr, "no answer to pause %d\n", i);
            return 1;
        }
        clock.restart();
        send(CMD_PLAY);
        if (!WaitFor(status, kKindText, "Player A: Playback started.\n", 5000)) {
            std::fprintf(stderr, "no answer to play %d\n", i);
            return 1;
        }
        latencies.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    player.terminate();
    player.waitForFinished(10000);

    std::printf("start-up, exec to first status packet: %.1f ms\n", startupMs);
    std::printf(
        "CMD_PLAY to \"Playback started.\" over %d commands: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
        commands, Percentile(latencies, 0.5), Percentile(latencies, 0.99),
        *std::max_element(latencies.begin(), latencies.end()));
    return player.exitStatus() == QProcess::NormalExit && player.exitCode() == 0 ? 0 : 1;
}
