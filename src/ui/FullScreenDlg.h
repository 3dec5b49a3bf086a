#pragma once

#include "core/CoreTypes.h"

#include <QDialog>

#include <vector>

class CMessageTarget;

// Sent to the parent when full-screen mode ends, whoever ended it.
constexpr unsigned WM_FULLSCREEN_CLOSED = 1036;

// The borderless, black, top-most window on the primary screen that holds the
// active player's picture in full-screen mode; a second, never shown instance
// parks the inactive player's picture. It keeps the list of monitors.
//
// On this platform a client cannot hide the desktop's panel: the full-screen
// window state covers it instead. The pointer is hidden with a blank cursor
// over the window while full screen is on and restored whenever it ends.
//
// Invariant: the pointer is hidden exactly while m_bFullscreen is true, and
// WM_FULLSCREEN_CLOSED is sent once per switch from on to off.
class CFullScreenDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int IDD = 192;

    // target receives WM_FULLSCREEN_CLOSED (the video view); it may be null.
    CFullScreenDlg(QWidget* parent, CMessageTarget* target);
    ~CFullScreenDlg() override;

    void SetFullscreen(bool on);
    bool IsFullscreen() const { return m_bFullscreen; }

    void SetVideoRect(const CRect& rect);
    const CRect& GetVideoRect() const { return m_rcVideo; }
    // The area covered, in this window's client coordinates.
    const CRect& GetScreenRect() const { return m_rcScreen; }

    void ResizeToScreen();
    void HideTaskbar(bool restore);
    void EnumMonitors();
    void SetActiveMonitor(int32_t id);
    int32_t GetActiveMonitor() const { return m_ActiveMonitor; }
    int32_t GetScreenWidth(int32_t id) const;
    int32_t GetScreenHeight(int32_t id) const;
    const std::vector<CRect>& Monitors() const { return m_Monitors; }
    void PaintBlack();
    void ShowMouseCursor(bool show);
    bool IsCursorVisible() const { return m_bCursorVisible; }

    // Display change: rebuild the monitor list and follow the primary screen.
    void OnDisplayChange();

    // How often the window asked to be repainted, for tests of SetVideoRect.
    int InvalidateCount() const { return m_InvalidateCount; }

    void accept() override;
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool IsValidMonitor(int32_t id) const;
    void Invalidate();
    void WatchScreen(QScreen* screen);

    CRect m_rcScreen;
    std::vector<CRect> m_Monitors;
    CRect m_rcVideo;
    QWidget* m_pParent = nullptr;
    CMessageTarget* m_pTarget = nullptr;
    int32_t m_ActiveMonitor = 0;
    bool m_bFullscreen = false;
    bool m_bCursorVisible = true;
    int m_InvalidateCount = 0;
};
