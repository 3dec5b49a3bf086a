#include "ui/widgets/StatusDisplay.h"

#include "core/TickClock.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>

namespace {
const QColor kSymbolColour(48, 200, 48);
constexpr int kSymbolWidth = 10;
constexpr int kGap = 6;
constexpr int kTimesGap = 12;
} // namespace

void CStatusDisplay::Create(QWidget* parent, int height)
{
    m_pParent = parent;
    m_Height = height;
    m_bCreated = parent != nullptr;
    m_ModeStart = MonotonicMs();
}

void CStatusDisplay::SetRect(const QRect& rect)
{
    m_rc = QRect(rect.left(), rect.top(), rect.width(), m_Height);
}

void CStatusDisplay::Redraw()
{
    if (m_bCreated && !m_rc.isEmpty())
        m_pParent->update(m_rc);
}

void CStatusDisplay::OnTimer()
{
    OnTick(MonotonicMs());
}

void CStatusDisplay::OnTick(int64_t nowMs)
{
    if (nowMs - m_ModeStart < kSwitchMs)
        return;
    m_ModeStart = nowMs;
    m_TextMode = m_TextMode >= 1 ? 0 : m_TextMode + 1;
    Redraw();
}

QString CStatusDisplay::CurrentText() const
{
    if (m_TextMode == 1 && !m_Title.isEmpty())
        return m_Title;
    switch (m_PlayState) {
    case 1:
        return QStringLiteral("Paused");
    case 2:
        return QStringLiteral("Playing");
    default:
        return QStringLiteral("Stopped");
    }
}

QString CStatusDisplay::FormatTime(uint32_t ms)
{
    const uint32_t seconds = ms / 1000;
    return QString::asprintf("%2d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
        static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

QString CStatusDisplay::TimesText() const
{
    return FormatTime(m_Position) + QStringLiteral(" / ") + FormatTime(m_Duration);
}

void CStatusDisplay::Draw(QPainter& painter) const
{
    if (!m_bCreated || m_rc.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(8, m_Height - 3));
    painter.setFont(font);
    const QFontMetrics metrics(font);

    // State symbol, centred in a square at the left.
    const double cy = m_rc.top() + m_Height / 2.0;
    const double s = std::min(kSymbolWidth, m_Height) - 2;
    const QRectF box(m_rc.left() + 1, cy - s / 2, s, s);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSymbolColour);
    if (m_PlayState == 2) {
        QPainterPath triangle;
        triangle.moveTo(box.topLeft());
        triangle.lineTo(box.right(), cy);
        triangle.lineTo(box.bottomLeft());
        triangle.closeSubpath();
        painter.drawPath(triangle);
    } else if (m_PlayState == 1) {
        painter.drawRect(QRectF(box.left(), box.top(), s * 0.36, s));
        painter.drawRect(QRectF(box.right() - s * 0.36, box.top(), s * 0.36, s));
    } else {
        painter.drawRect(box);
    }

    // Times at the right, the text in what is left; both end in "..." when too wide.
    painter.setPen(Qt::white);
    const int textLeft = m_rc.left() + kSymbolWidth + kGap;
    const int available = m_rc.right() + 1 - textLeft;
    const QString times = TimesText();
    // A little slack: fractional glyph advances would otherwise cut the last digit.
    const int timesWidth = std::min(metrics.horizontalAdvance(times) + 2, std::max(available, 0));
    const QRect timesRect(m_rc.right() + 1 - timesWidth, m_rc.top(), timesWidth, m_Height);
    painter.drawText(
        timesRect, Qt::AlignRight | Qt::AlignVCenter, metrics.elidedText(times, Qt::ElideRight, timesWidth));
    const int textWidth = std::max(0, timesRect.left() - kTimesGap - textLeft);
    painter.drawText(QRect(textLeft, m_rc.top(), textWidth, m_Height), Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(CurrentText(), Qt::ElideRight, textWidth));
    painter.restore();
}
