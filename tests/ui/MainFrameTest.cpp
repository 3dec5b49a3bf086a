// The main frame as a window: layout, menus and their rules, preferences
// commands, and what its destruction stores.
#include "FrameFixture.h"
#include "support/FakePlayer.h"

#include "core/Profile.h"
#include "playlist/PlaylistCtrl.h"
#include "ui/CommandIds.h"
#include "ui/PlayerCtrlBar.h"
#include "ui/RightView.h"
#include "ui/VideoView.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QSplitter>

namespace {

// Every item of the menu bar: id -> text.
std::map<int, std::string> MenuItems(QMenuBar* bar)
{
    std::map<int, std::string> items;
    for (QAction* top : bar->actions())
        for (QAction* item : top->menu()->actions())
            if (!item->isSeparator())
                items[item->data().toInt()] = item->text().toStdString();
    return items;
}

} // namespace

TEST_F(FrameFixture, PaneLayoutKeepsThePlaylistWidth)
{
    // Laid out before the initial update: the view's zoom test sees its real size.
    EXPECT_GE(m_pFrame->GetVideoView()->width(), 535);
    EXPECT_GE(m_pFrame->GetVideoView()->height(), 300);

    m_pFrame->resize(1000, 600);
    m_pFrame->show();
    QSplitter* outer = m_pFrame->OuterSplitter();
    EXPECT_EQ(m_pFrame->minimumSize(), QSize(755, 240));
    EXPECT_EQ(m_pFrame->InnerSplitter()->minimumWidth(), 535);
    EXPECT_EQ(m_pFrame->GetRightView()->minimumWidth(), 200);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->height(), 74);
    EXPECT_EQ(outer->widget(1), m_pFrame->GetRightView());
    EXPECT_EQ(m_pFrame->InnerSplitter()->widget(0), m_pFrame->GetVideoView());

    outer->setSizes({ outer->width() - 260, 260 });
    const int playlistWidth = m_pFrame->GetRightView()->width();
    m_pFrame->resize(1200, 700);
    EXPECT_EQ(m_pFrame->GetRightView()->width(), playlistWidth);
    EXPECT_GT(m_pFrame->GetVideoView()->width(), 800);
}

TEST_F(FrameFixture, MenusCarryTheirTextsAndAccelerators)
{
    const auto items = MenuItems(m_pFrame->menuBar());
    const std::map<int, std::string> expected = {
        { 32774, "&Open media...\tCtrl+M" },
        { 32838, "Open playlist...\tCtrl+O" },
        { 32839, "&Save playlist...\tCtrl+Shift+S" },
        { 32843, "General Program Preferences" },
        { 32844, "Reset Preferences" },
        { 57665, "&Quit\tAlt+F4" },
        { 32772, "Play/Pause\tCtrl+P" },
        { 32773, "Stop\tCtrl+S" },
        { 32854, "Open playlist\tCtrl+O" },
        { 32855, "Save playlist\tCtrl+Shift+S" },
        { 32858, "Repeat single Track" },
        { 32856, "Loop playlist" },
        { 32857, "Auto play next entry" },
        { 32782, "Player A\tAlt+A" },
        { 32781, "Player B\tAlt+B" },
        { 32787, "Fullscreen\tAlt+Enter" },
        { 32786, "Always on top" },
        { 32852, "Fit to window" },
        { 32849, "50%\tAlt+1" },
        { 32850, "100%\tAlt+2" },
        { 32851, "200%\tAlt+3" },
        { 32846, "View Logbook" },
        { 57664, "&About..." },
        { 57616, "Letzte Datei" },
    };
    for (const auto& [id, text] : expected) {
        ASSERT_TRUE(items.count(id)) << id;
        EXPECT_EQ(items.at(id), text) << id;
    }
    EXPECT_EQ(m_pFrame->Action(32772)->shortcuts(),
        QList<QKeySequence>({ QKeySequence(QStringLiteral("Ctrl+P")), QKeySequence(Qt::Key_Space) }));
    EXPECT_EQ(m_pFrame->Action(32838)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_TRUE(m_pFrame->Action(32854)->shortcut().isEmpty()); // the label only
    EXPECT_TRUE(m_pFrame->Action(32849)->shortcut().isEmpty()); // zoom: labels, no accelerators
    bool paneKey = false; // the pane's keys work in the whole window
    for (QAction* action : m_pFrame->actions())
        paneKey = paneKey || action->shortcut() == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete);
    EXPECT_TRUE(paneKey);
}

