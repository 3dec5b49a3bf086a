#include "ui/RightView.h"
#include "playlist/PaneCommands.h"
#include "support/ScriptedUi.h"
#include "ui/ListCtrlEx.h"

#include "PlaylistFixture.h"

#include "support/WaitFor.h"
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>

#include <cstdlib>

namespace {

class RightViewTest : public PlaylistFixture
{
protected:
    void TearDown() override
    {
        pane.reset();
        PlaylistFixture::TearDown();
    }

    // A shown pane with n entries "0.mp3".. titled "T0"..
    CRightView& Open(int n, QSize size = QSize(300, 400), CUiServices* pUi = nullptr)
    {
        // The pane goes before the playlist it shows: the test owns both, as the application does.
        pane.reset();
        ctrl = std::make_unique<CPlaylistCtrl>(Services(pUi), std::make_unique<FakeProber>(script));
        pane = std::make_unique<CRightView>(&owner, *ctrl);
        pane->resize(size);
        pane->OnInitialUpdate();
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(Playlist().AddEntry(
                media.Make(std::to_string(i) + ".mp3"), -1, "T" + std::to_string(i), " 0:00:10"));
        pane->show();
        return *pane;
    }
    CPlaylistCtrl& Playlist() { return pane->GetPlaylist(); }
    CListCtrlEx& List() { return pane->GetListCtrl(); }

    std::vector<std::string> Titles()
    {
        std::vector<std::string> titles;
        for (int i = 0; i < Playlist().GetRowCount(); ++i)
            titles.push_back(Playlist().GetRow(i)->m_Name);
        return titles;
    }

    // A point in a row, in a column, in the list's viewport.
    QPoint At(int row, int column)
    {
        const QRect rc = List().RowRect(row);
        return QPoint(List().ColumnLeft(column) + List().ColumnWidth(column) / 2, rc.center().y());
    }
    void Mouse(QEvent::Type type, const QPoint& point, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* viewport = List().viewport();
        QMouseEvent event(type, point, viewport->mapToGlobal(point), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
    // A left click on the pane's button strip: pressed at `down`, released at `up`.
    void ClickStrip(const QPoint& down, const QPoint& up)
    {
        QMouseEvent press(QEvent::MouseButtonPress, down, pane->mapToGlobal(down), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, up, pane->mapToGlobal(up), Qt::LeftButton,
            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pane.get(), &press);
        QCoreApplication::sendEvent(pane.get(), &release);
    }
    void Drag(const QPoint& from, const QPoint& to)
    {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    std::unique_ptr<CRightView> pane;
};

TEST_F(RightViewTest, AutoPlayIsGreyedInBothMenusWhileRepeatIsOn)
{
    Open(0);
    ASSERT_TRUE(pane->OnCommand(PaneCmd::REPEAT_SINGLE));
    bool enabled = true, checked = false;
    ASSERT_TRUE(pane->GetCommandState(PaneCmd::FRAME_AUTO_PLAY_NEXT, enabled, checked));
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(checked); // keeps its check mark
    ASSERT_TRUE(pane->GetCommandState(PaneCmd::FRAME_REPEAT_SINGLE, enabled, checked));
    EXPECT_TRUE(enabled && checked);

    // The pane's own menu, opened by a click on the fifth button.
    CPlMenuButton& button = pane->Button(4);
    const QPoint inside(button.GetRect().left + 2, button.GetRect().top + 2);
    ClickStrip(inside, inside);
    QMenu* menu = button.OpenMenu();
    ASSERT_NE(menu, nullptr);
    QAction* autoPlay = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("Auto play next entry"))
            autoPlay = action;
    ASSERT_NE(autoPlay, nullptr);
    EXPECT_FALSE(autoPlay->isEnabled());
    EXPECT_TRUE(autoPlay->isChecked());
    menu->close();

    // Flipping it anyway (a key, a stale menu) changes nothing while greyed.
    pane->OnCommand(PaneCmd::FRAME_AUTO_PLAY_NEXT);
    EXPECT_TRUE(Playlist().GetAutoSkipTrack());
    pane->OnCommand(PaneCmd::FRAME_REPEAT_SINGLE);
    pane->OnCommand(PaneCmd::AUTO_PLAY_NEXT);
    EXPECT_FALSE(Playlist().GetAutoSkipTrack());
    EXPECT_FALSE(pane->OnCommand(32774)); // not the pane's
}

TEST_F(RightViewTest, ButtonsSitInTheStripAndOpenTheirMenuOnlyOnAFullClick)
{
    Open(0, QSize(300, 400));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pane->Button(i).GetRect().left, 5 + 34 * i);
        EXPECT_EQ(pane->Button(i).GetRect().top, 400 - 17);
    }
    pane->resize(260, 300);
    EXPECT_EQ(pane->Button(3).GetRect().top, 300 - 17);
    EXPECT_EQ(List().geometry(), QRect(0, 0, 260, 300 - CRightView::kStripHeight));

