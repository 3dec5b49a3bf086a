#pragma once

#include "app/CoreTypes.h"

#include <QWidget>

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

    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearToBlackOnExpose();

    QWidget* m_pHost = nullptr;
    WindowHandle m_Handle = 0;
};