TEST_F(FrameFixture, EnablingChecksAndRadioMarksFollowTheState)
{
    m_pFrame->UpdateCommandUI();
    EXPECT_FALSE(m_pFrame->Action(32772)->isEnabled());
    EXPECT_FALSE(m_pFrame->Action(32773)->isEnabled());
    EXPECT_FALSE(m_pFrame->Action(32839)->isEnabled()); // empty playlist
    EXPECT_TRUE(m_pFrame->Action(32782)->isChecked());
    EXPECT_FALSE(m_pFrame->Action(32781)->isChecked());
    EXPECT_TRUE(m_pFrame->Action(32857)->isChecked());

    LoadPlaylist(1);
    SendCommand(RemotePackets::CMD_OPEN, 0, 0, ":1");
    m_pFrame->UpdateCommandUI();
    EXPECT_TRUE(m_pFrame->Action(32772)->isEnabled());
    EXPECT_TRUE(m_pFrame->Action(32839)->isEnabled());

    EXPECT_TRUE(m_pFrame->RunCommand(32772)); // toggles
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);
    EXPECT_TRUE(m_pFrame->RunCommand(32772));
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_PAUSED);

    EXPECT_TRUE(m_pFrame->RunCommand(32858)); // repeat on: auto-advance greyed, keeps its check
    EXPECT_TRUE(m_pFrame->Action(32858)->isChecked());
    EXPECT_FALSE(m_pFrame->Action(32857)->isEnabled());
    EXPECT_TRUE(m_pFrame->Action(32857)->isChecked());
    EXPECT_FALSE(m_pFrame->RunCommand(32857));

    EXPECT_TRUE(m_pFrame->RunCommand(32781));
    EXPECT_TRUE(m_pFrame->Action(32781)->isChecked());
    EXPECT_FALSE(m_pFrame->Action(32782)->isChecked());

    EXPECT_TRUE(m_pFrame->RunCommand(32851));
    EXPECT_TRUE(m_pFrame->Action(32851)->isChecked());
    EXPECT_FALSE(m_pFrame->Action(32852)->isChecked());
    EXPECT_TRUE(m_pFrame->RunCommand(32852));
    EXPECT_TRUE(m_pFrame->Action(32852)->isChecked());
    EXPECT_FALSE(m_pFrame->Action(32851)->isChecked());

    EXPECT_TRUE(m_pFrame->RunCommand(32786));
    EXPECT_TRUE(m_pFrame->IsAlwaysOnTop());
    EXPECT_TRUE(m_pFrame->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(m_pFrame->Action(32786)->isChecked());
    EXPECT_TRUE(m_pFrame->RunCommand(32786));
    EXPECT_FALSE(m_pFrame->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(FrameFixture, CaptionNamesThePlaylistFromTheStart)
{
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), "Default Playlist - Zuvio");
    LoadPlaylist(1);
    QFile list(QStringLiteral("show.m3u"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(QByteArray::fromStdString(m_pFrame->GetPlaylist()->GetPathAt(0) + "\n"));
    list.close();
    m_Ui.answers.push_back(QFileInfo(list).absoluteFilePath().toStdString());
    EXPECT_TRUE(m_pFrame->RunCommand(32854)); // Playlist > "Open playlist"
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), "show.m3u - Zuvio");
}