    CPlMenuButton& add = pane->Button(0);
    const QPoint inside(add.GetRect().left + 2, add.GetRect().top + 2);
    const QPoint outside(200, 100);
    ClickStrip(inside, outside);
    EXPECT_EQ(add.OpenMenu(), nullptr);
}

TEST_F(RightViewTest, DocumentIsNamedAfterTheOpenedPlaylistOnly)
{
    const std::string entry = media.Make("song.mp3");
    {
        std::ofstream(QDir::current().filePath(QStringLiteral("LastPLS.dat")).toStdString()) << entry << "\n";
    }
    prefs.m_bReloadPlaylist = true;
    Open(0, QSize(300, 400), &ui);
    EXPECT_EQ(Playlist().GetRowCount(), 1);
    EXPECT_EQ(pane->GetDocumentTitle(), QStringLiteral("Default Playlist"));

    QStringList titles;
    QObject::connect(pane.get(), &CRightView::documentTitleChanged, [&](const QString& t) { titles << t; });
    ui.answers.push_back(media.Make("show.m3u", entry + "\n"));
    ASSERT_TRUE(pane->OnCommand(PaneCmd::FRAME_OPEN_PLAYLIST));
    EXPECT_EQ(pane->GetDocumentTitle(), QStringLiteral("show.m3u"));
    EXPECT_EQ(titles, QStringList { QStringLiteral("show.m3u") });

    // Opened by the main window or at start-up, not through the pane's menu.
    Playlist().OpenPlaylist(media.Make("second.pls", "[playlist]\nFile1=" + entry + "\nNumberOfEntries=1\n"));
    EXPECT_EQ(pane->GetDocumentTitle(), QStringLiteral("second.pls"));
}

TEST_F(RightViewTest, DraggingRowsWithTheMouse)
{
    Open(6);
    Playlist().SetSelected(1, true);
    Playlist().SetSelected(2, true);

    // Begun over the "Player" column: no drag, nothing moves.
    Drag(At(1, CListCtrlEx::COL_PLAYER), At(4, CListCtrlEx::COL_NAME));
    EXPECT_FALSE(List().IsRowDragging());
    EXPECT_EQ(Titles(), (std::vector<std::string> { "T0", "T1", "T2", "T3", "T4", "T5" }));

    EXPECT_EQ(Playlist().GetSelectedCount(), 2); // a press and release elsewhere is no click

    // A plain click on a selected row selects it alone.
    Mouse(QEvent::MouseButtonPress, At(2, CListCtrlEx::COL_NAME), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, At(2, CListCtrlEx::COL_NAME), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Playlist().GetSelectedCount(), 1);
    EXPECT_TRUE(Playlist().IsSelected(2));

    Playlist().SetSelected(1, true);
    Mouse(QEvent::MouseButtonPress, At(1, CListCtrlEx::COL_NAME), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, At(4, CListCtrlEx::COL_NAME), Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(List().IsRowDragging());
    const QLine line = List().InsertionLine();
    EXPECT_EQ(line.y1(), List().RowRect(4).top());
    EXPECT_EQ(line.x1(), List().ColumnWidth(CListCtrlEx::COL_PLAYER) + 2);
    Mouse(QEvent::MouseMove, At(1, CListCtrlEx::COL_TIME), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(List().InsertionLine().isNull()); // over the dragged row
    Mouse(QEvent::MouseMove, At(5, CListCtrlEx::COL_TIME), Qt::NoButton, Qt::LeftButton);
    if (const char* dir = std::getenv("ZUVIO_SCREENSHOT_DIR"))
        pane->Render().save(QString::fromLocal8Bit(dir) + QStringLiteral("/playlist-pane-drag.png"));
    Mouse(QEvent::MouseMove, At(4, CListCtrlEx::COL_TIME), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, At(4, CListCtrlEx::COL_TIME), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(List().IsRowDragging());
    EXPECT_EQ(Titles(), (std::vector<std::string> { "T0", "T3", "T4", "T2", "T1", "T5" }));
}

TEST_F(RightViewTest, RowMenuCarriesOutTheSelectionCommands)
{
    Open(5);
    const QPoint point = At(2, CListCtrlEx::COL_NAME);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, List().viewport()->mapToGlobal(point));
    QCoreApplication::sendEvent(List().viewport(), &event);
    QMenu* menu = pane->RowMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts,
        (QStringList { "Select All\tCtrl+A", "Select None", "Invert Selection\tCtrl+I", "-",
            "Remove Item(s)\tDelete", "Crop files\tCtrl+Delete" }));
    menu->actions()[2]->trigger(); // invert
    EXPECT_EQ(Playlist().GetSelectedCount(), 5);
    menu->actions()[4]->trigger(); // remove
    EXPECT_EQ(Playlist().GetRowCount(), 0);
    menu->close();
}

TEST_F(RightViewTest, KeysOfTheMainWindowReachThePane)
{
    Open(3);
    QWidget window;
    pane->InstallAccelerators(&window);
    QStringList keys;
    for (QAction* action : window.actions())
        keys << action->shortcut().toString(QKeySequence::PortableText);
    EXPECT_EQ(
        keys, (QStringList { "L", "Shift+L", "Del", "Ctrl+Del", "Ctrl+Shift+Del", "Ctrl+A", "Ctrl+I" }));
    window.actions()[5]->trigger();
    EXPECT_EQ(Playlist().GetSelectedCount(), 3);
    window.actions()[2]->trigger();
    EXPECT_EQ(Playlist().GetRowCount(), 0);
}

TEST_F(RightViewTest, DesktopDropsAndTooltipsGoThroughTheList)
{
    Open(5);
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(QString::fromStdString(media.Make("b.avi"))),
        QUrl::fromLocalFile(QString::fromStdString(media.Make("a.avi"))) });
    const QPoint point = At(3, CListCtrlEx::COL_NAME);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(List().viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(List().viewport(), &drop);
    EXPECT_EQ(Titles(), (std::vector<std::string> { "T0", "T1", "T2", "b.avi", "a.avi", "T3", "T4" }));

    ASSERT_TRUE(Playlist().AddEntry(media.Make("intro.mp3"), 0, "Intro", " 0:01:30"));
    const QPoint tip = At(0, CListCtrlEx::COL_NAME);
    QHelpEvent help(QEvent::ToolTip, tip, List().viewport()->mapToGlobal(tip));
    QCoreApplication::sendEvent(List().viewport(), &help);
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Intro     0:01:30"));
    QToolTip::hideText();
}

TEST_F(RightViewTest, LongTextsEndInDotsAndKeepTheirFirstCharacter)
{
    Open(0);
    const QFontMetrics metrics = List().fontMetrics();
    bool shortened = false;
    const QString title = QString(60, QLatin1Char('w'));
    const QString shown = CListCtrlEx::ShortenText(metrics, title, 80, shortened);
    EXPECT_TRUE(shortened);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("...")));
    EXPECT_LE(metrics.horizontalAdvance(shown), 80);
    EXPECT_GT(metrics.horizontalAdvance(shown + QLatin1Char('w')),
        80 - metrics.horizontalAdvance(QStringLiteral(".")));
    EXPECT_EQ(CListCtrlEx::ShortenText(metrics, title, 2, shortened), QStringLiteral("w..."));
    EXPECT_EQ(CListCtrlEx::ShortenText(metrics, QStringLiteral("ok"), 80, shortened), QStringLiteral("ok"));
    EXPECT_FALSE(shortened);
}

