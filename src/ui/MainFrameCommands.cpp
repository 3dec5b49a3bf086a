// The main frame's command handlers and the enabling and marks of its menus.
#include "ui/MainFrame.h"

#include "playlist/MediaTypes.h"

#include "control/ShowControllers.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/UiServices.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowEngine.h"
#include "ui/CommandIds.h"
#include "ui/LogBookDlg.h"
#include "ui/MainMenu.h"
#include "ui/PlayerCtrlBar.h"
#include "ui/PrefsSheet.h"
#include "ui/RightView.h"
#include "ui/VideoView.h"

#include <QMessageBox>

QAction* CMainFrame::Action(int id) const
{
    return m_pMenu ? m_pMenu->Action(id) : nullptr;
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
