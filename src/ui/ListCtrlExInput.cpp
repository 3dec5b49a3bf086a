// CListCtrlEx: mouse, keyboard, row menu, desktop drops and tooltips.
#include "ui/ListCtrlEx.h"

#include "playlist/PlaylistCtrl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

namespace {

std::vector<std::string> LocalFiles(const QMimeData* data)
{
    std::vector<std::string> names;
    if (!data || !data->hasUrls())
        return names;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            names.push_back(url.toLocalFile().toLocal8Bit().toStdString());
    }
    return names;
}

} // namespace

void CListCtrlEx::ClickRow(int row, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ControlModifier) {
        m_Playlist.SetSelected(row, !m_Playlist.IsSelected(row));
        m_Playlist.SetSelectionMark(row);
        m_Anchor = row;
    } else if ((modifiers & Qt::ShiftModifier) && m_Anchor >= 0 && m_Anchor < m_Playlist.GetRowCount()) {
        const int anchor = m_Anchor;
        m_Playlist.SelectItem(-1);
        for (int r = std::min(anchor, row); r <= std::max(anchor, row); ++r)
            m_Playlist.SetSelected(r, true);
    } else if (m_Playlist.IsSelected(row)) {
        // Keep a multiple selection for a drag; a plain click selects the row alone on release.
        m_bPendingSelect = true;
        m_PendingRow = row;
    } else {
        m_Playlist.SelectItem(row);
        m_Anchor = row;
    }
    m_Playlist.SetFocusedRow(row);
}

void CListCtrlEx::MoveFocusTo(int row, Qt::KeyboardModifiers modifiers)
{
    const int count = m_Playlist.GetRowCount();
    if (count <= 0)
        return;
    row = std::clamp(row, 0, count - 1);
    if ((modifiers & Qt::ShiftModifier) && m_Anchor >= 0 && m_Anchor < count) {
        const int anchor = m_Anchor;
        m_Playlist.SelectItem(-1);
        for (int r = std::min(anchor, row); r <= std::max(anchor, row); ++r)
            m_Playlist.SetSelected(r, true);
    } else {
        m_Playlist.SelectItem(row);
        m_Anchor = row;
    }
    m_Playlist.SetFocusedRow(row);
    EnsureVisible(row);
}

void CListCtrlEx::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    const int row = RowAt(point);
    m_bPendingSelect = false;
    if (event->button() == Qt::LeftButton) {
        m_PressPoint = point;
        m_PressRow = row;
        m_PressColumn = ColumnAt(point.x());
        if (row >= 0)
            ClickRow(row, event->modifiers());
        else if (!(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
            m_Playlist.SelectItem(-1);
    } else if (event->button() == Qt::RightButton && row >= 0 && !m_Playlist.IsSelected(row)) {
        m_Playlist.SelectItem(row);
        m_Playlist.SetFocusedRow(row);
    }
    event->accept();
}

void CListCtrlEx::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_bRowDragging) {
        TrackDrag(point);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton) || m_PressRow < 0
        || (point - m_PressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    if (m_Playlist.BeginRowDrag(m_PressRow, m_PressColumn, m_PressPoint.x(), m_PressPoint.y())) {
        m_bRowDragging = true;
        m_DragRow = m_PressRow;
        m_LastOverRow = -1;
        m_LastMoveRow = -1;
        m_bPendingSelect = false;
        TrackDrag(point);
    }
    m_PressRow = -1; // one attempt per press
}

void CListCtrlEx::TrackDrag(const QPoint& point)
{
    QScrollBar* bar = verticalScrollBar();
    if (point.y() < 0)
        bar->setValue(bar->value() - m_RowHeight);
    else if (point.y() >= viewport()->height())
        bar->setValue(bar->value() + m_RowHeight);
    const int row = RowAt(point);
    m_Playlist.DragOver(row);
    m_LastMoveRow = row;
    if (row >= 0)
        m_LastOverRow = row;
    viewport()->update();
}

void CListCtrlEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_bRowDragging) {
        m_bRowDragging = false;
        m_Playlist.EndRowDrag();
        viewport()->update();
    } else if (m_bPendingSelect) {
        const int row = RowAt(event->position().toPoint());
        if (row >= 0 && row == m_PendingRow) {
            m_Playlist.SelectItem(row);
            m_Playlist.SetFocusedRow(row);
            m_Anchor = row;
        }
    }
    m_bPendingSelect = false;
    m_PressRow = -1;
}

void CListCtrlEx::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int row = RowAt(event->position().toPoint());
    if (row >= 0)
        m_Playlist.OnDoubleClick(row);
}

void CListCtrlEx::keyPressEvent(QKeyEvent* event)
{
    const int focused = m_Playlist.GetFocusedRow();
    const int page = std::max(1, viewport()->height() / m_RowHeight - 1);
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Up:
        target = focused < 0 ? 0 : focused - 1;
        break;
    case Qt::Key_Down:
        target = focused < 0 ? 0 : focused + 1;
        break;
    case Qt::Key_PageUp:
        target = std::max(0, focused - page);
        break;
    case Qt::Key_PageDown:
        target = focused + page;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = m_Playlist.GetRowCount() - 1;
        break;
    default:
        event->ignore(); // the main window's keys (Delete, Ctrl+A, ...) act on the pane
        return;
    }
    MoveFocusTo(target, event->modifiers());
}

void CListCtrlEx::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CListCtrlEx::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CListCtrlEx::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_OnContextMenu && m_Playlist.IsInitialised())
        m_OnContextMenu(event->globalPos());
    event->accept();
}

void CListCtrlEx::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CListCtrlEx::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void CListCtrlEx::dropEvent(QDropEvent* event)
{
    std::vector<std::string> names = LocalFiles(event->mimeData());
    if (names.empty())
        return;
    event->acceptProposedAction();
    m_Playlist.DropFiles(std::move(names), RowAt(event->position().toPoint()));
}

bool CListCtrlEx::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int row = RowAt(help->pos());
        const std::string text = m_Playlist.GetToolTipText(row);
        if (text.empty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromLocal8Bit(text), viewport(), RowRect(row));
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
