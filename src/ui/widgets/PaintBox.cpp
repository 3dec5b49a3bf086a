#include "ui/widgets/PaintBox.h"

#include <QLinearGradient>
#include <QPainter>

void CPaintBox::GradientFill(QPainter& painter, const QRect& rect, const QColor& top, const QColor& bottom)
{
    if (rect.isEmpty())
        return;
    // Through the pixel centres, so the first and last rows get exactly the end colours.
    QLinearGradient gradient(0, rect.top() + 0.5, 0, rect.bottom() + 0.5);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(rect, gradient);
}

void CPaintBox::FrameRect(QPainter& painter, const QRect& rect, const QColor& color)
{
    if (rect.isEmpty())
        return;
    const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    painter.fillRect(QRect(l, t, rect.width(), 1), color);
    painter.fillRect(QRect(l, b, rect.width(), 1), color);
    painter.fillRect(QRect(l, t, 1, rect.height()), color);
    painter.fillRect(QRect(r, t, 1, rect.height()), color);
}
