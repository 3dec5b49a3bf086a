// Probing files added to the playlist on a real X display, with the default
// sinks: no window may appear. Runs under xvfb-run, skips elsewhere.
#include "core/Preferences.h"
#include "core/Services.h"
#include "playback/GraphProber.h"
#include "playlist/PlaylistCtrl.h"
#include "support/MediaFixtures.h"
#include "support/RecordingTarget.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

namespace {

// Children of the root window: every top-level window of every client.
int CountTopLevelWindows()
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") });
    if (!xwininfo.waitForFinished(5000) || xwininfo.exitCode() != 0)
        return -1;
    const QRegularExpression children(QStringLiteral("(\\d+) child"));
    const auto match = children.match(QString::fromLocal8Bit(xwininfo.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

TEST(PlaylistProbeXvfb, ProbingOpensNoWindow)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display (run through xvfb-run)";
    if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty())
        GTEST_SKIP() << "needs xwininfo";
    const MediaFixtures::Set& set = MediaFixtures::Get();
    ASSERT_TRUE(set.ok) << set.error;
    QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/probe-XXXXXX"));
    const std::string dir = folder.path().toStdString();
    for (int i = 0; i < 8; ++i) {
        std::filesystem::copy_file(set.video, dir + "/clip" + std::to_string(i) + ".ogg");
        std::filesystem::copy_file(set.wav, dir + "/tone" + std::to_string(i) + ".wav");
    }

    CPreferences prefs { CPreferences::Defaults {} };
    prefs.m_bReloadPlaylist = false;
    RecordingTarget owner;
    CPlaylistCtrl ctrl(CServices { prefs, nullptr, {}, {} }, std::make_unique<CGraphProber>());
    ctrl.Init(&owner);
    const int before = CountTopLevelWindows();
    ASSERT_GE(before, 0);

    int most = before;
    ctrl.AddFolder(dir, -1);
    ASSERT_TRUE(WaitFor(
        [&] {
            most = std::max(most, CountTopLevelWindows());
            return ctrl.GetPendingProbes() == 0;
        },
        std::chrono::minutes(1)));
    EXPECT_EQ(most, before);
    for (int i = 0; i < ctrl.GetRowCount(); ++i)
        EXPECT_NE(ctrl.GetRow(i)->m_Time, "0:00:00") << ctrl.GetPathAt(i);
    ctrl.ClearPlaylist();
    ctrl.OnDestroy();
}
