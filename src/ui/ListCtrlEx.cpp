#include "ui/ListCtrlEx.h"

#include "playlist/PlaylistCtrl.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kIconSize = 16;
constexpr int kMargin = 6; // each side of the other columns' texts

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CListCtrlEx::CListCtrlEx(CPlaylistCtrl& playlist, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_Playlist(playlist)
    , m_TextColor(palette().color(QPalette::WindowText))
    , m_TextBkColor(palette().color(QPalette::Base))
    , m_BkColor(palette().color(QPalette::Base))
    , m_MarkedTextColor(palette().color(QPalette::HighlightedText))
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_RowHeight = std::max(kIconSize + 2, fontMetrics().height() + 4);
    // The widths are for the small system font of the show machines; with a larger
    // font the numbers and lengths would be cut, so those columns grow to fit them.
    const QFontMetrics metrics = fontMetrics();
    m_ColumnWidth[COL_NR]
        = std::max(39, metrics.horizontalAdvance(QStringLiteral("0000.")) + 2 * kMargin + 1);
    m_ColumnWidth[COL_TIME]
        = std::max(52, metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 2 * kMargin + 1);
    m_Playlist.SetRedrawHandler([this] { OnPlaylistChanged(); });
}

CListCtrlEx::~CListCtrlEx()
{
    m_Playlist.SetRedrawHandler(nullptr);
}

void CListCtrlEx::SetMarkedItem(int row)
{
    m_Playlist.SetMarkedItem(row);
}

void CListCtrlEx::SetMarkedTextColor(const QColor& color)
{
    m_MarkedTextColor = color;
    viewport()->update();
}

void CListCtrlEx::SetSelectionColors(const QColor& text, const QColor& background, const QColor& markedText)
{
    m_SelTextColor = text;
    m_SelBkColor = background;
    m_MarkedSelTextColor = markedText;
    m_bCustomSelColors = true;
    viewport()->update();
}

void CListCtrlEx::SetFullRowSelect(bool on)
{
    m_bFullRowSel = on;
    viewport()->update();
}

void CListCtrlEx::SetTextColor(const QColor& color)
{
    m_TextColor = color;
    viewport()->update();
}

void CListCtrlEx::SetTextBkColor(const QColor& color)
{
    m_TextBkColor = color;
    viewport()->update();
}

void CListCtrlEx::SetBkColor(const QColor& color)
{
    m_BkColor = color;
    viewport()->update();
}

void CListCtrlEx::SetIcons(const QPixmap& strip)
{
    m_Icons = strip;
    viewport()->update();
}

void CListCtrlEx::FitColumns()
{
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int client = width() - 2 * frameWidth();
    const int others = m_ColumnWidth[COL_PLAYER] + m_ColumnWidth[COL_NR] + m_ColumnWidth[COL_TIME];
    m_ColumnWidth[COL_NAME] = std::max(20, client - others - scrollBar);
    viewport()->update();
}

int CListCtrlEx::ColumnWidth(int column) const
{
    return column >= 0 && column < COL_COUNT ? m_ColumnWidth[static_cast<std::size_t>(column)] : 0;
}

int CListCtrlEx::ColumnLeft(int column) const
{
    int left = 0;
    for (int c = 0; c < column && c < COL_COUNT; ++c)
        left += m_ColumnWidth[static_cast<std::size_t>(c)];
    return left;
}

QRect CListCtrlEx::RowRect(int row) const
{
    return QRect(0, row * m_RowHeight - verticalScrollBar()->value(), ColumnLeft(COL_COUNT), m_RowHeight);
}

int CListCtrlEx::RowAt(const QPoint& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.y() >= viewport()->height())
        return -1;
    const int row = (point.y() + verticalScrollBar()->value()) / m_RowHeight;
    return row < m_Playlist.GetRowCount() ? row : -1;
}

int CListCtrlEx::ColumnAt(int x) const
{
    int left = 0;
    for (int c = 0; c < COL_COUNT; ++c) {
        left += m_ColumnWidth[static_cast<std::size_t>(c)];
        if (x < left)
            return x >= 0 ? c : -1;
    }
    return -1;
}

int CListCtrlEx::FirstVisibleRow() const
{
    return verticalScrollBar()->value() / m_RowHeight;
}

void CListCtrlEx::EnsureVisible(int row)
{
    if (row < 0)
        return;
    const int top = row * m_RowHeight;
    QScrollBar* bar = verticalScrollBar();
    if (top < bar->value())
        bar->setValue(top);
    else if (top + m_RowHeight > bar->value() + viewport()->height())
        bar->setValue(top + m_RowHeight - viewport()->height());
}

QString CListCtrlEx::ShortenText(
    const QFontMetrics& metrics, const QString& text, int available, bool& shortened)
{
    shortened = false;
    if (text.isEmpty() || metrics.horizontalAdvance(text) <= available)
        return text;
    shortened = true;
    const QString dots = QStringLiteral("...");
    const int room = available - metrics.horizontalAdvance(dots);
    // The longest prefix that fits; widths grow with the prefix, so halve the range.
    qsizetype low = 1, high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid)) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(std::max<qsizetype>(low, 1)) + dots;
}

