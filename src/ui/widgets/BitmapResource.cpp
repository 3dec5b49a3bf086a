#include "ui/widgets/BitmapResource.h"

#include "core/Log.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>

QPixmap LoadBitmapResource(int id)
{
    QPixmap picture(QStringLiteral(":/bitmaps/%1.png").arg(id));
    if (picture.isNull())
        LogError("LoadBitmapResource(): bitmap %d not found\n", id);
    return picture;
}

QPixmap GradientPicture(const QSize& size, const QColor& top, const QColor& bottom)
{
    QPixmap picture(size);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

QPixmap ApplyTransparentColor(const QPixmap& picture, const QColor& key)
{
    if (picture.isNull())
        return picture;
    QPixmap masked = picture;
    masked.setMask(picture.createMaskFromColor(key, Qt::MaskInColor));
    return masked;
}
