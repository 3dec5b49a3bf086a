#include "ui/widgets/MyButton.h"

#include "ui/widgets/BitmapResource.h"

#include <QPainter>
#include <QWidget>

CMyButton::CMyButton(CMessageTarget* target)
    : m_pTarget(target)
{
}

CMyButton::~CMyButton()
{
    m_ToolTip.Destroy();
}

void CMyButton::OnLButtonUp(unsigned, const QPoint&)
{
}
void CMyButton::OnLButtonDown(unsigned, const QPoint&)
{
}
void CMyButton::OnMouseMove(unsigned, const QPoint&)
{
}
void CMyButton::OnSize(int, int, int)
{
}

bool CMyButton::Create(QWidget* host, int left, int top, int bitmapId)
{
    m_Bitmap = LoadBitmapResource(bitmapId);
    m_Masked = QPixmap();
    const bool loaded = !m_Bitmap.isNull();
    m_Width = loaded ? m_Bitmap.width() : 0;
    m_Height = loaded ? m_Bitmap.height() : 0;
    m_rcButton = CRect { left, top, left + m_Width, top + m_Height };
    m_pHost = host;
    m_bCreated = loaded;
    // Remember the picture, so that setting it again is recognised as no change.
    if (loaded)
        m_CurrentBitmap = bitmapId;
    Show(true);
    return loaded;
}

bool CMyButton::SetBitmap(int bitmapId)
{
    if (bitmapId == m_CurrentBitmap || !m_bVisible || !m_bCreated)
        return false;
    QPixmap picture = LoadBitmapResource(bitmapId);
    if (picture.isNull())
        return false; // keep showing the old picture rather than nothing
    InvalidateButton(); // the old size, in case the new picture is smaller
    m_Bitmap = picture;
    m_Masked = QPixmap();
    m_Width = picture.width();
    m_Height = picture.height();
    m_rcButton.right = m_rcButton.left + m_Width;
    m_rcButton.bottom = m_rcButton.top + m_Height;
    InvalidateButton();
    m_CurrentBitmap = bitmapId;
    return true;
}

void CMyButton::Show(bool show)
{
    m_bVisible = show;
    if (m_bToolTip)
        m_ToolTip.Activate(show);
    InvalidateButton();
}

void CMyButton::Move(int left, int top)
{
    if (!m_bCreated)
        return;
    m_rcButton = CRect { left, top, left + m_rcButton.Width(), top + m_rcButton.Height() };
    if (m_bToolTip)
        m_ToolTip.SetToolRect(ToQRect(m_rcButton));
}

bool CMyButton::HitTest(const QPoint& point) const
{
    return m_bCreated && m_bVisible && point.x() >= m_rcButton.left && point.x() < m_rcButton.right
        && point.y() >= m_rcButton.top && point.y() < m_rcButton.bottom;
}

void CMyButton::SetToolTip(const QString& text)
{
    if (!m_bCreated)
        return;
    m_ToolTip.Create(m_pHost, text, ToQRect(m_rcButton));
    m_ToolTip.Activate(true);
    m_bToolTip = true;
}

void CMyButton::UpdateToolTip(const QString& text)
{
    if (m_bToolTip)
        m_ToolTip.UpdateTipText(text);
}

bool CMyButton::RelayToolTipEvent(QEvent* event)
{
    return m_bToolTip && m_bVisible && m_ToolTip.RelayEvent(event);
}

void CMyButton::SetTransparentColor(const QColor& color)
{
    m_crTransparent = color;
    m_Masked = QPixmap();
}

int CMyButton::GetWidth() const
{
    return m_bCreated ? m_Width : -1;
}

void CMyButton::Draw(QPainter& painter)
{
    if (!m_bCreated || !m_bVisible)
        return;
    if (m_Masked.isNull())
        m_Masked = ApplyTransparentColor(m_Bitmap, m_crTransparent);
    painter.drawPixmap(m_rcButton.left, m_rcButton.top, m_Masked);
}

void CMyButton::Send(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pTarget)
        m_pTarget->SendMessage(msg, wParam, lParam);
}

void CMyButton::InvalidateButton()
{
    if (m_pHost && !m_rcButton.IsEmpty())
        m_pHost->update(ToQRect(m_rcButton));
}
