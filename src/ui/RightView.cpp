#include "ui/RightView.h"

#include "playlist/MediaTypes.h"
#include "playlist/PaneCommands.h"
#include "ui/ListCtrlEx.h"
#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/ResourceIds.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <iterator>

namespace {

const QColor kDarkBlue(0, 0, 64);
const QColor kStripBlue(65, 65, 220);
const QColor kTransparent(255, 0, 255);
constexpr int kButtonStep = 34;
constexpr int kButtonLeft = 5;
constexpr int kButtonFromBottom = 17;
const char* const kToolTips[]
    = { "Add Files to Playlist", "Remove Files from Playlist", "Select", "Sort Playlist", "Manage Playlist" };

unsigned Flags(const QMouseEvent* event)
{
    return static_cast<unsigned>(event->buttons()) | static_cast<unsigned>(event->modifiers());
}

} // namespace

CRightView::CRightView(CMessageTarget* owner, CPlaylistCtrl& playlist, QWidget* parent)
    : QWidget(parent)
    , m_pFrame(owner)
    , m_Playlist(playlist)
    , m_pList(new CListCtrlEx(m_Playlist, this))
    , m_Buttons { &m_AddButton, &m_RemButton, &m_SelButton, &m_SortButton, &m_ListButton }
    , m_DocumentTitle(QStringLiteral("Default Playlist"))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_pList->SetChangedHandler([this] { OnPlaylistChanged(); });
    m_pList->SetContextMenuHandler([this](const QPoint& global) { ShowRowMenu(global); });
    for (CPlMenuButton* button : m_Buttons) {
        button->SetCommandHandler([this](int command) { OnCommand(command); });
        button->SetCommandState([this](int command, bool& enabled, bool& checked) {
            GetCommandState(command, enabled, checked);
        });
    }
}

CRightView::~CRightView()
{
    delete m_pRowMenu.data();
    // The list refers to the playlist; it goes first, then the playlist saves itself.
    delete m_pList;
    m_pList = nullptr;
    m_Playlist.OnDestroy();
}

void CRightView::OnInitialUpdate()
{
    if (m_bInitialised)
        return;
    m_DocumentTitle = QStringLiteral("Default Playlist");

    m_pList->SetFullRowSelect(true);
    m_pList->SetBkColor(kDarkBlue);
    m_pList->SetTextBkColor(kDarkBlue);
    m_pList->SetTextColor(Qt::white);
    const QPixmap icons = LoadBitmapResource(IDB_PLAYER_ICONS);
    m_pList->SetIcons(icons.isNull() ? QPixmap() : ApplyTransparentColor(icons, kTransparent));
    m_Playlist.Init(m_pFrame); // may open a playlist, which renames the document
    m_pList->SetMarkedTextColor(QColor(121, 160, 255));
    m_pList->SetSelectionColors(Qt::white, QColor(100, 136, 200), Qt::black);

    const int top = height() - kButtonFromBottom;
    for (std::size_t i = 0; i < m_Buttons.size(); ++i) {
        CPlMenuButton* button = m_Buttons[i];
        if (!button->Create(this, kButtonLeft + kButtonStep * static_cast<int>(i), top))
            continue;
        button->SetToolTip(QString::fromLatin1(kToolTips[i]));
        button->SetTransparentColor(kTransparent);
    }
    m_bInitialised = true;
    PlaceControls();
    OnPlaylistChanged();
    update();
}

void CRightView::PlaceControls()
{
    m_pList->setGeometry(0, 0, width(), std::max(0, height() - kStripHeight));
    m_pList->FitColumns();
    if (!m_bInitialised)
        return;
    const int top = height() - kButtonFromBottom;
    for (std::size_t i = 0; i < m_Buttons.size(); ++i)
        m_Buttons[i]->Move(kButtonLeft + kButtonStep * static_cast<int>(i), top);
}

void CRightView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceControls();
}

void CRightView::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    PlaceControls();
}

