#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QPixmap>

#include <array>
#include <functional>

class CPlaylistCtrl;
class QFontMetrics;

// The playlist's list: draws the rows of a CPlaylistCtrl itself (marked row,
// selection colours, "Player" icons, shortened texts, focus rectangle, the
// insertion line of a row drag) and turns mouse, keyboard, tooltip and desktop
// drop events into the playlist's operations. Only the visible rows are painted,
// so long lists stay cheap.
//
// Invariant: every row state (selected, focused, drop target) lives in the
// playlist; this widget keeps only what is being drawn for a drag in progress.
class CListCtrlEx : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum Column { COL_PLAYER, COL_NR, COL_NAME, COL_TIME, COL_COUNT };

    explicit CListCtrlEx(CPlaylistCtrl& playlist, QWidget* parent = nullptr);
    ~CListCtrlEx() override;

    void SetMarkedItem(int row);
    void SetMarkedTextColor(const QColor& color);
    // Also switches the custom selection colours on.
    void SetSelectionColors(const QColor& text, const QColor& background, const QColor& markedText);
    void SetFullRowSelect(bool on);
    void SetTextColor(const QColor& color);
    void SetTextBkColor(const QColor& color);
    void SetBkColor(const QColor& color);
    // A strip of 16 x 16 images; a null pixmap means no icons.
    void SetIcons(const QPixmap& strip);

    // "Name" takes what the other columns and a vertical scroll bar leave.
    void FitColumns();
    int ColumnWidth(int column) const;
    int ColumnLeft(int column) const;
    int RowHeight() const { return m_RowHeight; }
    int UsableWidth() const { return m_UsableWidth; }
    // In viewport coordinates; rows outside the view give rectangles outside it.
    QRect RowRect(int row) const;
    int RowAt(const QPoint& point) const; // -1 beside the rows
    int ColumnAt(int x) const; // -1 right of the columns
    void EnsureVisible(int row);

    // The text as drawn in a column of width available: cut from the end until it
    // fits with "..." appended, keeping at least its first character.
    static QString ShortenText(
        const QFontMetrics& metrics, const QString& text, int available, bool& shortened);

    // Called after the playlist changed what is shown.
    void SetChangedHandler(std::function<void()> handler) { m_OnChanged = std::move(handler); }
    // Right click: where the row menu opens (global position).
    void SetContextMenuHandler(std::function<void(const QPoint&)> handler)
    {
        m_OnContextMenu = std::move(handler);
    }

    bool IsRowDragging() const { return m_bRowDragging; }
    // The insertion line while dragging, in viewport coordinates; null when none.
    QLine InsertionLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnPlaylistChanged();
    void UpdateScrollBar();
    void DrawRow(QPainter& painter, int row);
    void ClickRow(int row, Qt::KeyboardModifiers modifiers);
    void MoveFocusTo(int row, Qt::KeyboardModifiers modifiers);
    void TrackDrag(const QPoint& point);
    int FirstVisibleRow() const;

    CPlaylistCtrl& m_Playlist;
    std::array<int, COL_COUNT> m_ColumnWidth { 16, 39, 93, 52 };
    int m_RowHeight = 17;
    int m_UsableWidth = 0;
    bool m_bRepaintBeside = true;
    bool m_bFullRowSel = false;
    bool m_bCustomSelColors = false;
    QColor m_TextColor;
    QColor m_TextBkColor;
    QColor m_BkColor;
    QColor m_MarkedTextColor;
    QColor m_SelTextColor { 0, 0, 0 };
    QColor m_SelBkColor { 0, 0, 0 };
    QColor m_MarkedSelTextColor { 0, 0, 0 };
    QPixmap m_Icons;

    // Mouse: the press that may become a click or a row drag.
    QPoint m_PressPoint;
    int m_PressRow = -1;
    int m_PressColumn = -1;
    bool m_bPendingSelect = false; // a press on a selected row selects it alone on release there
    int m_PendingRow = -1;
    bool m_bRowDragging = false;
    int m_DragRow = -1;
    int m_LastOverRow = -1; // last row the cursor passed over
    int m_LastMoveRow = -1; // row under the cursor now, -1 = none
    int m_Anchor = -1; // shift-click range start

    std::function<void()> m_OnChanged;
    std::function<void(const QPoint&)> m_OnContextMenu;
};
