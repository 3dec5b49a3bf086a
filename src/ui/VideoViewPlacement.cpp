#include "ui/VideoView.h"

#include "core/VideoZoom.h"
#include "show/ShowEngine.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoSurface.h"

// Where the pictures go: the active player's window in the view or the
// full-screen window, the inactive one hidden or parked; and the zoom levels.

void CVideoView::AttachToHost(int player, QWidget* host)
{
    CVideoSurface* surface = GetSurface(player);
    if (!m_Engine.GetPlayer(player) || !surface || !host)
        return;
    surface->Attach(host);
    m_Engine.AttachSurface(player, surface->Handle());
}

void CVideoView::ShowPicture(int player, bool show)
{
    CVideoSurface* surface = GetSurface(player);
    if (!show) {
        m_Engine.ShowPlayerPicture(player, false);
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
    m_Engine.ShowPlayerPicture(player, true);
}

void CVideoView::UpdateVideoWindow()
{
    PlaceActive(true);
}

void CVideoView::PlaceActive(bool reveal)
{
    const int active = Active();
    if (!m_Engine.GetPlayer(active))
        return;
    if (m_bFullscreen && m_pFullScreen) {
        m_pFullScreen->SetFullscreen(true);
        const CRect screen = m_pFullScreen->GetScreenRect();
        AttachToHost(active, m_pFullScreen.get());
        m_Engine.SetPictureRect(active, screen);
    } else {
        // Leaving full screen comes back through OnFullscreenClosed first.
        if (m_pFullScreen)
            m_pFullScreen->SetFullscreen(false);
        AttachToHost(active, this);
        PlaceByZoomLevel();
    }
    if (CVideoSurface* surface = GetSurface(active))
        m_Engine.SetMessageDrain(active, surface->Handle());
    // A fresh graph starts with its picture hidden; the active one is shown.
    if (reveal)
        ShowPicture(active, true);
    if (m_bFullscreen && m_pFullScreen)
        m_pFullScreen->SetVideoRect(m_Engine.GetPictureRect(active));
}

void CVideoView::PlaceByZoomLevel()
{
    if (VideoZoom::IsFixedLevel(m_ZoomLevel))
        ZoomTo(m_ZoomLevel);
    else
        m_Engine.SetPictureRect(Active(), ClientRect());
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
    for (int i = 0; i < kPlayerCount; ++i) {
        if (!m_Engine.GetPlayer(i))
            continue;
        const CRect scaled
            = VideoZoom::ScaledRect(m_Engine.GetPictureWidth(i), m_Engine.GetPictureHeight(i), percent);
        m_rcZoom[static_cast<size_t>(i)] = VideoZoom::CentredIn(client, scaled);
        m_Engine.SetPictureRect(i, m_rcZoom[static_cast<size_t>(i)]);
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
    m_Engine.SetPictureRect(player, client);
}

void CVideoView::ZoomFit()
{
    const CRect client = ClientRect();
    for (int i = 0; i < kPlayerCount; ++i) {
        m_rcZoom[static_cast<size_t>(i)] = CRect {};
        // In full screen the active picture keeps the screen; only the zoom state changes.
        const bool onScreen = m_bFullscreen && i == Active();
        if (!onScreen)
            m_Engine.SetPictureRect(i, client);
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
    const int active = Active();
    if (!m_Engine.GetPlayer(active))
        return;
    AttachToHost(active, this);
    if (CVideoSurface* surface = GetSurface(active))
        m_Engine.SetMessageDrain(active, surface->Handle());
    m_Engine.SetPictureRect(active, ClientRect());
    ShowPicture(active, true);
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
