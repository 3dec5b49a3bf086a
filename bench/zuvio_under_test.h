#pragma once

// The real player as the benchmarks drive it: headless (offscreen), synchronised
// fake sinks, a scratch settings and working folder, commands and status on
// loopback ports of ours only. Header-only; each benchmark is one translation unit.
#include "remote/RemotePackets.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// The value below which the fraction p of the values lie (p = 0.5: the median).
inline double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t index
        = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[index];
}

class CZuvioUnderTest
{
public:
    ~CZuvioUnderTest()
    {
        if (m_Process.state() != QProcess::NotRunning) {
            m_Process.kill();
            m_Process.waitForFinished(5000);
        }
    }

    // Binds the status socket; false (and a line on stderr) when it cannot.
    bool Prepare(const QString& autoPlaylist)
    {
        return PrepareSettings("[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_BindIpAddress=127.0.0.1\n"
                               "m_AutoPlaylist="
            + autoPlaylist.toLocal8Bit() + "\n");
    }

    // The same with a settings file of the caller's.
    bool PrepareSettings(const QByteArray& text)
    {
        QDir().mkpath(m_Root.path() + QStringLiteral("/config/vexo"));
        QFile settings(m_Root.path() + QStringLiteral("/config/vexo/Zuvio.conf"));
        if (!m_Root.isValid() || !settings.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write the settings file\n");
            return false;
        }
        settings.write(text);
        settings.close();
        if (!m_Status.bind(QHostAddress::LocalHost, 0)) {
            std::fprintf(stderr, "cannot bind the status socket\n");
            return false;
        }
        QUdpSocket probe; // a free port for the player's command socket
        probe.bind(QHostAddress::LocalHost, 0);
        m_CommandPort = probe.localPort();
        return true;
    }

    void Start(const QString& zuvio)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_Root.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("ZUVIO_COMMAND_PORT"), QString::number(m_CommandPort));
        env.insert(QStringLiteral("ZUVIO_OSC_PORT"), QStringLiteral("0"));
        m_Process.setProcessEnvironment(env);
        m_Process.setWorkingDirectory(m_Root.path());
        m_Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The player runs in the scratch folder: a relative path would no longer name it.
        m_Process.start(QFileInfo(zuvio).absoluteFilePath(),
            { QStringLiteral("--status-address=127.0.0.1:%1").arg(m_Status.localPort()),
                QStringLiteral("--audio-sink=fakesink sync=true"),
                QStringLiteral("--video-sink=fakesink sync=true") });
    }

    // Start, then the player's first status packet; false (and a line on stderr)
    // when none comes within 20 s.
    bool StartAndWaitForStatus(const QString& zuvio)
    {
        Start(zuvio);
        if (WaitFor(RemotePackets::kKindStatus, {}, 20000))
            return true;
        std::fprintf(stderr, "zuvio: no status packet within 20 s\n");
        return false;
    }

    // Waits for a packet of the kind (for text: one that begins with the text); false on time-out.
    bool WaitFor(int32_t kind, const std::string& text, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            if (!m_Status.hasPendingDatagrams()
                && !m_Status.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                continue;
            while (m_Status.hasPendingDatagrams()) {
                const QByteArray data = m_Status.receiveDatagram().data();
                const auto packet = RemotePackets::DecodeBroadcast(
                    std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                        static_cast<size_t>(data.size())));
                if (packet && packet->kind == RemotePackets::kKindText)
                    m_Seen.push_back(packet->text);
                if (packet && packet->kind == kind
                    && (kind != RemotePackets::kKindText || packet->text.rfind(text, 0) == 0))
                    return true;
            }
        }
        return false;
    }

    void Send(int32_t player, int32_t code, const std::string& text = {})
    {
        const auto bytes = RemotePackets::EncodeCommand({ player, code, 0, text });
        m_Sender.writeDatagram(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()),
            QHostAddress::LocalHost, m_CommandPort);
    }

    // Whether a text packet with exactly this text went by since the last call that found one.
    bool Seen(const std::string& text)
    {
        const auto it = std::find(m_Seen.begin(), m_Seen.end(), text);
        if (it == m_Seen.end())
            return false;
        m_Seen.clear();
        return true;
    }

    qint64 Pid() const { return m_Process.processId(); }
    // The player's working folder, where it keeps "LastPLS.dat".
    QString Root() const { return m_Root.path(); }

    // SIGTERM and the player's own orderly exit; true when it ended with status 0.
    bool Stop()
    {
        m_Process.terminate();
        if (!m_Process.waitForFinished(10000)) {
            m_Process.kill();
            m_Process.waitForFinished(5000);
            return false;
        }
        return m_Process.exitStatus() == QProcess::NormalExit && m_Process.exitCode() == 0;
    }

private:
    QTemporaryDir m_Root;
    QUdpSocket m_Status;
    QUdpSocket m_Sender;
    QProcess m_Process;
    uint16_t m_CommandPort = 0;
    std::vector<std::string> m_Seen;
};
