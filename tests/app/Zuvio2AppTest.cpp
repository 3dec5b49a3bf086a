// Start-up of the application object: platform choice, splash, the start-up
// playlist rules and document opening from the command line.
#include "FrameFixture.h"
#include "support/FakePlayer.h"

#include "app/Zuvio2App.h"
#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Preferences.h"
#include "core/Profile.h"
#include "playlist/PlaylistCtrl.h"
#include "playlist/RecentFileList.h"
#include "ui/DlgSplash.h"
#include "ui/MainFrame.h"
#include "ui/VideoView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

class AppTest : public testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("ZUVIO_COMMAND_PORT", "0");
        qputenv("ZUVIO_OSC_PORT", "0");
        QFile::remove(QStringLiteral("LastPLS.dat"));
        QFile::remove(QString::fromStdString(ProfilePath()));
        WriteProfileString("General", "m_BindIpAddress", "127.0.0.1");
    }

    static CCommandLine Line(std::string document = {})
    {
        CCommandLine line;
        line.statusAddress = "127.0.0.1:9";
        line.document = std::move(document);
        return line;
    }

    static void WritePlaylist(const char* name, int entries)
    {
        QFile file(QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#EXTM3U\n");
        for (int i = 1; i <= entries; ++i) {
            const QString media = QDir::current().absoluteFilePath(QStringLiteral("cue%1.mp4").arg(i));
            QFile(media).open(QIODevice::WriteOnly); // the playlist takes existing files only
            file.write(media.toLocal8Bit() + "\n");
        }
    }
};

struct EnvGuard
{
    explicit EnvGuard(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            saved.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
    }
    ~EnvGuard()
    {
        for (const auto& [name, value, set] : saved)
            set ? qputenv(name, value) : qunsetenv(name);
    }
    std::vector<std::tuple<const char*, QByteArray, bool>> saved;
};

} // namespace

TEST(ChoosePlatform, HeadlessWithoutAnyDisplayAndX11UnderWayland)
{
    EnvGuard guard({ "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" });
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    CZuvio2App::ChoosePlatform();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "offscreen");

    qunsetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", ":0");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    CZuvio2App::ChoosePlatform();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");

    qputenv("QT_QPA_PLATFORM", "minimal"); // the user's choice wins
    CZuvio2App::ChoosePlatform();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "minimal");
}

