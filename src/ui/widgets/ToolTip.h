#pragma once

#include <QRect>
#include <QString>

class QEvent;
class QWidget;

// One tooltip "tool" over a rectangle of a host widget, for the window-less
// widgets: the host hands its tooltip events to RelayEvent and the tool shows
// its text when the pointer is inside its rectangle and the tool is active.
class CToolTip
{
public:
    CToolTip() = default;
    ~CToolTip();
    CToolTip(const CToolTip&) = delete;
    CToolTip& operator=(const CToolTip&) = delete;

    void Create(QWidget* host, const QString& text, const QRect& rect);
    void Destroy();
    bool IsCreated() const { return m_pHost != nullptr; }

    void Activate(bool active) { m_bActive = active; }
    bool IsActive() const { return m_bActive; }
    void SetToolRect(const QRect& rect) { m_rcTool = rect; }
    QRect ToolRect() const { return m_rcTool; }
    void UpdateTipText(const QString& text) { m_Text = text; }
    QString Text() const { return m_Text; }

    // True when the event was a tooltip request inside the tool and the text was shown.
    bool RelayEvent(QEvent* event);

private:
    QWidget* m_pHost = nullptr;
    QString m_Text;
    QRect m_rcTool;
    bool m_bActive = false;
    bool m_bShown = false;
};
