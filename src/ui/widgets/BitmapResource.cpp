#include "ui/widgets/BitmapResource.h"

#include "core/Log.h"

#include <QBitmap>

QPixmap LoadBitmapResource(int id)
{
    QPixmap picture(QStringLiteral(":/bitmaps/%1.png").arg(id));
    if (picture.isNull())
        LogError("LoadBitmapResource(): bitmap %d not found\n", id);
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
