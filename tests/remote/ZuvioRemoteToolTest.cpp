// zuvio-remote against a real CServerSocket on loopback.

#include "remote/ServerSocket.h"

#include "core/Preferences.h"
#include "remote/RemotePackets.h"
#include "support/RecordingTarget.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const bool kLoopbackOnly = [] { return setenv("ZUVIO_STATUS_DEST", "127.0.0.1:9", 1) == 0; }();

struct ToolRun
{
    int exitCode = -1;
    std::string out, err;
};

class ZuvioRemoteTool : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kLoopbackOnly);
        QUdpSocket probe; // a free port for the tool to listen on
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        m_ListenPort = probe.localPort();
        probe.close();
        m_Socket.SetCommandPort(0);
        m_Socket.SetClock([] { return 1000u; }); // no idle status: only answers reach the tool
        m_Socket.SetStatusDestination(QHostAddress::LocalHost, m_ListenPort);
        ASSERT_TRUE(m_Socket.InitServer("127.0.0.1"));
    }
    // Runs the tool while this thread's event loop keeps the socket answering.
    ToolRun Tool(QStringList arguments)
    {
        QProcess process;
        process.start(QStringLiteral(ZUVIO_REMOTE_PATH), arguments);
        EXPECT_TRUE(process.waitForStarted(10000));
        const QDeadlineTimer deadline(30000);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            m_Socket.PollStatus();
            process.waitForFinished(1);
        }
        EXPECT_EQ(process.state(), QProcess::NotRunning) << "zuvio-remote did not finish";
        process.waitForFinished(1000);
        return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString() };
    }

    QStringList Talk(std::initializer_list<const char*> words)
    {
        QStringList args = { "--host", QStringLiteral("127.0.0.1:%1").arg(m_Socket.GetBoundPort()),
            "--listen-port", QString::number(m_ListenPort), "--timeout", "10" };
        for (const char* w : words)
            args << QString::fromUtf8(w);
        return args;
    }

    CPreferences m_Prefs { CPreferences::Defaults {} };
    RecordingTarget m_Owner;
    CServerSocket m_Socket { &m_Owner, m_Prefs };
    std::uint16_t m_ListenPort = 0;
};

using Msg = RecordingTarget::Message;

TEST_F(ZuvioRemoteTool, EveryCommandArrivesAsItsMessage)
{
    m_Owner.handler = [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT {
        m_Socket.SendText("got " + std::to_string(msg) + " " + std::to_string(static_cast<std::int64_t>(w))
            + " " + std::to_string(l));
        return 1;
    };
    struct Case
    {
        std::initializer_list<const char*> words;
        Msg expected;
    };
    const Case cases[] = {
        { { "play", "B" }, { WM_NET_PLAY, 1, 0 } },
        { { "pause", "a" }, { WM_NET_PAUSE, 0, 0 } },
        { { "stop", "1" }, { WM_NET_STOP, 1, 0 } },
        { { "select", "B" }, { WM_NET_SELECT_PLAYER, 1, 0 } },
        { { "open", "A", ":3" }, { WM_NET_OPEN, 0, 4 } }, // the fifth packet: ring slot 4
        { { "seek", "B", "90000" }, { WM_NET_SEEK, 1, 90000 } },
        { { "volume", "A", "2147483647" }, { WM_NET_VOLUME, 0, 2147483647 } },
        { { "volume", "A", "-2147483648" }, { WM_NET_VOLUME, 0, -2147483648LL } },
        { { "raw", "12", "-1", "7" }, { WM_NET_UNUSED_12, static_cast<WPARAM>(-1), 7 } },
    };
    for (const Case& c : cases) {
        auto words = Talk({ "--kind", "text", "--replies", "1" });
        for (const char* w : c.words)
            words << QString::fromUtf8(w);
        m_Owner.messages.clear();
        const ToolRun run = Tool(words);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        ASSERT_EQ(m_Owner.messages.size(), 1u) << *c.words.begin();
        EXPECT_EQ(m_Owner.messages[0], c.expected) << *c.words.begin();
        EXPECT_EQ(run.out,
            "text from=127.0.0.1 \"got " + std::to_string(c.expected.msg) + " "
                + std::to_string(static_cast<std::int64_t>(c.expected.wParam)) + " "
                + std::to_string(c.expected.lParam) + "\"\n");
    }
    std::uint8_t packet[RemotePackets::kCommandSize];
    ASSERT_TRUE(m_Socket.GetCommandPacket(packet, 4));
    EXPECT_EQ(RemotePackets::DecodeCommand(packet)->text, ":3");
}

TEST_F(ZuvioRemoteTool, PrintsStatusAndEscapedTextAsJson)
{
    m_Owner.handler = [&](unsigned, WPARAM, LPARAM) -> LRESULT {
        RemotePackets::StatusRecord record;
        record.playState = 2;
        record.activeIndex = 1;
        record.volume = 50;
        record.duration = 60000;
        record.fileName = "caf\xe9 \"live\".mp4";
        m_Socket.SetStatus(std::move(record));
        m_Socket.m_bSendNow = true;
        m_Socket.SendText("Player B: a\\b\n");
        return 1;
    };
    const ToolRun run = Tool(Talk({ "--json", "--replies", "2", "play", "B" }));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
        "{\"kind\":\"text\",\"from\":\"127.0.0.1\",\"text\":\"Player B: a\\\\b\\n\"}\n"
        "{\"kind\":\"status\",\"from\":\"127.0.0.1\",\"state\":2,\"stateName\":\"Playing\",\"position\":0,"
        "\"duration\":60000,\"volume\":50,\"active\":1,\"file\":\"caf\\u00e9 \\\"live\\\".mp4\","
        "\"mac\":\"00:00:00:00:00:00\"}\n");
}

