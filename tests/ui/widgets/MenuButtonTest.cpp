#include "PaintHost.h"
#include "ui/widgets/PlAddButton.h"
#include "ui/widgets/PlListButton.h"
#include "ui/widgets/ResourceIds.h"

#include <QApplication>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

QPoint Inside(const CMyButton& b)
{
    const CRect rc = b.GetRect();
    return QPoint(rc.left + rc.Width() / 2, rc.top + rc.Height() / 2);
}

TEST(MenuButtonTest, OpensItsMenuAboveItselfOnlyOnAFullClick)
{
    PaintHost host;
    host.resize(200, 300);
    CPlAddButton add;
    ASSERT_TRUE(add.Create(&host, 5, 300 - 17));
    add.SetTransparentColor(QColor(255, 0, 255));
    ASSERT_TRUE(host.ShowAndSettle());

    add.OnLButtonDown(0, Inside(add));
    EXPECT_EQ(add.GetCurrentBitmap(), IDB_PL_ADD_PRESSED);
    add.OnLButtonUp(0, QPoint(150, 10));
    EXPECT_EQ(add.OpenMenu(), nullptr);

    std::vector<int> chosen;
    add.SetCommandHandler([&](int command) { chosen.push_back(command); });
    add.OnLButtonDown(0, Inside(add));
    add.OnLButtonUp(0, Inside(add));
    QMenu* menu = add.OpenMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Add file(s)\tL"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Add Folder\tShift+L"));
    const QPoint buttonCorner = host.mapToGlobal(QPoint(add.GetRect().left, add.GetRect().top));
    EXPECT_EQ(menu->geometry().bottom() + 1, buttonCorner.y() - 5);
    EXPECT_EQ(menu->geometry().left(), buttonCorner.x());

    actions[1]->trigger();
    EXPECT_EQ(chosen, std::vector<int> { 32813 });
    menu->close();
}

TEST(MenuButtonTest, ListMenuAsksForEachItemsState)
{
    PaintHost host;
    CPlListButton list;
    ASSERT_TRUE(list.Create(&host, 141, 100));
    list.SetCommandState([](int command, bool& enabled, bool& checked) {
        checked = command == 32847 || command == 32853;
        enabled = command != 32853;
    });
    list.OnLButtonDown(0, Inside(list));
    list.OnLButtonUp(0, Inside(list));
    QMenu* menu = list.OpenMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->text() == QStringLiteral("Loop playlist")) {
            EXPECT_TRUE(action->isChecked());
        }
        if (action->text() == QStringLiteral("Auto play next entry")) {
            EXPECT_TRUE(action->isChecked());
            EXPECT_FALSE(action->isEnabled());
        }
        if (action->text() == QStringLiteral("Repeat single Track")) {
            EXPECT_FALSE(action->isChecked());
        }
    }
    EXPECT_EQ(texts,
        (QStringList { "Open playlist\tCtrl+O", "Save playlist\tCtrl+Shift+S", "-", "Repeat single Track",
            "Loop playlist", "-", "Auto play next entry" }));
    menu->close();
}

} // namespace
