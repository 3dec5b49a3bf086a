#pragma once

#include "core/CoreTypes.h"
#include "core/Messages.h"
#include "ui/widgets/ToolTip.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>

#include <cstdint>

class QEvent;
class QPainter;
class QWidget;

// A window-less horizontal slider with a thumb picture and a 64-bit range and
// position. The host draws it and hands it its mouse events; the slider reports
// a new position (WM_CMD_SLIDER with its id) only when the button comes up after
// a drag of the thumb or a click on the track.
//
// Invariants: 0 <= m_Pos <= max(m_Range, 0); while the thumb is dragged the
// program cannot move it (SetPos is ignored), so the thumb follows the mouse.
class CMySlider
{
public:
    explicit CMySlider(CMessageTarget* target);
    virtual ~CMySlider();
    CMySlider(const CMySlider&) = delete;
    CMySlider& operator=(const CMySlider&) = delete;

    // Fails for a null host, an empty track, a track below 6 wide or above 12 high.
    virtual bool Create(int id, const CRect& track, QWidget* host, bool scaleThumb);
    virtual void Draw(QPainter& painter);
    virtual void SetWidth(int width);

    void Show(bool show);
    void Enable(bool enable);
    void SetColors(const QColor& top, const QColor& bottom);
    void SetRange(int64_t range) { m_Range = range; }
    int64_t GetRange() const { return m_Range; }
    void SetPos(int64_t pos);
    // -1 while hidden.
    int64_t GetPos() const { return m_bVisible ? m_Pos : -1; }
    int GetId() const { return m_Id; }

    void SetToolTip(const QString& text);
    void UpdateToolTip(const QString& text);
    bool RelayToolTipEvent(QEvent* event);

    void OnLButtonDown(unsigned flags, const QPoint& point);
    void OnMouseMove(unsigned flags, const QPoint& point);
    void OnLButtonUp(unsigned flags, const QPoint& point);

    CRect GetTrackRect() const { return m_rcTrack; }
    CRect GetThumbRect() const { return m_rcThumb; }
    bool IsCreated() const { return m_bCreated; }
    bool IsVisible() const { return m_bVisible; }
    bool IsEnabled() const { return m_bEnabled; }
    bool IsDragging() const { return m_bDragging; }
    const CToolTip& ToolTip() const { return m_ToolTip; }

    // a * b / c in 128 bits, truncated towards zero; 0 when c is 0.
    static int64_t MulDiv64(int64_t a, int64_t b, int64_t c);

protected:
    void ComputeThumb();
    void InvalidateHost();
    QRect ToolRect() const;
    // Position for a host x coordinate, clamped to 0 ... m_Range.
    int64_t PosFromX(int x) const;
    void Report();

    CToolTip m_ToolTip;
    QWidget* m_pHost = nullptr;
    CRect m_rcTrack;
    CRect m_rcThumb;
    QColor m_brFrame { 32, 32, 32 };
    QPixmap m_bmThumb; // magenta cut out
    bool m_bToolTip = false;
    bool m_bCreated = false;
    bool m_bEnabled = false;
    bool m_bVisible = false;
    bool m_bScaleThumb = false;
    bool m_bMouseDown = false;
    bool m_bDragging = false;
    bool m_bTrackClick = false;
    int64_t m_Pos = 0;
    int64_t m_Range = 100;
    int m_ThumbWidth = 0;
    int m_ThumbHeight = 0;
    float m_ThumbScale = 1.0f;
    int m_Id = 0;
    QColor m_crTop { 100, 238, 100 };
    QColor m_crBottom { 52, 128, 55 };

private:
    bool OnThumb(const QPoint& point) const;
    bool OnTrack(const QPoint& point) const;

    CMessageTarget* m_pTarget;
};
