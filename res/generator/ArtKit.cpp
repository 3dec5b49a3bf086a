#include "ArtKit.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

QImage NewCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QColor Mix(const QColor& a, const QColor& b, double t)
{
    auto ch = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
    return QColor(ch(a.red(), b.red()), ch(a.green(), b.green()), ch(a.blue(), b.blue()));
}

QImage Flatten(const QImage& art, const QColor& key, const Background& background)
{
    const QImage src = art.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        const QColor under = background(y);
        for (int x = 0; x < src.width(); ++x) {
            const QColor c = QColor::fromRgba(src.pixel(x, y));
            QColor result;
            if (c.alpha() < 24) {
                result = key;
            } else {
                result = Mix(under, QColor(c.red(), c.green(), c.blue()), c.alpha() / 255.0);
                if (result.rgb() == key.rgb())
                    result.setBlue(key.blue() > 0 ? key.blue() - 1 : 1);
            }
            out.setPixel(x, y, result.rgb());
        }
    }
    return out;
}

QColor BarBackground(int y)
{
    return Mix(QColor(65, 118, 227), QColor(0, 0, 96), std::clamp(y, 0, 73) / 73.0);
}

QColor PaneStripBackground(int y)
{
    const double t = std::clamp(y, 0, 24) / 12.0;
    return t <= 1 ? Mix(QColor(0, 0, 64), QColor(65, 65, 220), t)
                  : Mix(QColor(65, 65, 220), QColor(0, 0, 64), t - 1);
}

void DrawKey(QPainter& painter, const QRectF& rect, Key state, double radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Dark rim, then the body inset by one pixel.
    painter.setBrush(QColor(6, 8, 12, 235));
    painter.drawRoundedRect(rect, radius, radius);
    const QRectF body = rect.adjusted(1, 1, -1, -1);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    switch (state) {
    case Key::Normal:
        fill.setColorAt(0, QColor(74, 80, 92));
        fill.setColorAt(0.5, QColor(46, 50, 60));
        fill.setColorAt(1, QColor(30, 33, 40));
        break;
    case Key::Hover:
        fill.setColorAt(0, QColor(92, 100, 116));
        fill.setColorAt(0.5, QColor(58, 64, 78));
        fill.setColorAt(1, QColor(38, 42, 52));
        break;
    case Key::Pressed:
        fill.setColorAt(0, QColor(16, 18, 22));
        fill.setColorAt(1, QColor(40, 44, 52));
        break;
    }
    painter.setBrush(fill);
    painter.drawRoundedRect(body, radius - 1, radius - 1);
    painter.setBrush(Qt::NoBrush);
    if (state == Key::Pressed) {
        painter.setPen(QPen(QColor(0, 0, 0, 120), 1));
        painter.drawLine(QPointF(body.left() + radius, body.top() + 0.5),
            QPointF(body.right() - radius, body.top() + 0.5));
    } else {
        painter.setPen(QPen(QColor(255, 255, 255, state == Key::Hover ? 90 : 56), 1));
        painter.drawLine(QPointF(body.left() + radius - 1, body.top() + 0.5),
            QPointF(body.right() - radius + 1, body.top() + 0.5));
    }
    if (state == Key::Hover) {
        QColor rim = Palette::HoverRim;
        rim.setAlpha(150);
        painter.setPen(QPen(rim, 1));
        painter.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), radius - 1.5, radius - 1.5);
    }
    painter.restore();
}

QColor SymbolColor(Key state)
{
    switch (state) {
    case Key::Hover:
        return Palette::SymbolHover;
    case Key::Pressed:
        return Palette::Active;
    case Key::Normal:
        break;
    }
    return Palette::Symbol;
}

QPointF SymbolOffset(Key state)
{
    return state == Key::Pressed ? QPointF(0, 1) : QPointF(0, 0);
}

QFont ArtFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QPainterPath PlaySymbol(const QRectF& b)
{
    QPainterPath path;
    path.moveTo(b.left(), b.top());
    path.lineTo(b.right(), b.center().y());
    path.lineTo(b.left(), b.bottom());
    path.closeSubpath();
    return path;
}

QPainterPath PauseSymbol(const QRectF& b)
{
    const double bar = b.width() * 0.36;
    QPainterPath path;
    path.addRect(QRectF(b.left(), b.top(), bar, b.height()));
    path.addRect(QRectF(b.right() - bar, b.top(), bar, b.height()));
    return path;
}

QPainterPath StopSymbol(const QRectF& b)
{
    QPainterPath path;
    path.addRect(b);
    return path;
}

QPainterPath StepSymbol(const QRectF& b, bool forward)
{
    // Two triangles and an end bar: |<< or >>|.
    const double bar = 2;
    const double tri = (b.width() - bar) / 2;
    QPainterPath path;
    auto triangle = [&](double x0, bool right) {
        QPainterPath t;
        if (right) {
            t.moveTo(x0, b.top());
            t.lineTo(x0 + tri, b.center().y());
            t.lineTo(x0, b.bottom());
        } else {
            t.moveTo(x0 + tri, b.top());
            t.lineTo(x0, b.center().y());
            t.lineTo(x0 + tri, b.bottom());
        }
        t.closeSubpath();
        return t;
    };
    if (forward) {
        path.addPath(triangle(b.left(), true));
        path.addPath(triangle(b.left() + tri, true));
        path.addRect(QRectF(b.right() - bar, b.top(), bar, b.height()));
    } else {
        path.addRect(QRectF(b.left(), b.top(), bar, b.height()));
        path.addPath(triangle(b.left() + bar, false));
        path.addPath(triangle(b.left() + bar + tri, false));
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

QPainterPath SpeakerSymbol(const QRectF& b)
{
    const double w = b.width();
    const double h = b.height();
    QPainterPath path;
    path.moveTo(b.left(), b.top() + h * 0.32);
    path.lineTo(b.left() + w * 0.32, b.top() + h * 0.32);
    path.lineTo(b.right(), b.top());
    path.lineTo(b.right(), b.bottom());
    path.lineTo(b.left() + w * 0.32, b.top() + h * 0.68);
    path.lineTo(b.left(), b.top() + h * 0.68);
    path.closeSubpath();
    return path;
}

void DrawMark(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(box.width(), box.height()) * 0.72;
    const double r = s * 0.18;
    const QRectF back(box.right() - s, box.top(), s, s);
    const QRectF front(box.left(), box.bottom() - s, s, s);
    auto tile = [&](const QRectF& t, const QColor& accent) {
        QLinearGradient g(t.topLeft(), t.bottomLeft());
        g.setColorAt(0, QColor(70, 76, 90));
        g.setColorAt(1, QColor(24, 27, 34));
        painter.setPen(QPen(accent, std::max(1.0, s / 24)));
        painter.setBrush(g);
        painter.drawRoundedRect(t, r, r);
        const QRectF sym = QRectF(t.left() + s * 0.36, t.top() + s * 0.28, s * 0.34, s * 0.44);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        painter.drawPath(PlaySymbol(sym));
    };
    tile(back, Palette::PlayerB);
    tile(front, Palette::PlayerA);
    painter.restore();
}