TEST_F(FrameFixture, OpenMediaDialogOpensIntoTheActivePlayer)
{
    m_Ui.answers.push_back("/media/show/intro.mpg");
    EXPECT_TRUE(m_pFrame->RunCommand(32774));
    ASSERT_EQ(m_Ui.dialogs.size(), 1u);
    EXPECT_EQ(m_Ui.dialogs[0].defaultExt, "avi");
    EXPECT_EQ(m_Ui.dialogs[0].filter.rfind("Media files|*.mpg;*.MPG;*.mpeg;", 0), 0u);
    EXPECT_EQ(Player(0).GetTitle(), "intro.mpg");
    EXPECT_EQ(m_pFrame->GetPlaylist()->GetRowCount(), 0);
    EXPECT_TRUE(m_pFrame->RunCommand(32774)); // cancelled: nothing
    EXPECT_EQ(Player(0).opens, 1);
}

TEST_F(FrameFixture, ResetPreferencesAsksThenRestoresDefaults)
{
    m_pPrefs->m_VolumeMin = 5000;
    m_pFrame->ApplyAcceptedPreferences(m_pPrefs->m_iRemoteCtrl);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->GetVolumeRange(), 5000);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->VolumeSlider().GetPos(), 5000); // moved to 0 dB because R changed
    EXPECT_EQ(GetProfileInt("General", "m_VolumeMin", 0), 5000);

    std::vector<std::string> questions;
    m_pFrame->SetQuestionHandler([&](const std::string& q) {
        questions.push_back(q);
        return false;
    });
    EXPECT_TRUE(m_pFrame->RunCommand(32844));
    EXPECT_EQ(m_pPrefs->m_VolumeMin, 5000);
    EXPECT_TRUE(m_Ui.boxes.empty());

    m_pFrame->SetQuestionHandler([&](const std::string& q) {
        questions.push_back(q);
        return true;
    });
    EXPECT_TRUE(m_pFrame->RunCommand(32844));
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[1], "Reset Program preferences to default settings?");
    EXPECT_EQ(m_pPrefs->m_VolumeMin, 3000);
    EXPECT_EQ(GetProfileInt("General", "m_VolumeMin", 0), 3000);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->GetVolumeRange(), 3000);
    ASSERT_EQ(m_Ui.boxes.size(), 1u);
    EXPECT_EQ(m_Ui.boxes[0].text, "Default settings restored.");
}

TEST_F(FrameFixture, DestroyingTheFrameStoresPlaylistVolumeAndZoom)
{
    LoadPlaylist(2);
    m_pFrame->SendMessage(WM_CMD_SLIDER, SLIDER_VOLUME_ID, 1200);
    m_pFrame->GetCtrlBar()->SetVolumePos(1200);
    m_pFrame->RunCommand(32849);
    m_pFrame.reset();

    EXPECT_EQ(GetProfileInt("CtrlBar", "m_Volume", -1), 1200);
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", -1), 50);
    QFile saved(QStringLiteral("LastPLS.dat"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.contains("clip1.mp4"));
    EXPECT_TRUE(text.contains("clip2.mp4"));
}

TEST_F(FrameFixture, TimerDisablesThePositionSliderWhenStoppedOrStill)
{
    m_pFrame->OnTimer();
    EXPECT_FALSE(m_pFrame->GetCtrlBar()->PositionSlider().IsEnabled());
    SendCommand(RemotePackets::CMD_OPEN, 0, 0, "/media/clip.mp4");
    m_pFrame->SendMessage(WM_CMD_PLAY, 0, 0);
    m_pFrame->OnTimer();
    EXPECT_TRUE(m_pFrame->GetCtrlBar()->PositionSlider().IsEnabled());
    SendCommand(RemotePackets::CMD_OPEN, 0, 0, "/media/still.JPG");
    m_pFrame->SendMessage(WM_CMD_PLAY, 0, 0);
    m_pFrame->OnTimer();
    EXPECT_FALSE(m_pFrame->GetCtrlBar()->PositionSlider().IsEnabled());
}
