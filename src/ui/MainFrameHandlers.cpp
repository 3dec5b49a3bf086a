// The main frame as a view of the show engine: the window's own messages
// become commands, and the engine's events refresh the panes.
#include "ui/MainFrame.h"

#include "control/ShowControllers.h"
#include "core/VolumeScale.h"
#include "playlist/MediaTypes.h"
#include "show/ShowEngine.h"
#include "ui/PlayerCtrlBar.h"

#include <algorithm>

LRESULT CMainFrame::SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (!m_bPanesCreated)
        return 0;
    using Id = ShowCommandId;
    switch (msg) {
    case WM_CMD_PLAY:
        Execute({ Id::PlayActive });
        return 1;
    case WM_CMD_PAUSE:
        Execute({ Id::PauseActive });
        return 1;
    case WM_CMD_STOP:
        Execute({ Id::StopActive });
        return 1;
    case WM_CMD_MUTE:
        Execute({ Id::Mute, -1, lParam == 1 ? 1 : 0 });
        return 1;
    case WM_CMD_SLIDER:
        if (wParam == SLIDER_VOLUME_ID)
            Execute({ Id::VolumeDb, ActivePlayer(),
                VolumeScale::VolumeFromSlider(static_cast<int32_t>(lParam), VolumeRange()) });
        else if (wParam == SLIDER_POSITION_ID)
            Execute({ Id::SeekActive, -1, m_pCtrlBar->PositionSlider().GetPos() });
        return 1;
    case WM_CMD_SELECT_PLAYER:
        Execute({ Id::Select, wParam <= 1 ? static_cast<int>(wParam) : -1 });
        return 1;
    case WM_CMD_STEP_TRACK:
        Execute({ Id::Step, -1, static_cast<int64_t>(wParam) });
        return 1;
    default:
        return 0;
    }
}

ShowReply CMainFrame::Execute(const ShowCommand& command)
{
    return m_Controllers.Execute(command);
}

bool CMainFrame::TakeHidden()
{
    return Execute({ ShowCommandId::Take }).accepted;
}

void CMainFrame::OnShowEvent(const ShowEvent& event)
{
    if (!m_bPanesCreated)
        return;
    switch (event.kind) {
    case ShowEventKind::Opened:
        OnMediaOpened(event.player);
        break;
    case ShowEventKind::Position:
        OnPlayerRefresh();
        break;
    case ShowEventKind::State:
        OnPlayerState();
        break;
    case ShowEventKind::Active:
        OnPlayerState();
        break;
    case ShowEventKind::Level:
        OnLevel();
        break;
    case ShowEventKind::Playlist:
        UpdateCommandUI();
        break;
    case ShowEventKind::Text:
    case ShowEventKind::Changed:
    case ShowEventKind::Done:
        break;
    }
}

void CMainFrame::LightPlayerButtons()
{
    m_pCtrlBar->SetActivePlayer(ActivePlayer());
}

void CMainFrame::OnMediaOpened(int player)
{
    m_pCtrlBar->SetStatusTitle(QString::fromLocal8Bit(m_Engine.GetTitle(player).c_str()));
    m_pCtrlBar->RedrawStatus();
    m_pCtrlBar->EnablePositionSlider(IsTimedMedia(m_Engine.GetFileName(player)));
}

void CMainFrame::OnPlayerRefresh()
{
    const int active = ActivePlayer();
    const uint32_t duration = m_Engine.GetDuration(active);
    const uint32_t position = m_Engine.GetPosition(active);
    m_pCtrlBar->SetStatusTitle(QString::fromLocal8Bit(m_Engine.GetTitle(active).c_str()));
    m_pCtrlBar->SetStatusPosition(position);
    m_pCtrlBar->SetStatusDuration(duration);
    m_pCtrlBar->RedrawStatus();
    if (duration != 0) {
        m_pCtrlBar->SetPositionRange(duration);
        m_pCtrlBar->SetPosition(position);
    } else {
        m_pCtrlBar->SetPosition(0);
    }
}

void CMainFrame::OnPlayerState()
{
    const int active = ActivePlayer();
    if (m_Engine.GetPlayer(active)) {
        m_pCtrlBar->SetStatusPlayState(m_Engine.GetPlayState(active));
        m_pCtrlBar->SetStatusTitle(QString::fromLocal8Bit(m_Engine.GetTitle(active).c_str()));
        m_pCtrlBar->SetStatusPosition(m_Engine.GetPosition(active));
        m_pCtrlBar->SetStatusDuration(m_Engine.GetDuration(active));
        m_pCtrlBar->RedrawStatus();
    }
    LightPlayerButtons();
}

void CMainFrame::OnLevel()
{
    m_pCtrlBar->SetVolumePos(VolumeRange() + m_Engine.GetVolume());
    m_pCtrlBar->SetMuted(m_Engine.IsMuted());
}