void CListCtrlEx::OnPlaylistChanged()
{
    UpdateScrollBar();
    viewport()->update();
    if (m_OnChanged)
        m_OnChanged();
}

void CListCtrlEx::UpdateScrollBar()
{
    // The viewport's own height lags behind while the widget is hidden or being
    // laid out; with no horizontal bar it always gets the whole height.
    QScrollBar* bar = verticalScrollBar();
    const int height = maximumViewportSize().height();
    const int total = m_Playlist.GetRowCount() * m_RowHeight;
    bar->setRange(0, std::max(0, total - height));
    bar->setPageStep(height);
    bar->setSingleStep(m_RowHeight);
}

void CListCtrlEx::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int arrow = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_UsableWidth = width() - arrow - 2;
    UpdateScrollBar();
    FitColumns();
}

void CListCtrlEx::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), m_BkColor);
    const int count = m_Playlist.GetRowCount();
    const int last = std::min(count - 1, FirstVisibleRow() + viewport()->height() / m_RowHeight + 1);
    for (int row = FirstVisibleRow(); row <= last; ++row)
        DrawRow(painter, row);
    // Rows ending left of the usable width leave a stripe that must not keep old pixels.
    const int right = ColumnLeft(COL_COUNT);
    if (m_bRepaintBeside && right < m_UsableWidth)
        painter.fillRect(QRect(right, 0, m_UsableWidth - right, viewport()->height()), m_BkColor);
    const QLine line = InsertionLine();
    if (!line.isNull()) {
        painter.setPen(m_TextColor);
        painter.drawLine(line);
    }
}

void CListCtrlEx::DrawRow(QPainter& painter, int row)
{
    const CPlaylistCtrl::CRow* r = m_Playlist.GetRow(row);
    if (!r)
        return;
    const QRect rc = RowRect(row);
    const bool marked = r->m_Id == m_Playlist.GetMarkedItem();
    // The selection is always shown, with or without the keyboard focus.
    const bool selected = r->m_bSelected || r->m_bDropHilited;
    QColor text = marked ? m_MarkedTextColor : m_TextColor;
    QColor fill = m_TextBkColor;
    if (selected) {
        fill = m_bCustomSelColors ? m_SelBkColor : palette().color(QPalette::Highlight);
        text = !m_bCustomSelColors ? palette().color(QPalette::HighlightedText)
            : marked               ? m_MarkedSelTextColor
                                   : m_SelTextColor;
    }
    painter.fillRect(rc, m_TextBkColor);
    if (selected) {
        const QRect area
            = m_bFullRowSel ? rc : QRect(ColumnLeft(COL_NAME), rc.top(), ColumnWidth(COL_NAME), rc.height());
        painter.fillRect(area, fill);
    }

    if (!m_Icons.isNull()) {
        const int icon = static_cast<int>(m_Playlist.GetRowIcon(row));
        painter.drawPixmap(QPoint(rc.left(), rc.top() + (rc.height() - kIconSize) / 2), m_Icons,
            QRect(icon * kIconSize, 0, kIconSize, kIconSize));
    }

    const QFontMetrics metrics = fontMetrics();
    painter.setPen(text);
    const std::string* texts[COL_COUNT] = { nullptr, &r->m_Nr, &r->m_Name, &r->m_Time };
    for (int c = COL_NR; c < COL_COUNT; ++c) {
        // The "Player" column shows only its icon; the others keep a margin each side.
        const QRect cell(ColumnLeft(c) + kMargin, rc.top(), ColumnWidth(c) - 2 * kMargin, rc.height());
        bool shortened = false;
        const QString shown = ShortenText(metrics, Local(*texts[c]), cell.width(), shortened);
        const Qt::Alignment align
            = (c == COL_NR || c == COL_TIME) && !shortened ? Qt::AlignRight : Qt::AlignLeft;
        const int flags = static_cast<int>(align) | static_cast<int>(Qt::AlignVCenter)
            | static_cast<int>(Qt::TextSingleLine);
        painter.drawText(cell, flags, shown);
    }

    if (r->m_bFocused && hasFocus()) {
        QPen pen(text, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rc.adjusted(0, 0, -1, -1));
    }
}

QLine CListCtrlEx::InsertionLine() const
{
    const int count = m_Playlist.GetRowCount();
    if (!m_bRowDragging || count == 0)
        return {};
    const int over = m_LastMoveRow;
    int y = 0;
    if (over >= 0) {
        if (over == m_DragRow)
            return {};
        y = RowRect(over).top();
    } else if (m_LastOverRow == 0) {
        y = RowRect(0).top();
    } else {
        y = RowRect(count - 1).bottom();
    }
    return QLine(ColumnWidth(COL_PLAYER) + 2, y, ColumnLeft(COL_COUNT) - 1, y);
}
