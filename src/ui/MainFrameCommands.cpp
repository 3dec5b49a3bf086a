// The main frame's menus, accelerators and command handlers.
#include "ui/MainFrame.h"

#include "playlist/MediaTypes.h"

#include "control/ShowControllers.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/UiServices.h"
#include "playlist/PlaylistCtrl.h"
#include "playlist/RecentFileList.h"
#include "show/ShowEngine.h"
#include "ui/CommandIds.h"
#include "ui/LogBookDlg.h"
#include "ui/PlayerCtrlBar.h"
#include "ui/PrefsSheet.h"
#include "ui/RightView.h"
#include "ui/VideoView.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QMessageBox>

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* text)
{
    auto* action = new QAction(QString::fromLatin1(text), this);
    action->setData(id);
    if (menu)
        menu->addAction(action);
    else
        addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_Actions[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const
{
    const auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenus()
{
    using namespace CommandId;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddCommand(file, OpenMedia, "&Open media...\tCtrl+M")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    AddCommand(file, OpenPlaylist, "Open playlist...\tCtrl+O")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    AddCommand(file, SavePlaylist, "&Save playlist...\tCtrl+Shift+S")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    file->addSeparator();
    m_pRecentMenu = file;
    m_pRecentSeparator = file->addSeparator();
    AddCommand(file, GeneralPreferences, "General Program Preferences");
    AddCommand(file, ResetPreferences, "Reset Preferences");
    file->addSeparator();
    AddCommand(file, Quit, "&Quit\tAlt+F4");
    connect(file, &QMenu::aboutToShow, this, [this] { RefreshRecentFiles(); });
    RefreshRecentFiles();

    QMenu* play = menuBar()->addMenu(QStringLiteral("&Play"));
    AddCommand(play, PlayPause, "Play/Pause\tCtrl+P")
        ->setShortcuts({ QKeySequence(QStringLiteral("Ctrl+P")), QKeySequence(Qt::Key_Space) });
    AddCommand(play, Stop, "Stop\tCtrl+S")->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));

    QMenu* playlist = menuBar()->addMenu(QStringLiteral("P&laylist"));
    AddCommand(playlist, PaneOpenPlaylist, "Open playlist\tCtrl+O");
    AddCommand(playlist, PaneSavePlaylist, "Save playlist\tCtrl+Shift+S");
    playlist->addSeparator();
    AddCommand(playlist, RepeatSingleTrack, "Repeat single Track")->setCheckable(true);
    AddCommand(playlist, LoopPlaylist, "Loop playlist")->setCheckable(true);
    AddCommand(playlist, AutoPlayNext, "Auto play next entry")->setCheckable(true);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    AddCommand(view, PlayerA, "Player A\tAlt+A")->setShortcut(QKeySequence(QStringLiteral("Alt+A")));
    AddCommand(view, PlayerB, "Player B\tAlt+B")->setShortcut(QKeySequence(QStringLiteral("Alt+B")));
    Action(PlayerA)->setCheckable(true);
    Action(PlayerB)->setCheckable(true);
    view->addSeparator();
    AddCommand(view, Fullscreen, "Fullscreen\tAlt+Enter")
        ->setShortcuts(
            { QKeySequence(QStringLiteral("Alt+Return")), QKeySequence(QStringLiteral("Alt+Enter")) });
    AddCommand(view, AlwaysOnTop, "Always on top")->setCheckable(true);
    view->addSeparator();
    AddCommand(view, ZoomFit, "Fit to window")->setCheckable(true);
    // The zoom items show their keys but have no accelerators.
    auto* zoom = new QActionGroup(this);
    zoom->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const auto& [id, text] :
        { std::pair { Zoom50, "50%\tAlt+1" }, { Zoom100, "100%\tAlt+2" }, { Zoom200, "200%\tAlt+3" } }) {
        QAction* action = AddCommand(view, id, text);
        action->setCheckable(true);
        zoom->addAction(action);
    }
    view->addSeparator();
    AddCommand(view, ViewLogbook, "View Logbook");

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddCommand(help, About, "&About...");

    // The clipboard accelerators; the playlist pane installs its own keys.
    AddCommand(nullptr, EditCopy, "")
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert) });
    AddCommand(nullptr, EditCut, "")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    AddCommand(nullptr, EditPaste, "")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));

    for (QMenu* menu : { file, play, playlist, view, help })
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
}

void CMainFrame::RefreshRecentFiles()
{
    for (int id = CommandId::RecentFileFirst; id <= CommandId::RecentFileLast; ++id) {
        if (QAction* action = Action(id)) {
            m_Actions.erase(id);
            delete action;
        }
    }
    const std::vector<std::string> files = GetRecentFileList();
    if (files.empty()) {
        QAction* none = AddCommand(nullptr, CommandId::RecentFileFirst, "Letzte Datei");
        none->setEnabled(false);
        m_pRecentMenu->insertAction(m_pRecentSeparator, none);
        return;
    }
    for (size_t i = 0;
         i < files.size() && i <= size_t(CommandId::RecentFileLast - CommandId::RecentFileFirst); ++i) {
        const int id = CommandId::RecentFileFirst + static_cast<int>(i);
        QAction* action = AddCommand(nullptr, id, "");
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromLocal8Bit(files[i].c_str())));
        action->setProperty("path", QString::fromLocal8Bit(files[i].c_str()));
        removeAction(action);
        m_pRecentMenu->insertAction(m_pRecentSeparator, action);
    }
}

