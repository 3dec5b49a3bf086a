#include "ui/DlgSplash.h"

#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/ResourceIds.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {

// 400 x 160 dialog units.
constexpr int kWidth = 600;
constexpr int kHeight = 260;

QPixmap SplashPicture()
{
    QPixmap picture = LoadBitmapResource(IDB_SPLASH);
    if (!picture.isNull())
        return picture;
    picture = QPixmap(kWidth, kHeight);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, kHeight);
    gradient.setColorAt(0, QColor(65, 118, 227));
    gradient.setColorAt(1, QColor(0, 0, 96));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRect(10, 10, kWidth - 20, kHeight - 20), 24, 24);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 40, kWidth, 120), Qt::AlignCenter, QStringLiteral("Zuvio"));
    font.setPointSize(12);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(
        QRect(0, 160, kWidth, 40), Qt::AlignCenter, QStringLiteral("Show and installation player"));
    return picture;
}

} // namespace

CDlgSplash::CDlgSplash(QWidget* over)
    : QWidget(over, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_Picture(SplashPicture())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowOpacity(kOpacity);
    setFixedSize(m_Picture.size());
    // Black is the transparent colour of the picture.
    setMask(m_Picture.createMaskFromColor(Qt::black, Qt::MaskInColor));
}

void CDlgSplash::ShowOver(QWidget* over)
{
    const QRect area = over ? over->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    show();
    m_nTimer = startTimer(kShowMs);
}

void CDlgSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_Picture);
}

void CDlgSplash::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_nTimer)
        return;
    killTimer(m_nTimer);
    m_nTimer = 0;
    close();
}
