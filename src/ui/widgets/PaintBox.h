#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// The painting helpers shared by the owner-drawn widgets and their hosts.
class CPaintBox
{
public:
    // Vertical gradient over rect, top colour on the first row, bottom colour on the last.
    static void GradientFill(QPainter& painter, const QRect& rect, const QColor& top, const QColor& bottom);
    // A one-pixel frame just inside rect.
    static void FrameRect(QPainter& painter, const QRect& rect, const QColor& color);
};
