#include "FrameFixture.h"

#include "core/Profile.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/ServerSocket.h"
#include "support/FakePlayer.h"
#include "ui/VideoView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>

void FrameFixture::SetUp()
{
    QFile::remove(QStringLiteral("LastPLS.dat"));
    QFile::remove(QString::fromStdString(ProfilePath()));
    m_pPrefs = std::make_unique<CPreferences>(CPreferences::Defaults {});
    m_pPrefs->m_bReloadPlaylist = false;
    m_pPrefs->m_BindIpAddress = "127.0.0.1";

    m_pListener = std::make_unique<QUdpSocket>();
    ASSERT_TRUE(m_pListener->bind(QHostAddress::LocalHost, 0));
    const std::string destination = "127.0.0.1:" + std::to_string(m_pListener->localPort());
    m_pServices = std::make_unique<CServices>(CServices { *m_pPrefs, &m_Ui, FakePlayers(), {} });
    m_pPlaylist = std::make_unique<CPlaylistCtrl>(*m_pServices, nullptr);
    m_pEngine = std::make_unique<CShowEngine>(*m_pServices, *m_pPlaylist);
    m_pEngine->SetHooks(ScriptedHooks());
    m_pControllers = std::make_unique<CShowControllers>(
        *m_pEngine, *m_pPrefs, CShowControllers::Options { destination, 0, -1, 0, {}, {} });
    m_pFrame = std::make_unique<CMainFrame>(*m_pEngine, *m_pControllers, *m_pServices);
    m_pFrame->show();
    m_pControllers->Start();
    m_pFrame->InitialUpdate();
    // The control bar's start-up volume is the first line; start the test after it.
    ASSERT_TRUE(WaitForText("Player A: Volume set to 100%.\n"));
    m_Texts.clear();
}

std::function<std::unique_ptr<CBasePlayer>()> FakePlayers()
{
    return [] { return std::make_unique<FakePlayer>(); };
}

CShowEngine::Hooks ScriptedHooks()
{
    CShowEngine::Hooks hooks = CShowEngine::DefaultHooks(nullptr);
    hooks.checkRuntime = [] { return true; };
    return hooks;
}

void FrameFixture::TearDown()
{
    m_pFrame.reset();
    m_pControllers.reset();
    m_pEngine.reset();
    m_pPlaylist.reset();
}

ShowReply FrameFixture::Command(unsigned msg, WPARAM player, LPARAM value, const std::string& text)
{
    const int index = player <= static_cast<WPARAM>(INT32_MAX) ? static_cast<int>(player) : -1;
    return m_pFrame->Execute({ static_cast<ShowCommandId>(msg), index, value, text });
}

FakePlayer& FrameFixture::Player(int i)
{
    return static_cast<FakePlayer&>(*m_pFrame->Engine().GetPlayer(i));
}

void FrameFixture::LoadPlaylist(int n)
{
    CPlaylistCtrl* playlist = m_pFrame->GetPlaylist();
    for (int i = 1; i <= n; ++i) {
        const std::string path = QDir::currentPath().toStdString() + "/clip" + std::to_string(i) + ".mp4";
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::WriteOnly); // the playlist takes existing files only
        playlist->AddEntry(path, playlist->GetRowCount(), "clip" + std::to_string(i) + ".mp4", "0:00:10");
    }
    playlist->RenumberItems();
}

void FrameFixture::DrainPackets()
{
    while (m_pListener->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_pListener->receiveDatagram();
        const QByteArray data = datagram.data();
        const auto decoded = RemotePackets::DecodeBroadcast(std::span(
            reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<size_t>(data.size())));
        if (!decoded)
            continue;
        if (decoded->kind == RemotePackets::kKindText)
            m_Texts.push_back(decoded->text);
        else
            m_Statuses.push_back(decoded->status);
    }
}

std::vector<std::string> FrameFixture::Texts(size_t count)
{
    QDeadlineTimer deadline(2000);
    DrainPackets();
    while (m_Texts.size() < count && !deadline.hasExpired()) {
        m_pListener->waitForReadyRead(50);
        DrainPackets();
    }
    return m_Texts;
}

bool FrameFixture::WaitForText(const std::string& text)
{
    QDeadlineTimer deadline(2000);
    for (;;) {
        DrainPackets();
        for (const std::string& t : m_Texts)
            if (t == text)
                return true;
        if (deadline.hasExpired())
            return false;
        m_pListener->waitForReadyRead(50);
    }
}

std::optional<RemotePackets::StatusRecord> FrameFixture::NextStatus()
{
    m_Statuses.clear();
    QDeadlineTimer deadline(2000);
    while (m_Statuses.empty() && !deadline.hasExpired()) {
        m_pControllers->Tick();
        m_pListener->waitForReadyRead(20);
        DrainPackets();
    }
    if (m_Statuses.empty())
        return std::nullopt;
    return m_Statuses.back();
}

void FrameFixture::SendCommand(int32_t code, int32_t player, int32_t value, const std::string& text)
{
    const auto bytes = RemotePackets::EncodeCommand({ player, code, value, text });
    QUdpSocket sender;
    const int slot = m_pControllers->Socket()->GetRecvIndex();
    sender.writeDatagram(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()),
        QHostAddress::LocalHost, m_pControllers->Socket()->GetBoundPort());
    QDeadlineTimer deadline(2000);
    while (m_pControllers->Socket()->GetRecvIndex() == slot && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // A packet the frame never took would make every "nothing happened" check pass.
    EXPECT_NE(m_pControllers->Socket()->GetRecvIndex(), slot) << "command " << code << " was never taken";
}
