// CPlaylistCtrl: selection, sorting, moving rows and their tooltips.
#include "playlist/PlaylistCtrl.h"

#include "playlist/MediaTypes.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxToolTip = 79;

std::string LowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Cut to at most max bytes without leaving half of a UTF-8 character behind.
std::string CutText(std::string text, std::size_t max)
{
    if (text.size() <= max)
        return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

} // namespace

bool CPlaylistCtrl::IsSelected(int row) const
{
    const CRow* r = GetRow(row);
    return r && r->m_bSelected;
}

void CPlaylistCtrl::SetSelected(int row, bool selected)
{
    if (!GetRow(row))
        return;
    m_Rows[static_cast<std::size_t>(row)].m_bSelected = selected;
    Redraw();
}

int CPlaylistCtrl::GetSelectedCount() const
{
    return static_cast<int>(
        std::count_if(m_Rows.begin(), m_Rows.end(), [](const CRow& r) { return r.m_bSelected; }));
}

int CPlaylistCtrl::GetFocusedRow() const
{
    for (std::size_t i = 0; i < m_Rows.size(); ++i) {
        if (m_Rows[i].m_bFocused)
            return static_cast<int>(i);
    }
    return -1;
}

void CPlaylistCtrl::SetFocusedRow(int row)
{
    for (CRow& r : m_Rows)
        r.m_bFocused = false;
    if (GetRow(row))
        m_Rows[static_cast<std::size_t>(row)].m_bFocused = true;
    Redraw();
}

void CPlaylistCtrl::SelectAll()
{
    if (!m_bInitialised)
        return;
    for (CRow& r : m_Rows)
        r.m_bSelected = true;
    Redraw();
}

void CPlaylistCtrl::SelectItem(int row)
{
    if (!m_bInitialised || row >= GetRowCount())
        return;
    for (CRow& r : m_Rows) {
        r.m_bSelected = false;
        r.m_bFocused = false;
        r.m_bDropHilited = false;
    }
    if (row < 0) {
        m_SelectionMark = -1;
    } else {
        m_Rows[static_cast<std::size_t>(row)].m_bSelected = true;
        m_SelectionMark = row;
    }
    Redraw();
}

void CPlaylistCtrl::InvertSelection()
{
    if (!m_bInitialised)
        return;
    for (CRow& r : m_Rows)
        r.m_bSelected = !r.m_bSelected;
    m_SelectionMark = -1;
    Redraw();
}

