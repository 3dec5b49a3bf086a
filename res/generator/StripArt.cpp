// The large pictures: the splash (black is its transparent key) and the picture
// strip of the about box and the General page.
#include "ArtKit.h"

#include "ui/widgets/ResourceIds.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

void AccentLine(QPainter& p, const QRectF& r)
{
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, Palette::PlayerA);
    g.setColorAt(1, Palette::PlayerB);
    p.fillRect(r, g);
}

QImage Splash()
{
    constexpr int w = 600;
    constexpr int h = 260;
    QImage canvas = NewCanvas(w, h);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QRectF panel(2, 2, w - 4, h - 4);
        QLinearGradient g(panel.topLeft(), panel.bottomLeft());
        g.setColorAt(0, QColor(34, 40, 56));
        g.setColorAt(1, QColor(12, 14, 20));
        p.setPen(QPen(QColor(72, 96, 150), 1.5));
        p.setBrush(g);
        p.drawRoundedRect(panel, 18, 18);

        DrawMark(p, QRectF(44, 62, 120, 120));

        p.setFont(ArtFont(72, true));
        p.setPen(QColor(240, 244, 250));
        p.drawText(QRectF(200, 46, 380, 96), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZUVIO"));
        p.setFont(ArtFont(19, false));
        p.setPen(QColor(170, 182, 204));
        p.drawText(QRectF(204, 140, 380, 30), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Show & Installation Player"));
        AccentLine(p, QRectF(204, 178, 300, 3));
        p.setFont(ArtFont(13, false));
        p.setPen(QColor(120, 132, 156));
        p.drawText(QRectF(204, 190, 380, 24), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Player A  \u00b7  Player B  \u00b7  Remote control"));
    }
    return Flatten(canvas, QColor(0, 0, 0), [](int) { return QColor(0, 0, 0); });
}

QImage PictureStrip()
{
    constexpr int w = 100;
    constexpr int h = 360;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(34, 40, 56));
    g.setColorAt(1, QColor(8, 10, 16));
    p.fillRect(image.rect(), g);
    DrawMark(p, QRectF(22, 20, 56, 56));
    p.save();
    p.translate(64, h - 24);
    p.rotate(-90);
    p.setFont(ArtFont(44, true));
    p.setPen(QColor(236, 240, 248));
    p.drawText(QRectF(0, -48, 250, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZUVIO"));
    p.restore();
    AccentLine(p, QRectF(w - 3, 0, 3, h));
    return image;
}

} // namespace

void DrawStripArt(ArtSet& art)
{
    art[IDB_SPLASH] = Splash();
    art[IDB_PICTURE_STRIP] = PictureStrip();
}