TEST_F(RightViewTest, PaneDrawsMarkedAndSelectedRows)
{
    Open(12, QSize(320, 420));
    Playlist().OnDoubleClick(3);
    Playlist().SetPlayerEntry(Playlist().GetPathAt(3), 0, {}, 0);
    Playlist().SetPlayerEntry(Playlist().GetPathAt(8), 1, {}, 0);
    Playlist().SetSelected(5, true);
    Playlist().SetSelected(6, true);
    ASSERT_TRUE(Playlist().AddEntry(media.Make("long.mp3"), -1,
        "A very long title that cannot possibly fit into the name column", " 1:02:03"));
    ASSERT_TRUE(WaitFor([&] { return pane->isVisible(); }));
    pane->activateWindow();
    List().setFocus();
    Playlist().SetFocusedRow(6);
    WaitFor([&] { return List().hasFocus(); }, 1000); // the focus rectangle, where the platform gives focus
    const QImage image = pane->Render().toImage();
    if (const char* dir = std::getenv("ZUVIO_SCREENSHOT_DIR"))
        image.save(QString::fromLocal8Bit(dir) + QStringLiteral("/playlist-pane.png"));

    const int nameRight
        = List().ColumnLeft(CListCtrlEx::COL_NAME) + List().ColumnWidth(CListCtrlEx::COL_NAME) - 2;
    auto pixel = [&](int row) { return image.pixelColor(nameRight, List().RowRect(row).top() + 1); };
    EXPECT_EQ(pixel(5), QColor(100, 136, 200));
    EXPECT_EQ(pixel(6), QColor(100, 136, 200));
    EXPECT_EQ(pixel(4), QColor(0, 0, 64));
    // The marked row's text in its own colour.
    bool markedText = false;
    const QRect marked = List().RowRect(3);
    for (int y = marked.top(); y <= marked.bottom() && !markedText; ++y)
        for (int x = List().ColumnLeft(CListCtrlEx::COL_NAME); x < nameRight && !markedText; ++x)
            markedText = image.pixelColor(x, y) == QColor(121, 160, 255);
    EXPECT_TRUE(markedText);
    // The strip's middle row is the light blue of the gradient.
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - CRightView::kStripHeight + 12),
        QColor(65, 65, 220));
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 1), QColor(0, 0, 64));
}

} // namespace