TEST_F(ZuvioRemoteTool, TimestampsArriveAsTheFirstJsonField)
{
    m_Owner.handler = [&](unsigned, WPARAM, LPARAM) -> LRESULT {
        m_Socket.SendText("Player A: hello\n");
        return 1;
    };
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const ToolRun run = Tool(Talk({ "--json", "--timestamps", "--replies", "1", "play", "A" }));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string prefix = "{\"t\":";
    ASSERT_EQ(run.out.rfind(prefix, 0), 0u) << run.out;
    const size_t comma = run.out.find(',');
    const qint64 t = std::stoll(run.out.substr(prefix.size(), comma - prefix.size()));
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
    EXPECT_EQ(run.out.substr(comma),
        ",\"kind\":\"text\",\"from\":\"127.0.0.1\",\"text\":\"Player A: hello\\n\"}\n");
}

TEST_F(ZuvioRemoteTool, TimesOutWithStatusOneWhenNobodyAnswers)
{
    const ToolRun run
        = Tool(Talk({ "--kind", "text", "--replies", "1", "--timeout", "0.3", "raw", "99", "0" }));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("timed out after 0 of 1 packets"), std::string::npos) << run.err;
    EXPECT_EQ(m_Socket.GetRecvIndex(), 1); // it did arrive; code 99 just has no answer
}

TEST_F(ZuvioRemoteTool, BadArgumentsExitTwoWithAReason)
{
    const struct
    {
        QStringList args;
        const char* says;
    } cases[] = {
        { {}, "no command given" },
        { { "dance", "A" }, "unknown command 'dance'" },
        { { "play" }, "play wants PLAYER" },
        { { "play", "C" }, "PLAYER is A, B or a 32-bit index" },
        { { "seek", "A", "12s" }, "seek wants a 32-bit integer" },
        { { "volume", "A", "2147483648" }, "volume wants a 32-bit integer" },
        { { "open", "A", QString(512, 'x') }, "REF must be 1 to 511 characters" },
        { { "--host", "player.local", "play", "A" }, "--host wants a numeric IPv4 address" },
        { { "--host", "127.0.0.1:70000", "play", "A" }, "--host wants" },
        { { "--from", "eth0", "play", "A" }, "--from wants a numeric IPv4 address" },
        { { "--timeout", "soon", "listen" }, "--timeout wants seconds" },
        { { "--kind", "video", "listen" }, "--kind wants" },
        { { "--frobnicate", "listen" }, "unknown option '--frobnicate'" },
        { { "listen", "now" }, "listen takes no arguments" },
        { { "raw", "x", "0" }, "raw wants 32-bit integers" },
        { { "--count" }, "option '--count' needs a value" },
    };
    for (const auto& c : cases) {
        const ToolRun run = Tool(c.args);
        EXPECT_EQ(run.exitCode, 2) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_TRUE(m_Owner.messages.empty());
    const ToolRun help = Tool({ "--help" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: zuvio-remote", 0), 0u);
}

} // namespace
