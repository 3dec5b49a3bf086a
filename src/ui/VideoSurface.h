#pragma once

#include "core/CoreTypes.h"

#include <QWidget>

#include <functional>

// The native window one player renders into (GstVideoOverlay). It always
// covers its host (the video view, the full-screen window or the parking
// window) so that the player's video rectangle, given in the host's client
// coordinates, is also a rectangle in this window.
//
// Qt never paints it: the sink owns its pixels. The window system clears it to
// black instead, so what lies outside the picture is black and a picture of the
// other player can never shine through.
//
// Invariant: the native handle stays the same for the life of the object;
// moving between hosts reparents the window, it is never re-created.
class CVideoSurface : public QWidget
{
public:
    explicit CVideoSurface(QWidget* host);
    ~CVideoSurface() override;

    WindowHandle Handle() const { return m_Handle; }

    // Moves the window into host (hidden, as reparenting leaves it) and keeps
    // it covering the host from now on.
    void Attach(QWidget* host);
    QWidget* Host() const { return m_pHost; }

    // Waits until the window system has carried out every request made so far
    // (a map, a move), so that a sink drawing from its own connection finds
    // the window as this program left it.
    void SyncWithWindowSystem();

    // Called whenever the window system has cleared (part of) the window, as
    // after mapping it: the sink does not watch the window itself, so the
    // picture must be redrawn on request.
    void SetExposeHandler(std::function<void()> handler) { m_OnExpose = std::move(handler); }

    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearToBlackOnExpose();

    QWidget* m_pHost = nullptr;
    WindowHandle m_Handle = 0;
    std::function<void()> m_OnExpose;
};
