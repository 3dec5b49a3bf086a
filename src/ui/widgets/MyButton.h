#pragma once

#include "core/CoreTypes.h"
#include "core/Messages.h"
#include "ui/widgets/ToolTip.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>

class QEvent;
class QPainter;
class QWidget;

// A window-less picture button. The host widget owns its place: it calls Draw on
// every paint, hands it its left-button and mouse-move events, and the button
// decides from the point whether it is hit. Subclasses swap the picture per
// state and act on a completed click.
//
// Invariant: a button whose picture could not be loaded is not created; it is
// never drawn, never hit and gets no tooltip.
class CMyButton
{
public:
    // Clicks are reported to target (the main frame); it may be null for buttons that send nothing.
    explicit CMyButton(CMessageTarget* target = nullptr);
    virtual ~CMyButton();
    CMyButton(const CMyButton&) = delete;
    CMyButton& operator=(const CMyButton&) = delete;

    virtual void OnLButtonUp(unsigned flags, const QPoint& point);
    virtual void OnLButtonDown(unsigned flags, const QPoint& point);
    virtual void OnMouseMove(unsigned flags, const QPoint& point);
    // Size of the host's client area changed.
    virtual void OnSize(int type, int cx, int cy);

    bool Create(QWidget* host, int left, int top, int bitmapId);
    bool SetBitmap(int bitmapId);
    void Show(bool show);
    void Move(int left, int top);
    // Right and bottom edges are outside.
    bool HitTest(const QPoint& point) const;
    void SetToolTip(const QString& text);
    void UpdateToolTip(const QString& text);
    bool RelayToolTipEvent(QEvent* event);
    void SetTransparentColor(const QColor& color);
    int GetWidth() const;
    void Draw(QPainter& painter);

    CRect GetRect() const { return m_rcButton; }
    bool IsCreated() const { return m_bCreated; }
    bool IsVisible() const { return m_bVisible; }
    bool IsPressed() const { return m_bPressed; }
    bool GetState() const { return m_bState; }
    int GetCurrentBitmap() const { return m_CurrentBitmap; }
    const CToolTip& ToolTip() const { return m_ToolTip; }

protected:
    void Send(unsigned msg, WPARAM wParam, LPARAM lParam);
    void InvalidateButton();
    QWidget* Host() const { return m_pHost; }

    CRect m_rcButton;
    QPixmap m_Bitmap;
    CToolTip m_ToolTip;
    QColor m_crTransparent { 30, 54, 156 };
    int m_Width = 0;
    int m_Height = 0;
    QWidget* m_pHost = nullptr;
    bool m_bCreated = false;
    bool m_bToolTip = false;
    bool m_bVisible = false;
    int m_CurrentBitmap = 0;
    bool m_bPressed = false;
    bool m_bState = false;

private:
    CMessageTarget* m_pTarget;
    QPixmap m_Masked; // m_Bitmap with m_crTransparent cut out; rebuilt lazily
};

inline QRect ToQRect(const CRect& rc)
{
    return QRect(rc.left, rc.top, rc.Width(), rc.Height());
}