template <typename Key> void CPlaylistCtrl::SortRows(Key key)
{
    if (!m_bInitialised)
        return;
    // Keys once per row: the comparison runs n log n times.
    std::vector<std::pair<std::string, CRow>> keyed;
    keyed.reserve(m_Rows.size());
    for (CRow& row : m_Rows)
        keyed.emplace_back(LowerAscii(key(row)), std::move(row));
    std::stable_sort(
        keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        m_Rows[i] = std::move(keyed[i].second);
    RenumberItems(0);
    RefreshPlayerIcons();
}

void CPlaylistCtrl::SortByTitle()
{
    SortRows([](const CRow& row) { return row.m_Name; });
}

void CPlaylistCtrl::SortByFileName()
{
    SortRows([this](const CRow& row) {
        const CEntry* entry = FindEntryById(row.m_Id);
        return entry ? TitleFromPath(entry->m_Path) : std::string();
    });
}

void CPlaylistCtrl::SortByPath()
{
    SortRows([this](const CRow& row) {
        const CEntry* entry = FindEntryById(row.m_Id);
        return entry ? entry->m_Path : std::string();
    });
}

void CPlaylistCtrl::MoveItem(int from, int to, bool remove)
{
    if (MoveRow(from, to, remove))
        RenumberItems(std::min(from, to));
}

bool CPlaylistCtrl::MoveRow(int from, int to, bool remove)
{
    if (!GetRow(from) || to < 0 || from == to)
        return false;
    const CRow& source = m_Rows[static_cast<std::size_t>(from)];
    CRow moved { source.m_Id, {}, source.m_Name, source.m_Time };
    if (remove)
        m_Rows.erase(m_Rows.begin() + from);
    to = std::min(to, GetRowCount());
    m_Rows.insert(m_Rows.begin() + to, std::move(moved));
    return true;
}

// Last to first, each id's row is moved onto the drop row as MoveItem would:
// the rows keep their order when dragged upwards and arrive reversed when
// dragged downwards. The moves run on a list of ids and the rows are rebuilt
// once, so dragging thousands of rows stays quick.
void CPlaylistCtrl::MoveRowsOnto(const std::vector<int32_t>& ids, int to)
{
    if (to < 0 || ids.empty())
        return;
    std::vector<int32_t> order;
    std::vector<std::size_t> origin;
    order.reserve(m_Rows.size());
    origin.reserve(m_Rows.size());
    for (std::size_t i = 0; i < m_Rows.size(); ++i) {
        order.push_back(m_Rows[i].m_Id);
        origin.push_back(i);
    }
    std::vector<bool> moved(m_Rows.size(), false);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        const int32_t* begin = order.data();
        const int32_t* found = std::find(begin, begin + order.size(), *it);
        const std::size_t from = static_cast<std::size_t>(found - begin);
        if (from >= order.size() || from == static_cast<std::size_t>(to))
            continue;
        const std::size_t source = origin[from];
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(from));
        origin.erase(origin.begin() + static_cast<std::ptrdiff_t>(from));
        const std::size_t at = std::min(static_cast<std::size_t>(to), order.size());
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), *it);
        origin.insert(origin.begin() + static_cast<std::ptrdiff_t>(at), source);
        moved[source] = true;
    }
    std::vector<CRow> rows;
    rows.reserve(m_Rows.size());
    for (const std::size_t source : origin) {
        CRow& row = m_Rows[source];
        if (moved[source]) // a moved row is a new row: no selection, focus or number yet
            rows.push_back(CRow { row.m_Id, {}, std::move(row.m_Name), std::move(row.m_Time) });
        else
            rows.push_back(std::move(row));
    }
    m_Rows = std::move(rows);
}

bool CPlaylistCtrl::BeginRowDrag(int row, int column, int x, int y)
{
    // A drag over the "Player" column would only ever pick up the icon.
    if (!m_bInitialised || m_bDragging || column < 1 || !GetRow(row))
        return false;
    for (CRow& r : m_Rows)
        r.m_bFocused = false;
    m_DragRow = row;
    m_DragOriginX = x;
    m_DragOriginY = y;
    m_DropRow = -1;
    m_bDragging = true;
    Redraw();
    return true;
}

void CPlaylistCtrl::DragOver(int row)
{
    if (m_bDragging && GetRow(row))
        m_DropRow = row; // moving off the rows keeps the last one
}

void CPlaylistCtrl::EndRowDrag()
{
    if (!m_bDragging)
        return;
    m_bDragging = false;
    if (GetRow(m_DropRow))
        m_Rows[static_cast<std::size_t>(m_DropRow)].m_bDropHilited = false;

    std::vector<int32_t> ids;
    for (const CRow& row : m_Rows) {
        if (row.m_bSelected)
            ids.push_back(row.m_Id);
    }
    const bool redraw = m_bRedraw;
    m_bRedraw = false;
    MoveRowsOnto(ids, m_DropRow);
    const int marked = m_MarkedItem >= 0 ? FindRowById(m_MarkedItem) : -1;
    if (marked >= 0)
        m_CurTrack = marked;
    RenumberItems(0);
    RefreshPlayerIcons();
    SetRedraw(redraw);
}

std::string CPlaylistCtrl::GetToolTipText(int row) const
{
    const CRow* r = GetRow(row);
    const CEntry* entry = r ? FindEntryById(r->m_Id) : nullptr;
    if (!entry)
        return {};
    const std::string title = entry->m_Title.empty() ? TitleFromPath(entry->m_Path) : entry->m_Title;
    return CutText(title + "    " + entry->m_Length, kMaxToolTip);
}
