#pragma once

#include "core/Messages.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowCommand.h"
#include "ui/widgets/PlAddButton.h"
#include "ui/widgets/PlListButton.h"
#include "ui/widgets/PlRemButton.h"
#include "ui/widgets/PlSelButton.h"
#include "ui/widgets/PlSortButton.h"

#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class CListCtrlEx;

// The playlist pane: the playlist's list above a strip of five menu buttons. It
// owns the playlist, carries out the playlist commands of its menus, the row
// menu, the main window's "Playlist" menu and the pane's keys, and names the
// document after the open playlist ("Default Playlist" until one is opened).
class CRightView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kStripHeight = 25;

    // owner receives the playlist's messages (WM_CMD_LOAD_TRACK: the show
    // engine); the playlist outlives the pane.
    CRightView(CMessageTarget* owner, CPlaylistCtrl& playlist, QWidget* parent = nullptr);
    // Where the playlist's modes go as show commands (the window's door); none: the pane sets them.
    void SetCommandSink(CShowCommandSink* sink) { m_pCommands = sink; }
    ~CRightView() override; // the playlist stores its settings and "LastPLS.dat"

    // First call only: colours, buttons, layout, then the playlist's start-up rules.
    void OnInitialUpdate();
    bool IsInitialised() const { return m_bInitialised; }

    CPlaylistCtrl& GetPlaylist() { return m_Playlist; }
    CListCtrlEx& GetListCtrl() { return *m_pList; }

    // Carries out a pane command (the pane's and the row menu's numbers, and the
    // main window's 32854..32858); false for a number it does not know.
    bool OnCommand(int command);
    // Enabled and check state of a menu item; false for a number it does not know.
    bool GetCommandState(int command, bool& enabled, bool& checked) const;
    // Adds the pane's keys (L, Shift+L, Delete, ...) to window as window-wide shortcuts.
    void InstallAccelerators(QWidget* window);

    // The document title becomes the path's file name (the whole path when it has none).
    void SetPlaylistName(const std::string& path);
    QString GetDocumentTitle() const { return m_DocumentTitle; }

    CPlMenuButton& Button(int index) { return *m_Buttons[static_cast<std::size_t>(index)]; }
    // The row menu while it is open, else null.
    QMenu* RowMenu() const { return m_pRowMenu.data(); }
    // Opens the row menu at a global position.
    void ShowRowMenu(const QPoint& global);

    // The pane as drawn, for screenshots and tests.
    QPixmap Render();

Q_SIGNALS:
    void documentTitleChanged(const QString& title);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetMode(ShowCommandId id, bool on);
    void PlaceControls();
    void PaintInto(QPainter& painter);
    void OnPlaylistChanged();

    CMessageTarget* m_pFrame;
    CShowCommandSink* m_pCommands = nullptr;
    CPlaylistCtrl& m_Playlist;
    CListCtrlEx* m_pList; // child widget, deleted before the playlist
    CPlAddButton m_AddButton;
    CPlRemButton m_RemButton;
    CPlSelButton m_SelButton;
    CPlSortButton m_SortButton;
    CPlListButton m_ListButton;
    std::array<CPlMenuButton*, 5> m_Buttons;
    QPointer<QMenu> m_pRowMenu;
    QString m_DocumentTitle;
    std::string m_LastPlaylistTitle;
    bool m_bInitialised = false;
};
