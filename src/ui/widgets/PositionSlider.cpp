#include "ui/widgets/PositionSlider.h"

#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/ResourceIds.h"

#include <QPainter>

namespace {
const QColor kMagenta(255, 0, 255);
constexpr int kGap = 6; // between an end picture and the track
} // namespace

CPositionSlider::CPositionSlider(CMessageTarget* target)
    : CMySlider(target)
{
}

bool CPositionSlider::Create(int id, const CRect& track, QWidget* host, bool scaleThumb)
{
    if (!CMySlider::Create(id, track, host, scaleThumb))
        return false;
    const QPixmap left = LoadBitmapResource(IDB_SLIDER_LEFT);
    const QPixmap right = LoadBitmapResource(IDB_SLIDER_RIGHT);
    m_bmLeft = ApplyTransparentColor(left, kMagenta);
    m_bmRight = ApplyTransparentColor(right, kMagenta);
    m_LeftWidth = left.width();
    m_LeftHeight = left.height();
    m_RightWidth = right.width();
    m_RightHeight = right.height();
    m_rcTrack.left += m_LeftWidth + kGap;
    m_rcTrack.right -= m_RightWidth + kGap;
    return true;
}

void CPositionSlider::SetWidth(int width)
{
    if (!m_bCreated)
        return;
    if (width < m_ThumbWidth + m_LeftWidth + m_RightWidth + kGap) {
        Show(false);
        InvalidateHost();
        return;
    }
    m_rcTrack.right = m_rcTrack.left + width - m_RightWidth - kGap;
    if (m_bToolTip)
        m_ToolTip.SetToolRect(ToolRect());
    Show(true);
}

void CPositionSlider::Draw(QPainter& painter)
{
    if (!m_bCreated || !m_bVisible)
        return;
    const int centre2 = m_rcTrack.top + m_rcTrack.bottom; // twice the track's vertical centre
    if (!m_bmLeft.isNull())
        painter.drawPixmap(m_rcTrack.left - kGap - m_LeftWidth, (centre2 - m_LeftHeight) / 2, m_bmLeft);
    if (!m_bmRight.isNull())
        painter.drawPixmap(m_rcTrack.right + kGap, (centre2 - m_RightHeight) / 2, m_bmRight);
    CMySlider::Draw(painter);
}
