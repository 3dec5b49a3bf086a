#include "ui/widgets/MySlider.h"

#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/MyButton.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/ResourceIds.h"

#include <QPainter>
#include <QWidget>

namespace {
const QColor kMagenta(255, 0, 255);
const QColor kDisabledTop(196, 196, 196);
const QColor kDisabledBottom(128, 128, 128);

bool Inside(const CRect& rc, const QPoint& p)
{
    return p.x() >= rc.left && p.x() < rc.right && p.y() >= rc.top && p.y() < rc.bottom;
}
} // namespace

CMySlider::CMySlider(CMessageTarget* target)
    : m_pTarget(target)
{
}

CMySlider::~CMySlider()
{
    m_ToolTip.Destroy();
}

int64_t CMySlider::MulDiv64(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return 0;
    __extension__ using Wide = __int128;
    const Wide q = static_cast<Wide>(a) * b / c;
    if (q > INT64_MAX)
        return INT64_MAX;
    if (q < INT64_MIN)
        return INT64_MIN;
    return static_cast<int64_t>(q);
}

bool CMySlider::Create(int id, const CRect& track, QWidget* host, bool scaleThumb)
{
    if (!host || track.IsEmpty() || track.Width() < 6 || track.Height() > 12)
        return false;
    m_pHost = host;
    m_rcTrack = track;
    const QPixmap thumb = LoadBitmapResource(IDB_THUMB);
    m_bmThumb = ApplyTransparentColor(thumb, kMagenta);
    m_ThumbWidth = thumb.width();
    m_ThumbHeight = thumb.height();
    if (scaleThumb)
        m_ThumbScale = static_cast<float>(track.Height()) / 10.0f;
    m_Id = id;
    m_bScaleThumb = scaleThumb;
    m_bCreated = true;
    Show(true);
    Enable(true);
    ComputeThumb();
    return true;
}

void CMySlider::ComputeThumb()
{
    const int w = m_rcTrack.Width();
    const int h = static_cast<int>(static_cast<float>(m_ThumbHeight) * m_ThumbScale);
    const int64_t offset = m_Range > 0 ? MulDiv64(w, m_Pos, m_Range) : 0;
    const int left = m_rcTrack.left + static_cast<int>(offset) - m_ThumbWidth / 2;
    const int top = m_rcTrack.Height() / 2 + m_rcTrack.top - h / 2;
    m_rcThumb = CRect { left, top, left + m_ThumbWidth, top + h };
}

void CMySlider::Draw(QPainter& painter)
{
    if (!m_bCreated || !m_bVisible)
        return;
    ComputeThumb();
    const QRect track = ToQRect(m_rcTrack);
    if (!track.isEmpty()) {
        CPaintBox::GradientFill(
            painter, track, m_bEnabled ? m_crTop : kDisabledTop, m_bEnabled ? m_crBottom : kDisabledBottom);
        CPaintBox::FrameRect(painter, track, m_brFrame);
    }
    if (!m_bmThumb.isNull() && !m_rcThumb.IsEmpty())
        painter.drawPixmap(ToQRect(m_rcThumb), m_bmThumb);
}

void CMySlider::SetWidth(int width)
{
    if (!m_bCreated)
        return;
    if (width < m_ThumbWidth + 6) {
        Show(false);
        InvalidateHost();
        return;
    }
    m_rcTrack.right = m_rcTrack.left + width;
    if (m_bToolTip)
        m_ToolTip.SetToolRect(ToolRect());
    Show(true);
}

void CMySlider::Show(bool show)
{
    m_bVisible = show;
    if (m_bToolTip)
        m_ToolTip.Activate(show);
    if (m_bVisible)
        InvalidateHost();
}

void CMySlider::Enable(bool enable)
{
    m_bEnabled = enable;
    if (m_bVisible)
        InvalidateHost();
}

void CMySlider::SetColors(const QColor& top, const QColor& bottom)
{
    m_crTop = top;
    m_crBottom = bottom;
    if (m_bVisible)
        InvalidateHost();
}

void CMySlider::SetPos(int64_t pos)
{
    if (pos < 0 || pos > m_Range || !m_bEnabled || m_bDragging)
        return;
    m_Pos = pos;
}

QRect CMySlider::ToolRect() const
{
    return QRect(m_rcTrack.left, m_rcThumb.top, m_rcTrack.Width(), m_rcThumb.Height());
}

void CMySlider::SetToolTip(const QString& text)
{
    if (!m_bCreated)
        return;
    m_ToolTip.Create(m_pHost, text, ToolRect());
    m_ToolTip.Activate(m_bVisible);
    m_bToolTip = true;
}

void CMySlider::UpdateToolTip(const QString& text)
{
    if (m_bToolTip)
        m_ToolTip.UpdateTipText(text);
}

bool CMySlider::RelayToolTipEvent(QEvent* event)
{
    return m_bToolTip && m_bVisible && m_ToolTip.RelayEvent(event);
}

bool CMySlider::OnThumb(const QPoint& point) const
{
    return m_bVisible && Inside(m_rcThumb, point);
}

bool CMySlider::OnTrack(const QPoint& point) const
{
    return m_bVisible
        && Inside(CRect { m_rcTrack.left, m_rcThumb.top, m_rcTrack.right, m_rcThumb.bottom }, point);
}

int64_t CMySlider::PosFromX(int x) const
{
    int64_t p = MulDiv64(x - m_rcTrack.left, m_Range, m_rcTrack.Width());
    if (p > m_Range)
        p = m_Range;
    if (p < 0)
        p = 0;
    return p;
}

void CMySlider::OnLButtonDown(unsigned, const QPoint& point)
{
    if (!m_bVisible || !m_bEnabled)
        return;
    m_bMouseDown = true;
    if (OnThumb(point))
        m_bDragging = true;
    else if (OnTrack(point))
        m_bTrackClick = true;
}

void CMySlider::OnMouseMove(unsigned, const QPoint& point)
{
    if (!m_bVisible || !m_bEnabled || !m_bMouseDown || !m_bDragging)
        return;
    m_Pos = PosFromX(point.x());
    InvalidateHost();
}

void CMySlider::OnLButtonUp(unsigned, const QPoint& point)
{
    // The flags are cleared even when the slider was hidden or disabled during
    // the drag: a drag left standing would lock out SetPos for good.
    if (m_bVisible && m_bEnabled) {
        if (m_bDragging) {
            Report();
        } else if (m_bTrackClick) {
            SetPos(PosFromX(point.x()));
            InvalidateHost();
            Report();
        }
    }
    m_bMouseDown = false;
    m_bDragging = false;
    m_bTrackClick = false;
}

void CMySlider::Report()
{
    if (m_pTarget)
        m_pTarget->SendMessage(
            WM_CMD_SLIDER, static_cast<WPARAM>(m_Id), static_cast<LPARAM>(static_cast<uint32_t>(GetPos())));
}

void CMySlider::InvalidateHost()
{
    if (m_pHost)
        m_pHost->update();
}
