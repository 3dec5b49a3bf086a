#pragma once

#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <functional>

// A host widget for window-less widgets: draws through a callback and collects
// the regions it was asked to repaint.
class PaintHost : public QWidget
{
public:
    PaintHost() { resize(640, 120); }

    std::function<void(QPainter&)> draw;
    QRegion painted;
    int paints = 0;

    // Shows the host and waits for its first paint, then forgets it.
    bool ShowAndSettle()
    {
        show();
        const bool ok = WaitFor([this] { return paints > 0; });
        painted = QRegion();
        return ok;
    }

    // Repaints marker and waits until that paint arrived; whatever else was
    // invalid at that point has been painted with it.
    bool FlushWith(const QRect& marker)
    {
        update(marker);
        return WaitFor([&] { return painted.intersects(marker); });
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        painted += event->region();
        ++paints;
        QPainter painter(this);
        if (draw)
            draw(painter);
    }
};
