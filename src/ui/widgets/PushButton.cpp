#include "ui/widgets/PushButton.h"

CPushButton::CPushButton(CMessageTarget* target, int normal, int hover, int pressed)
    : CMyButton(target)
    , m_Normal(normal)
    , m_Hover(hover)
    , m_Pressed(pressed)
{
}

void CPushButton::OnLButtonDown(unsigned, const QPoint& point)
{
    if (!HitTest(point))
        return;
    m_bPressed = true;
    SetBitmap(m_Pressed);
}

void CPushButton::OnMouseMove(unsigned, const QPoint& point)
{
    if (m_bPressed)
        return;
    SetBitmap(HitTest(point) ? m_Hover : NormalBitmap());
}

void CPushButton::OnLButtonUp(unsigned flags, const QPoint& point)
{
    if (!m_bPressed)
        return;
    if (HitTest(point))
        OnClick();
    m_bPressed = false;
    OnMouseMove(flags, point);
}