bool CRightView::OnCommand(int command)
{
    using namespace PaneCmd;
    switch (command) {
    case ADD_FILES:
        m_Playlist.AddFiles();
        break;
    case ADD_FOLDER:
        m_Playlist.AddFolderDialog();
        break;
    case REMOVE_SELECTED:
    case ROW_REMOVE:
        m_Playlist.RemoveSelected();
        break;
    case CROP_SELECTED:
    case ROW_CROP:
        m_Playlist.CropSelected();
        m_pList->setFocus();
        break;
    case CLEAR_PLAYLIST:
        m_Playlist.ClearPlaylist();
        break;
    case SELECT_ALL:
    case ROW_SELECT_ALL:
        m_Playlist.SelectAll();
        break;
    case SELECT_NONE:
    case ROW_SELECT_NONE:
        m_Playlist.SelectItem(-1);
        break;
    case INVERT_SELECTION:
    case ROW_INVERT:
        m_Playlist.InvertSelection();
        m_pList->setFocus();
        break;
    case SORT_BY_TITLE:
        m_Playlist.SortByTitle();
        break;
    case SORT_BY_FILENAME:
        m_Playlist.SortByFileName();
        break;
    case SORT_BY_PATH:
        m_Playlist.SortByPath();
        break;
    case OPEN_PLAYLIST:
    case FRAME_OPEN_PLAYLIST: {
        const std::string opened = m_Playlist.OpenPlaylist({});
        if (!opened.empty())
            SetPlaylistName(opened);
        break;
    }
    case SAVE_PLAYLIST:
    case FRAME_SAVE_PLAYLIST:
        m_Playlist.SavePlaylist({});
        break;
    case LOOP_PLAYLIST:
    case FRAME_LOOP_PLAYLIST:
        SetMode(ShowCommandId::Loop, !m_Playlist.GetLoopList());
        break;
    case AUTO_PLAY_NEXT:
    case FRAME_AUTO_PLAY_NEXT:
        // Greyed while repeat is on; a key or remote path must not flip it behind the menu's back.
        if (!m_Playlist.GetLoopSingleTrack())
            SetMode(ShowCommandId::AutoAdvance, !m_Playlist.GetAutoSkipTrack());
        break;
    case REPEAT_SINGLE:
    case FRAME_REPEAT_SINGLE:
        SetMode(ShowCommandId::Repeat, !m_Playlist.GetLoopSingleTrack());
        break;
    default:
        return false;
    }
    return true;
}

void CRightView::SetMode(ShowCommandId id, bool on)
{
    // Through the show's door, so that controllers hear of it; alone, the pane sets it itself.
    if (m_pCommands) {
        m_pCommands->Execute({ id, -1, on ? 1 : 0 });
        return;
    }
    if (id == ShowCommandId::Loop)
        m_Playlist.ToggleLoopList();
    else if (id == ShowCommandId::AutoAdvance)
        m_Playlist.ToggleAutoSkipTrack();
    else
        m_Playlist.ToggleLoopSingleTrack();
}

bool CRightView::GetCommandState(int command, bool& enabled, bool& checked) const
{
    using namespace PaneCmd;
    enabled = true;
    checked = false;
    switch (command) {
    case LOOP_PLAYLIST:
    case FRAME_LOOP_PLAYLIST:
        checked = m_Playlist.GetLoopList();
        return true;
    case AUTO_PLAY_NEXT:
    case FRAME_AUTO_PLAY_NEXT:
        checked = m_Playlist.GetAutoSkipTrack();
        enabled = !m_Playlist.GetLoopSingleTrack();
        return true;
    case REPEAT_SINGLE:
    case FRAME_REPEAT_SINGLE:
        checked = m_Playlist.GetLoopSingleTrack();
        return true;
    default:
        break;
    }
    static constexpr int kKnown[] = { ADD_FILES, ADD_FOLDER, REMOVE_SELECTED, CROP_SELECTED, CLEAR_PLAYLIST,
        SELECT_ALL, SELECT_NONE, INVERT_SELECTION, SORT_BY_TITLE, SORT_BY_FILENAME, SORT_BY_PATH,
        OPEN_PLAYLIST, SAVE_PLAYLIST, ROW_SELECT_NONE, ROW_REMOVE, ROW_CROP, ROW_SELECT_ALL, ROW_INVERT,
        FRAME_OPEN_PLAYLIST, FRAME_SAVE_PLAYLIST };
    return std::find(std::begin(kKnown), std::end(kKnown), command) != std::end(kKnown);
}