TEST_F(AppTest, SplashFollowsThePreferenceAndClosesItself)
{
    WriteProfileInt("General", "m_bShowSplash", 0);
    {
        CZuvio2App app;
        app.SetPlayerFactory(FakePlayers());
        app.SetEngineHooks(ScriptedHooks());
        app.SetProbeAddedFiles(false);
        ASSERT_TRUE(app.InitInstance(Line()));
        EXPECT_EQ(app.Splash(), nullptr);
        EXPECT_TRUE(app.MainFrame()->isVisible());
        EXPECT_NE(g_pLogBuffer, nullptr);
        ASSERT_NE(app.Services(), nullptr);
        EXPECT_NE(app.Services()->pUi, nullptr);
    }
    EXPECT_EQ(g_pLogBuffer, nullptr);

    WriteProfileInt("General", "m_bShowSplash", 1);
    CZuvio2App app;
    app.SetPlayerFactory(FakePlayers());
    app.SetEngineHooks(ScriptedHooks());
    app.SetProbeAddedFiles(false);
    ASSERT_TRUE(app.InitInstance(Line()));
    QPointer<CDlgSplash> splash = app.Splash();
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_NEAR(splash->windowOpacity(), 224.0 / 255.0, 0.01);
    QDeadlineTimer deadline(CDlgSplash::kShowMs + 5000);
    while (splash && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(splash) << "the splash closes and deletes itself";
}

TEST_F(AppTest, ReloadPlaylistRestoresTheLastRunWithoutStarting)
{
    WriteProfileInt("General", "m_bShowSplash", 0);
    WritePlaylist("LastPLS.dat", 3);
    WriteProfileInt("General", "m_bReloadPlaylist", 1);
    WriteProfileString("General", "m_AutoPlaylist", "auto.m3u"); // ignored while reloading
    WritePlaylist("auto.m3u", 1);
    CZuvio2App app;
    app.SetPlayerFactory(FakePlayers());
    app.SetEngineHooks(ScriptedHooks());
    app.SetProbeAddedFiles(false);
    ASSERT_TRUE(app.InitInstance(Line()));
    CPlaylistCtrl* playlist = app.MainFrame()->GetPlaylist();
    EXPECT_EQ(playlist->GetRowCount(), 3);
    CBasePlayer* a = app.MainFrame()->Engine().GetPlayer(0);
    EXPECT_EQ(a->GetPlayState(), CBasePlayer::STATE_STOPPED);
}

TEST_F(AppTest, AutoPlaylistLoadsAndStartsTheFirstEntry)
{
    WriteProfileInt("General", "m_bShowSplash", 0);
    WriteProfileInt("General", "m_bReloadPlaylist", 0);
    WriteProfileInt("General", "m_bAutoPlayTrack", 1);
    WritePlaylist("auto.m3u", 2);
    WriteProfileString(
        "General", "m_AutoPlaylist", QFile(QStringLiteral("auto.m3u")).fileName().toStdString());
    CZuvio2App app;
    app.SetPlayerFactory(FakePlayers());
    app.SetEngineHooks(ScriptedHooks());
    app.SetProbeAddedFiles(false);
    ASSERT_TRUE(app.InitInstance(Line()));
    CBasePlayer* a = app.MainFrame()->Engine().GetPlayer(0);
    EXPECT_EQ(app.MainFrame()->GetPlaylist()->GetRowCount(), 2);
    EXPECT_EQ(a->GetTitle(), "cue1.mp4");
    EXPECT_EQ(a->GetPlayState(), CBasePlayer::STATE_RUNNING);
}

TEST_F(AppTest, CommandLinePlaylistGoesToThePlaylistAndMediaToThePlayer)
{
    WriteProfileInt("General", "m_bShowSplash", 0);
    WriteProfileInt("General", "m_bReloadPlaylist", 0);
    WritePlaylist("show.m3u", 4);
    {
        CZuvio2App app;
        app.SetPlayerFactory(FakePlayers());
        app.SetEngineHooks(ScriptedHooks());
        app.SetProbeAddedFiles(false);
        ASSERT_TRUE(app.InitInstance(Line("show.m3u")));
        EXPECT_EQ(app.MainFrame()->GetPlaylist()->GetRowCount(), 4);
        ASSERT_FALSE(GetRecentFileList().empty());
        EXPECT_NE(GetRecentFileList().front().find("show.m3u"), std::string::npos);
    }
    {
        CZuvio2App app;
        app.SetPlayerFactory(FakePlayers());
        app.SetEngineHooks(ScriptedHooks());
        app.SetProbeAddedFiles(false);
        ASSERT_TRUE(app.InitInstance(Line("/media/show/single.mp4")));
        EXPECT_EQ(app.MainFrame()->GetPlaylist()->GetRowCount(), 0);
        EXPECT_EQ(app.MainFrame()->Engine().GetPlayer(0)->GetTitle(), "single.mp4");
        EXPECT_EQ(app.MainFrame()->Engine().GetPlayer(0)->GetPlayState(), CBasePlayer::STATE_STOPPED);
    }
    CCommandLine line = Line("show.m3u");
    line.play = true; // the demo's way in: the first entry starts at once
    CZuvio2App app;
    app.SetPlayerFactory(FakePlayers());
    app.SetEngineHooks(ScriptedHooks());
    app.SetProbeAddedFiles(false);
    ASSERT_TRUE(app.InitInstance(line));
    CBasePlayer* a = app.MainFrame()->Engine().GetPlayer(0);
    EXPECT_EQ(a->GetTitle(), "cue1.mp4");
    EXPECT_EQ(a->GetPlayState(), CBasePlayer::STATE_RUNNING);
}
