#include "ui/VideoView.h"

#include "core/VideoZoom.h"
#include "playback/BasePlayer.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoSurface.h"

// Where the pictures go: the active player's window in the view or the
// full-screen window, the inactive one hidden or parked; and the zoom levels.

void CVideoView::AttachToHost(int player, QWidget* host)
{
    CBasePlayer* p = GetPlayer(player);
    CVideoSurface* surface = GetSurface(player);
    if (!p || !surface || !host)
        return;
    surface->Attach(host);
    p->SetOwner(surface->Handle());
}

void CVideoView::ShowPlayer(int player, bool show)
{
    CBasePlayer* p = GetPlayer(player);
    CVideoSurface* surface = GetSurface(player);
    if (!show) {
        if (p)
            p->Show(false);
        if (surface)
            surface->hide();
        return;
    }
    if (surface && surface->isHidden()) {
        surface->show();
        surface->raise();
        // The player repaints at once; the window must be on the screen by then.
        surface->SyncWithWindowSystem();
    }
    if (p)
        p->Show(true);
}

void CVideoView::UpdateVideoWindow()
{
    PlaceActivePlayer(true);
}

void CVideoView::PlaceActivePlayer(bool reveal)
{
    CBasePlayer* p = GetPlayer(m_ActivePlayer);
    if (!p)
        return;
    if (m_bFullscreen && m_pFullScreen) {
        m_pFullScreen->SetFullscreen(true);
        const CRect screen = m_pFullScreen->GetScreenRect();
        AttachToHost(m_ActivePlayer, m_pFullScreen.get());
        p->SetVideoRect(screen);
    } else {
        // Leaving full screen comes back through OnFullscreenClosed first.
        if (m_pFullScreen)
            m_pFullScreen->SetFullscreen(false);
        AttachToHost(m_ActivePlayer, this);
        PlaceByZoomLevel();
    }
    if (CVideoSurface* surface = GetSurface(m_ActivePlayer))
        p->SetMessageDrain(surface->Handle());
    // A fresh graph starts with its picture hidden; the active one is shown.
    if (reveal)
        ShowPlayer(m_ActivePlayer, true);
    if (m_bFullscreen && m_pFullScreen)
        m_pFullScreen->SetVideoRect(p->GetVideoRect());
}

void CVideoView::PlaceByZoomLevel()
{
    if (VideoZoom::IsFixedLevel(m_ZoomLevel)) {
        ZoomTo(m_ZoomLevel);
    } else if (CBasePlayer* p = GetPlayer(m_ActivePlayer)) {
        p->SetVideoRect(ClientRect());
    }
}

void CVideoView::ZoomTo(int percent)
{
    if (m_bFullscreen)
        return;
    if (!VideoZoom::IsFixedLevel(percent)) {
        ZoomFit();
        return;
    }
    const CRect client = ClientRect();
    for (size_t i = 0; i < m_pPlayer.size(); ++i) {
        CBasePlayer* p = m_pPlayer[i].get();
        if (!p)
            continue;
        const CRect scaled = VideoZoom::ScaledRect(p->GetVideoWidth(), p->GetVideoHeight(), percent);
        m_rcZoom[i] = VideoZoom::CentredIn(client, scaled);
        p->SetVideoRect(m_rcZoom[i]);
    }
    m_ZoomLevel = percent;
    for (int i = 0; i < kPlayerCount; ++i)
        ApplyZoomFallBack(i);
}

void CVideoView::ApplyZoomFallBack(int player)
{
    const CRect client = ClientRect();
    CRect& zoom = m_rcZoom[static_cast<size_t>(player)];
    if (VideoZoom::FitsIn(client, zoom))
        return;
    m_ZoomLevel = 0;
    zoom = CRect {};
    if (CBasePlayer* p = GetPlayer(player))
        p->SetVideoRect(client);
}

void CVideoView::ZoomFit()
{
    const CRect client = ClientRect();
    for (size_t i = 0; i < m_pPlayer.size(); ++i) {
        m_rcZoom[i] = CRect {};
        // In full screen the active picture keeps the screen; only the zoom state changes.
        const bool onScreen = m_bFullscreen && static_cast<int>(i) == m_ActivePlayer;
        if (m_pPlayer[i] && !onScreen)
            m_pPlayer[i]->SetVideoRect(client);
    }
    m_ZoomLevel = 0;
}

void CVideoView::ToggleFullscreen()
{
    if (!m_pFullScreen)
        return;
    m_bFullscreen = !m_bFullscreen;
    UpdateVideoWindow();
}

void CVideoView::OnFullscreenClosed()
{
    m_bFullscreen = false;
    CBasePlayer* p = GetPlayer(m_ActivePlayer);
    if (!p)
        return;
    AttachToHost(m_ActivePlayer, this);
    if (CVideoSurface* surface = GetSurface(m_ActivePlayer))
        p->SetMessageDrain(surface->Handle());
    p->SetVideoRect(ClientRect());
    ShowPlayer(m_ActivePlayer, true);
    // The full-screen window was the active one: the keys come back here.
    activateWindow();
    setFocus();
}

void CVideoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_bInitialised)
        return;
    update();
    if (m_bFullscreen)
        return;
    // Once a zoomed picture no longer fits, the view stays fitted.
    for (int i = 0; i < kPlayerCount; ++i) {
        ApplyZoomFallBack(i);
        PlaceByZoomLevel();
    }
}
