#include "ui/widgets/LogoButton.h"

#include "core/Log.h"

#include <QDesktopServices>

CLogoButton::CLogoButton()
    : CMyButton(nullptr)
    , m_OpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
}

void CLogoButton::OnLButtonDown(unsigned, const QPoint& point)
{
    if (HitTest(point))
        m_bPressed = true;
}

void CLogoButton::OnLButtonUp(unsigned, const QPoint& point)
{
    const bool click = m_bPressed && HitTest(point);
    m_bPressed = false;
    if (click && m_OpenUrl && !m_OpenUrl(QUrl(QString::fromLatin1(kMakerUrl))))
        LogError("CLogoButton: could not open %s\n", kMakerUrl);
}

void CLogoButton::OnSize(int, int cx, int)
{
    if (!m_bCreated)
        return;
    InvalidateButton();
    m_rcButton.right = cx - 12;
    m_rcButton.left = m_rcButton.right - m_Width;
    if (m_bToolTip)
        m_ToolTip.SetToolRect(ToQRect(m_rcButton));
    InvalidateButton();
}
