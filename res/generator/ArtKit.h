#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

#include <functional>
#include <map>

class QPainter;

// Every picture by resource number.
using ArtSet = std::map<int, QImage>;

// The colour a picture will sit on, by picture row.
using Background = std::function<QColor(int y)>;

// State of a drawn key.
enum class Key { Normal, Hover, Pressed };

// The house palette: graphite keys, light symbols, green for Player A and
// "active", amber for Player B, cyan for the hover rim.
namespace Palette {
const QColor Symbol(214, 220, 228);
const QColor SymbolHover(255, 255, 255);
const QColor Active(92, 226, 112);
const QColor PlayerA(92, 226, 112);
const QColor PlayerB(255, 176, 48);
const QColor HoverRim(96, 200, 255);
const QColor Muted(240, 72, 64);
const QColor Magenta(255, 0, 255);
const QColor BarKey(30, 54, 156);
} // namespace Palette

QImage NewCanvas(int width, int height);

// An opaque picture for colour-keyed drawing: uncovered pixels become the key,
// edge pixels are blended over the colour they will sit on, and no covered pixel
// is allowed to equal the key by chance.
QImage Flatten(const QImage& art, const QColor& key, const Background& background);

QColor Mix(const QColor& a, const QColor& b, double t);

// The control bar's background at bar row y (74 rows), and the playlist pane's
// button strip at strip row y (25 rows).
QColor BarBackground(int y);
QColor PaneStripBackground(int y);

// A rounded key with bevel in the given state.
void DrawKey(QPainter& painter, const QRectF& rect, Key state, double radius);
QColor SymbolColor(Key state);
// Where a symbol goes on a key: pressed keys move it down a pixel.
QPointF SymbolOffset(Key state);

QFont ArtFont(int pixelSize, bool bold);

// Symbols, drawn as filled paths inside a box.
QPainterPath PlaySymbol(const QRectF& box);
QPainterPath PauseSymbol(const QRectF& box);
QPainterPath StopSymbol(const QRectF& box);
QPainterPath StepSymbol(const QRectF& box, bool forward);
QPainterPath SpeakerSymbol(const QRectF& box);

// The product mark: two overlapping tiles for the two players.
void DrawMark(QPainter& painter, const QRectF& box);

void DrawControlBarArt(ArtSet& art);
void DrawPaneArt(ArtSet& art);
void DrawStripArt(ArtSet& art);
