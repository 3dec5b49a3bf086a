// Pictures of the control bar: transport keys, Player A/B switch, previous and
// next, mute, the slider thumb and end marks, and the maker's logo. Each key is
// blended over the bar's gradient at the row where the bar places it, so its
// rounded edges stay smooth although the bar draws it with a colour key.
#include "ArtKit.h"

#include "ui/widgets/ResourceIds.h"

#include <QPainter>

namespace {

using Content = std::function<void(QPainter&, const QRectF& key, Key state)>;

QImage BarKey(int w, int h, int barTop, Key state, const Content& content)
{
    QImage canvas = NewCanvas(w, h);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF key(0, 0, w, h);
        DrawKey(p, key, state, 4);
        p.translate(SymbolOffset(state));
        content(p, key, state);
    }
    return Flatten(canvas, Palette::BarKey, [barTop](int y) { return BarBackground(barTop + y); });
}

Content Symbol(QPainterPath (*shape)(const QRectF&), double sw, double sh)
{
    return [shape, sw, sh](QPainter& p, const QRectF& key, Key state) {
        const QRectF box(key.center().x() - sw / 2, key.center().y() - sh / 2, sw, sh);
        p.setPen(Qt::NoPen);
        p.setBrush(SymbolColor(state));
        p.drawPath(shape(box));
    };
}

void Transport(ArtSet& art, QPainterPath (*shape)(const QRectF&), double sw, double sh, int normal, int hover,
    int pressed)
{
    const Content content = Symbol(shape, sw, sh);
    art[normal] = BarKey(28, 28, 30, Key::Normal, content);
    art[hover] = BarKey(28, 28, 30, Key::Hover, content);
    art[pressed] = BarKey(28, 28, 30, Key::Pressed, content);
}

// Play's triangle sits a little right of centre so that it looks centred.
QPainterPath CentredPlay(const QRectF& b)
{
    return PlaySymbol(b.translated(1, 0));
}

void Step(ArtSet& art, bool forward, int normal, int hover, int pressed)
{
    const Content content = [forward](QPainter& p, const QRectF& key, Key state) {
        const QRectF box(key.center().x() - 6, key.center().y() - 4, 12, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(SymbolColor(state));
        p.drawPath(StepSymbol(box, forward));
    };
    art[normal] = BarKey(26, 16, 44, Key::Normal, content);
    art[hover] = BarKey(26, 16, 44, Key::Hover, content);
    art[pressed] = BarKey(26, 16, 44, Key::Pressed, content);
}

// The player letter over a small LED: lit in the player's colour, dark when unlit.
enum class Led { Off, On, Neutral };

Content PlayerContent(const QString& letter, const QColor& accent, Led led)
{
    return [letter, accent, led](QPainter& p, const QRectF& key, Key state) {
        QColor text = led == Led::On ? accent : QColor(132, 138, 150);
        if (state == Key::Hover)
            text = Palette::SymbolHover;
        if (state == Key::Pressed)
            text = accent;
        p.setFont(ArtFont(13, true));
        p.setPen(text);
        p.drawText(QRectF(key.left(), key.top() + 2, key.width(), key.height() - 9), Qt::AlignCenter, letter);
        QColor lamp = led == Led::On ? accent : QColor(58, 62, 70);
        if (state == Key::Pressed)
            lamp = accent.darker(130);
        const QRectF bar(key.center().x() - 7, key.bottom() - 6, 14, 2);
        if (led == Led::On) {
            QColor glow = accent;
            glow.setAlpha(70);
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawRoundedRect(bar.adjusted(-2, -1.5, 2, 1.5), 2, 2);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(lamp);
        p.drawRect(bar);
    };
}

void Player(
    ArtSet& art, const QString& letter, const QColor& accent, int unlit, int lit, int hover, int pressed)
{
    art[unlit] = BarKey(28, 26, 36, Key::Normal, PlayerContent(letter, accent, Led::Off));
    art[lit] = BarKey(28, 26, 36, Key::Normal, PlayerContent(letter, accent, Led::On));
    art[hover] = BarKey(28, 26, 36, Key::Hover, PlayerContent(letter, accent, Led::Neutral));
    art[pressed] = BarKey(28, 26, 36, Key::Pressed, PlayerContent(letter, accent, Led::On));
}

Content SpeakerContent(bool muted)
{
    return [muted](QPainter& p, const QRectF& key, Key state) {
        const QRectF box(key.left() + 4, key.center().y() - 4, 6, 8);
        const QColor colour = muted && state != Key::Pressed ? QColor(150, 156, 168) : SymbolColor(state);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPath(SpeakerSymbol(box));
        if (muted) {
            p.setPen(QPen(Palette::Muted, 1.6, Qt::SolidLine, Qt::RoundCap));
            const QPointF c(key.right() - 5.5, key.center().y());
            p.drawLine(c + QPointF(-2.5, -2.5), c + QPointF(2.5, 2.5));
            p.drawLine(c + QPointF(-2.5, 2.5), c + QPointF(2.5, -2.5));
        } else {
            p.setPen(QPen(colour, 1.2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            const QPointF c(box.right() - 1, key.center().y());
            p.drawArc(QRectF(c.x() - 3, c.y() - 3, 6, 6), -50 * 16, 100 * 16);
            p.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), -45 * 16, 90 * 16);
        }
    };
}

QImage Thumb()
{
    // Drawn pixel by pixel: the slider stretches it and cuts magenta out.
    QImage img(11, 15, QImage::Format_RGB32);
    img.fill(Palette::Magenta);
    QPainter p(&img);
    p.fillRect(QRect(1, 0, 9, 15), QColor(24, 26, 32));
    p.fillRect(QRect(0, 1, 11, 13), QColor(24, 26, 32));
    QLinearGradient g(0, 1, 0, 13);
    g.setColorAt(0, QColor(240, 242, 246));
    g.setColorAt(0.5, QColor(196, 202, 212));
    g.setColorAt(1, QColor(138, 144, 156));
    p.fillRect(QRect(1, 1, 9, 13), g);
    p.fillRect(QRect(5, 4, 1, 7), QColor(70, 76, 88));
    p.fillRect(QRect(1, 1, 9, 1), QColor(255, 255, 255));
    return img;
}

QImage EndMark(bool left)
{
    // A bracket framing the time line: |- on the left, -| on the right.
    QImage img(7, 11, QImage::Format_RGB32);
    img.fill(Palette::Magenta);
    QPainter p(&img);
    const int barX = left ? 1 : 4;
    p.fillRect(QRect(barX - 1, 0, 4, 11), QColor(14, 16, 24));
    p.fillRect(QRect(left ? 1 : 0, 3, 6, 5), QColor(14, 16, 24));
    p.fillRect(QRect(barX, 1, 2, 9), QColor(222, 228, 236));
    p.fillRect(QRect(left ? 2 : 1, 4, 4, 3), QColor(222, 228, 236));
    p.fillRect(QRect(left ? 2 : 1, 5, 4, 1), QColor(92, 226, 112));
    return img;
}

QImage Logo()
{
    QImage canvas = NewCanvas(72, 22);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        DrawMark(p, QRectF(1, 2, 18, 18));
        p.setFont(ArtFont(16, true));
        p.setPen(QColor(236, 240, 246));
        p.drawText(QRectF(22, 0, 50, 22), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("vexo"));
    }
    return Flatten(canvas, Palette::BarKey, [](int y) { return BarBackground(37 + y); });
}

} // namespace