void CRightView::InstallAccelerators(QWidget* window)
{
    if (!window)
        return;
    for (const PaneCmd::CAccelerator& key : PaneCmd::kAccelerators) {
        auto* action = new QAction(window);
        action->setShortcut(QKeySequence(QString::fromLatin1(key.keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        const int command = key.command;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        window->addAction(action);
    }
}

void CRightView::SetPlaylistName(const std::string& path)
{
    if (path.empty())
        return;
    const std::string name = TitleFromPath(path);
    const QString title = QString::fromLocal8Bit(name.empty() ? path : name);
    if (title == m_DocumentTitle)
        return;
    m_DocumentTitle = title;
    Q_EMIT documentTitleChanged(m_DocumentTitle);
}

void CRightView::OnPlaylistChanged()
{
    // OpenPlaylist names the playlist in the model, also when the frame or the
    // start-up rules opened it; restoring "LastPLS.dat" leaves the name alone.
    const std::string& title = m_Playlist.GetDocumentTitle();
    if (title.empty() || title == m_LastPlaylistTitle)
        return;
    m_LastPlaylistTitle = title;
    SetPlaylistName(title);
}

void CRightView::ShowRowMenu(const QPoint& global)
{
    if (!m_Playlist.IsInitialised())
        return;
    delete m_pRowMenu.data();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const PaneCmd::CRowMenuItem& item : PaneCmd::kRowMenu) {
        if (item.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    }
    connect(menu, &QMenu::aboutToHide, m_pList, [this] { m_pList->setFocus(); });
    m_pRowMenu = menu;
    menu->popup(global); // not exec(): remote commands keep running while it is open
}

QPixmap CRightView::Render()
{
    return grab();
}

void CRightView::PaintInto(QPainter& painter)
{
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), kDarkBlue);
    // The strip: dark blue at its edges, blue in its middle.
    const int top = h - kStripHeight;
    const int half = kStripHeight / 2;
    CPaintBox::GradientFill(painter, QRect(0, top, w, half + 1), kDarkBlue, kStripBlue);
    CPaintBox::GradientFill(painter, QRect(0, top + half, w, kStripHeight - half), kStripBlue, kDarkBlue);
    for (CPlMenuButton* button : m_Buttons)
        button->Draw(painter);
}

void CRightView::paintEvent(QPaintEvent*)
{
    // Off-screen first, then one copy, so the strip never flickers under the buttons.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter offscreen(&buffer);
        PaintInto(offscreen);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, buffer);
}

void CRightView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        for (CPlMenuButton* button : m_Buttons)
            button->OnLButtonDown(Flags(event), event->position().toPoint());
    }
    QWidget::mousePressEvent(event);
}

void CRightView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        for (CPlMenuButton* button : m_Buttons)
            button->OnLButtonUp(Flags(event), event->position().toPoint());
    }
    QWidget::mouseReleaseEvent(event);
}

void CRightView::mouseMoveEvent(QMouseEvent* event)
{
    for (CPlMenuButton* button : m_Buttons)
        button->OnMouseMove(Flags(event), event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void CRightView::leaveEvent(QEvent* event)
{
    for (CPlMenuButton* button : m_Buttons)
        button->OnMouseMove(0, QPoint(-1, -1));
    QWidget::leaveEvent(event);
}

bool CRightView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        bool shown = false;
        for (CPlMenuButton* button : m_Buttons)
            shown = shown || button->RelayToolTipEvent(event);
        if (!shown)
            event->ignore();
        return true;
    }
    return QWidget::event(event);
}
