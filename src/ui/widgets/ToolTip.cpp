#include "ui/widgets/ToolTip.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

CToolTip::~CToolTip()
{
    Destroy();
}

void CToolTip::Create(QWidget* host, const QString& text, const QRect& rect)
{
    m_pHost = host;
    m_Text = text;
    m_rcTool = rect;
    m_bActive = false;
}

void CToolTip::Destroy()
{
    if (m_bShown && QToolTip::isVisible() && QToolTip::text() == m_Text)
        QToolTip::hideText();
    m_pHost = nullptr;
    m_bShown = false;
}

bool CToolTip::RelayEvent(QEvent* event)
{
    if (!m_pHost || !m_bActive || !event || event->type() != QEvent::ToolTip)
        return false;
    auto* help = static_cast<QHelpEvent*>(event);
    if (!m_rcTool.contains(help->pos()))
        return false;
    QToolTip::showText(help->globalPos(), m_Text, m_pHost, m_rcTool);
    m_bShown = true;
    return true;
}