void DrawControlBarArt(ArtSet& art)
{
    Transport(art, CentredPlay, 11, 12, IDB_PLAY, IDB_PLAY_HOVER, IDB_PLAY_PRESSED);
    Transport(art, PauseSymbol, 10, 12, IDB_PAUSE, IDB_PAUSE_HOVER, IDB_PAUSE_PRESSED);
    Transport(art, StopSymbol, 10, 10, IDB_STOP, IDB_STOP_HOVER, IDB_STOP_PRESSED);
    Step(art, false, IDB_PREV, IDB_PREV_HOVER, IDB_PREV_PRESSED);
    Step(art, true, IDB_NEXT, IDB_NEXT_HOVER, IDB_NEXT_PRESSED);
    Player(art, QStringLiteral("A"), Palette::PlayerA, IDB_PLAYER_A_UNLIT, IDB_PLAYER_A_LIT,
        IDB_PLAYER_A_HOVER, IDB_PLAYER_A_PRESSED);
    Player(art, QStringLiteral("B"), Palette::PlayerB, IDB_PLAYER_B_UNLIT, IDB_PLAYER_B_LIT,
        IDB_PLAYER_B_HOVER, IDB_PLAYER_B_PRESSED);
    art[IDB_SOUND_ON] = BarKey(20, 16, 44, Key::Normal, SpeakerContent(false));
    art[IDB_MUTED] = BarKey(20, 16, 44, Key::Normal, SpeakerContent(true));
    art[IDB_MUTE_PRESSED] = BarKey(20, 16, 44, Key::Pressed, SpeakerContent(true));
    art[IDB_UNMUTE_PRESSED] = BarKey(20, 16, 44, Key::Pressed, SpeakerContent(false));
    art[IDB_THUMB] = Thumb();
    art[IDB_SLIDER_LEFT] = EndMark(true);
    art[IDB_SLIDER_RIGHT] = EndMark(false);
    art[IDB_LOGO] = Logo();
}
