#pragma once

#include <QColor>
#include <QPixmap>

// The program's pictures by resource number (see ResourceIds.h). A missing
// picture is logged and comes back as a null pixmap.
QPixmap LoadBitmapResource(int id);

// The stand-in for a picture that is not there (yet): a vertical gradient of SIZE.
QPixmap GradientPicture(const QSize& size, const QColor& top, const QColor& bottom);

// A copy of the picture in which the pixels of the key colour are transparent.
QPixmap ApplyTransparentColor(const QPixmap& picture, const QColor& key);
