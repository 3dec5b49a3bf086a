// Pictures of the playlist pane: the five menu keys of its button strip and the
// "Player" column icons. The keys are the control bar's keys in small, with a
// caret that says the menu opens upwards.
#include "ArtKit.h"

#include "ui/widgets/ResourceIds.h"

#include <QPainter>

namespace {

constexpr int kKeyWidth = 30;
constexpr int kKeyHeight = 14;
constexpr int kStripRow = 8; // the pane places its keys 17 pixels above its bottom, in a 25-pixel strip

using Glyph = std::function<void(QPainter&, const QRectF& box, const QColor& colour)>;

QImage PaneKey(Key state, const Glyph& glyph)
{
    QImage canvas = NewCanvas(kKeyWidth, kKeyHeight);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        DrawKey(p, QRectF(0, 0, kKeyWidth, kKeyHeight), state, 3);
        p.translate(SymbolOffset(state));
        const QColor colour = SymbolColor(state);
        glyph(p, QRectF(7, 3, 10, 8), colour);
        QPainterPath caret;
        caret.moveTo(21, 8.5);
        caret.lineTo(24.5, 5);
        caret.lineTo(28, 8.5);
        caret.closeSubpath();
        QColor dim = colour;
        dim.setAlpha(170);
        p.setPen(Qt::NoPen);
        p.setBrush(dim);
        p.drawPath(caret);
    }
    return Flatten(canvas, Palette::Magenta, [](int y) { return PaneStripBackground(kStripRow + y); });
}

void Keys(ArtSet& art, const Glyph& glyph, int normal, int hover, int pressed)
{
    art[normal] = PaneKey(Key::Normal, glyph);
    art[hover] = PaneKey(Key::Hover, glyph);
    art[pressed] = PaneKey(Key::Pressed, glyph);
}

void Plus(QPainter& p, const QRectF& b, const QColor& c)
{
    p.fillRect(QRectF(b.center().x() - 4, b.center().y() - 1, 8, 2), c);
    p.fillRect(QRectF(b.center().x() - 1, b.center().y() - 4, 2, 8), c);
}

void Minus(QPainter& p, const QRectF& b, const QColor& c)
{
    p.fillRect(QRectF(b.center().x() - 4, b.center().y() - 1, 8, 2), c);
}

void Select(QPainter& p, const QRectF& b, const QColor& c)
{
    // A tick in a box.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 1));
    p.drawRect(QRectF(b.left() + 1.5, b.top() + 0.5, 7, 7));
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(b.left() + 3.2, b.top() + 4);
    tick.lineTo(b.left() + 5, b.top() + 5.8);
    tick.lineTo(b.left() + 9.5, b.top() + 0.8);
    p.drawPath(tick);
}

void Sort(QPainter& p, const QRectF& b, const QColor& c)
{
    // Bars growing downwards beside a down arrow.
    p.fillRect(QRectF(b.left(), b.top(), 3, 1.6), c);
    p.fillRect(QRectF(b.left(), b.top() + 3, 5, 1.6), c);
    p.fillRect(QRectF(b.left(), b.top() + 6, 7, 1.6), c);
    p.fillRect(QRectF(b.right() - 1.5, b.top(), 1.4, 6), c);
    QPainterPath head;
    head.moveTo(b.right() - 3.6, b.top() + 5);
    head.lineTo(b.right() - 0.8, b.bottom());
    head.lineTo(b.right() + 2, b.top() + 5);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(head);
}

void List(QPainter& p, const QRectF& b, const QColor& c)
{
    for (int i = 0; i < 3; ++i) {
        const double y = b.top() + 0.2 + i * 3;
        p.fillRect(QRectF(b.left(), y, 1.8, 1.8), c);
        p.fillRect(QRectF(b.left() + 3, y, 7, 1.8), c);
    }
}

QImage PlayerIcons()
{
    // A, B and "neither", 16 x 16 each, on the list's dark blue.
    QImage canvas = NewCanvas(48, 16);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        auto badge = [&](int x, const QColor& accent, const QString& letter) {
            const QRectF r(x + 1.5, 1.5, 13, 13);
            p.setPen(QPen(accent, 1));
            p.setBrush(accent.darker(260));
            p.drawRoundedRect(r, 3, 3);
            p.setFont(ArtFont(10, true));
            p.setPen(accent.lighter(115));
            p.drawText(r.adjusted(0, 0, 0, 0), Qt::AlignCenter, letter);
        };
        badge(0, Palette::PlayerA, QStringLiteral("A"));
        badge(16, Palette::PlayerB, QStringLiteral("B"));
        p.setPen(QPen(QColor(96, 106, 150), 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(40, 8), 2.5, 2.5);
    }
    return Flatten(canvas, Palette::Magenta, [](int) { return QColor(0, 0, 64); });
}

} // namespace

void DrawPaneArt(ArtSet& art)
{
    Keys(art, Plus, IDB_PL_ADD, IDB_PL_ADD_HOVER, IDB_PL_ADD_PRESSED);
    Keys(art, Minus, IDB_PL_REM, IDB_PL_REM_HOVER, IDB_PL_REM_PRESSED);
    Keys(art, Select, IDB_PL_SEL, IDB_PL_SEL_HOVER, IDB_PL_SEL_PRESSED);
    Keys(art, Sort, IDB_PL_SORT, IDB_PL_SORT_HOVER, IDB_PL_SORT_PRESSED);
    Keys(art, List, IDB_PL_LIST, IDB_PL_LIST_HOVER, IDB_PL_LIST_PRESSED);
    art[IDB_PLAYER_ICONS] = PlayerIcons();
}
