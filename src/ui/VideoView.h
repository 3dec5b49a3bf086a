#pragma once

#include "core/CoreTypes.h"
#include "core/Messages.h"
#include "core/Services.h"
#include "show/ShowOutput.h"

#include <QWidget>

#include <array>
#include <memory>
#include <string>

class CFullScreenDlg;
class CShowEngine;
class CVideoSurface;

// The left pane of the main window: the show engine's picture output. It
// places the active player's picture in its own client area or in the
// full-screen window, applies the zoom level, and parks the hidden player's.
//
// Each player renders into a native window of its own (CVideoSurface), handed
// to the engine's player through CShowEngine::AttachSurface. The active
// player's window covers the view (or the full-screen window); the inactive
// player's window is hidden or parked in a window that is never shown, so its
// picture cannot be seen, and a cut only swaps which window is mapped.
class CVideoView : public QWidget, public CMessageTarget, public CShowOutput
{
    Q_OBJECT

public:
    static constexpr int kPlayerCount = 2;
    static constexpr int kDefaultZoomLevel = 100;

    // engine outlives the view.
    CVideoView(CShowEngine& engine, const CServices& services, QWidget* parent = nullptr);
    ~CVideoView() override;

    // Makes the full-screen and parking windows and the surfaces, and attaches
    // itself to the engine as its output; once, after the engine has started.
    void OnInitialUpdate();

    void ToggleFullscreen();
    void ZoomTo(int percent);
    void ZoomFit();
    void UpdateVideoWindow();
    void OnFullscreenClosed();

    // CShowOutput.
    void PlaceActive(bool reveal) override;
    void ShowPicture(int player, bool show) override;
    void Park(int player) override;
    void Redraw() override;
    bool IsFullscreen() const override { return m_bFullscreen; }
    void SetFullscreen(bool on) override;

    int GetZoomLevel() const { return m_ZoomLevel; }
    bool IsInitialised() const { return m_bInitialised; }
    CShowEngine& Engine() const { return m_Engine; }
    CFullScreenDlg* GetFullScreenWindow() const { return m_pFullScreen.get(); }
    CFullScreenDlg* GetParkingWindow() const { return m_pParking.get(); }
    CVideoSurface* GetSurface(int player) const;
    CRect GetZoomRect(int player) const;
    CRect ClientRect() const;

    // WM_FULLSCREEN_CLOSED from the full-screen window.
    LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int Active() const;
    // Places player's video window in host and tells the player its handle.
    void AttachToHost(int player, QWidget* host);
    void PlaceByZoomLevel();
    void ApplyZoomFallBack(int player);

    CShowEngine& m_Engine;
    CServices m_Services;
    std::unique_ptr<CFullScreenDlg> m_pFullScreen;
    std::unique_ptr<CFullScreenDlg> m_pParking;
    std::array<std::unique_ptr<CVideoSurface>, kPlayerCount> m_pSurface;
    bool m_bInitialised = false;
    bool m_bFullscreen = false;
    int m_ZoomLevel = kDefaultZoomLevel;
    std::array<CRect, kPlayerCount> m_rcZoom {};
};
