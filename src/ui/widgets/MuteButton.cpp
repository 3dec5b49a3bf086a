#include "ui/widgets/MuteButton.h"

#include "ui/widgets/ResourceIds.h"

CMuteButton::CMuteButton(CMessageTarget* target)
    : CMyButton(target)
{
}

bool CMuteButton::Create(QWidget* host, int left, int top)
{
    return CMyButton::Create(host, left, top, IDB_SOUND_ON);
}

int CMuteButton::RestingBitmap() const
{
    return m_bState ? IDB_MUTED : IDB_SOUND_ON;
}

void CMuteButton::SetMuted(bool muted)
{
    m_bState = muted;
    SetBitmap(RestingBitmap());
}

void CMuteButton::OnLButtonDown(unsigned, const QPoint& point)
{
    if (!HitTest(point))
        return;
    m_bState = !m_bState;
    m_bPressed = true;
    SetBitmap(m_bState ? IDB_MUTE_PRESSED : IDB_UNMUTE_PRESSED);
}

void CMuteButton::OnLButtonUp(unsigned, const QPoint& point)
{
    if (!m_bPressed)
        return;
    m_bPressed = false;
    if (!HitTest(point))
        m_bState = !m_bState;
    else
        Send(WM_CMD_MUTE, 0, m_bState ? 1 : 0);
    SetBitmap(RestingBitmap());
}