void CMainFrame::UpdateCommandUI()
{
    using namespace CommandId;
    if (!m_bPanesCreated)
        return;
    const bool open = m_Engine.IsOpen(ActivePlayer());
    Action(PlayPause)->setEnabled(open);
    Action(Stop)->setEnabled(open);

    CPlaylistCtrl* playlist = GetPlaylist();
    const bool ready = playlist && playlist->IsInitialised();
    Action(SavePlaylist)->setEnabled(ready && playlist->GetRowCount() > 0);
    for (int id : { PaneOpenPlaylist, PaneSavePlaylist, RepeatSingleTrack, LoopPlaylist, AutoPlayNext }) {
        bool enabled = false, checked = false;
        m_pRightView->GetCommandState(id, enabled, checked);
        Action(id)->setEnabled(enabled);
        Action(id)->setChecked(checked);
    }

    Action(PlayerA)->setChecked(ActivePlayer() == PLAYER_A);
    Action(PlayerB)->setChecked(ActivePlayer() == PLAYER_B);
    Action(AlwaysOnTop)->setChecked(m_bAlwaysOnTop);
    const int zoom = m_pVideoView->GetZoomLevel();
    Action(ZoomFit)->setChecked(zoom == 0);
    Action(Zoom50)->setChecked(zoom == 50);
    Action(Zoom100)->setChecked(zoom == 100);
    Action(Zoom200)->setChecked(zoom == 200);
}

bool CMainFrame::RunCommand(int id)
{
    using namespace CommandId;
    QAction* action = Action(id);
    if (!action || !m_bPanesCreated)
        return false;
    UpdateCommandUI();
    if (!action->isEnabled())
        return false;
    switch (id) {
    case OpenMedia:
        OnOpenMedia();
        break;
    case OpenPlaylist:
        GetPlaylist()->OpenPlaylist({});
        break;
    case SavePlaylist:
        GetPlaylist()->SavePlaylist({});
        break;
    case GeneralPreferences:
        OnGeneralPreferences();
        break;
    case ResetPreferences:
        OnResetPreferences();
        break;
    case Quit:
        close();
        break;
    case PlayPause:
        Execute({ ShowCommandId::PlayPause });
        break;
    case Stop:
        Execute({ ShowCommandId::StopActive });
        break;
    case PlayerA:
        SendMessage(WM_CMD_SELECT_PLAYER, PLAYER_A, 0);
        break;
    case PlayerB:
        SendMessage(WM_CMD_SELECT_PLAYER, PLAYER_B, 0);
        break;
    case Fullscreen:
        Execute({ ShowCommandId::Fullscreen, -1, -1 });
        break;
    case RepeatSingleTrack:
    case LoopPlaylist:
    case AutoPlayNext: {
        // The menu item toggles its mark.
        const ShowCommandId command = id == RepeatSingleTrack ? ShowCommandId::Repeat
            : id == LoopPlaylist                              ? ShowCommandId::Loop
                                                              : ShowCommandId::AutoAdvance;
        Execute({ command, -1, action->isChecked() ? 0 : 1 });
        break;
    }
    case AlwaysOnTop:
        OnAlwaysOnTop();
        break;
    case ZoomFit:
        m_pVideoView->ZoomFit();
        break;
    case Zoom50:
        m_pVideoView->ZoomTo(50);
        break;
    case Zoom100:
        m_pVideoView->ZoomTo(100);
        break;
    case Zoom200:
        m_pVideoView->ZoomTo(200);
        break;
    case ViewLogbook:
        m_pLogBook->Show(true);
        break;
    case About:
        Q_EMIT aboutRequested();
        break;
    case EditCopy:
    case EditCut:
    case EditPaste:
        break; // nothing in the main window takes the clipboard
    default:
        if (id >= RecentFileFirst && id <= RecentFileLast) {
            const QString path = action->property("path").toString();
            if (!path.isEmpty())
                Q_EMIT documentRequested(path);
        } else if (!m_pRightView->OnCommand(id)) {
            return false;
        }
        break;
    }
    UpdateCommandUI();
    return true;
}

void CMainFrame::OnOpenMedia()
{
    std::string path;
    if (!m_Services.pUi || !m_Services.pUi->GetOpenFileName("Open media", MediaFilter(), "avi", {}, path))
        return;
    Execute({ ShowCommandId::Open, ActivePlayer(), 0, path });
}

void CMainFrame::ApplyAcceptedPreferences(int previousRemoteCtrl)
{
    m_Controllers.ApplyPreferences(previousRemoteCtrl);
    m_Services.prefs.Save();
    ApplyVolumeRange();
}

void CMainFrame::OnGeneralPreferences()
{
    const int previousRemoteCtrl = m_Services.prefs.m_iRemoteCtrl;
    if (RunPreferencesSheet())
        ApplyAcceptedPreferences(previousRemoteCtrl);
}

void CMainFrame::OnResetPreferences()
{
    const std::string question = "Reset Program preferences to default settings?";
    const bool yes = m_AskYesNo
        ? m_AskYesNo(question)
        : QMessageBox::question(
              this, windowTitle(), QString::fromLatin1(question.c_str()), QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    if (!yes)
        return;
    m_Services.prefs.ResetToDefaults();
    m_Services.prefs.Save();
    ApplyVolumeRange();
    ShowMessageBox(m_Services.pUi, "Default settings restored.", windowTitle().toStdString(),
        CUiServices::ICON_INFORMATION);
}

bool CMainFrame::RunPreferencesSheet()
{
    CPrefsSheet sheet(m_Services.prefs, m_Services.pUi, this);
    return sheet.exec() == QDialog::Accepted;
}
