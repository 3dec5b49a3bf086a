#include "ui/LogBookDlg.h"
#include "core/Log.h"
#include "support/LogCapture.h"

#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

struct Block
{
    QString text;
    QColor colour;
};

std::vector<Block> Blocks(QTextEdit* edit)
{
    std::vector<Block> blocks;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty())
            continue;
        blocks.push_back({ b.text(), b.begin().fragment().charFormat().foreground().color() });
    }
    return blocks;
}

} // namespace

TEST(LogBookDlg, ShowsColouredLinesWithTheCurrentLineFirst)
{
    LogCapture log;
    LogMessage("ordinary\n");
    LogError("failure\n");
    LogMessage("pending");

    CLogBookDlg dlg;
    dlg.Show(true);
    const auto blocks = Blocks(dlg.TextControl());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].text, "pending");
    EXPECT_EQ(blocks[1].text, "ordinary");
    EXPECT_EQ(blocks[1].colour, QColor(255, 255, 255));
    EXPECT_EQ(blocks[2].text, "failure");
    EXPECT_EQ(blocks[2].colour, QColor(255, 128, 128));
    EXPECT_EQ(dlg.TextControl()->palette().color(QPalette::Base), QColor(0, 0, 64));
}

TEST(LogBookDlg, TimerRefillsAShownWindowOnlyWhenChanged)
{
    LogCapture log;
    CLogBookDlg dlg;
    LogMessage("one\n");
    dlg.OnTimer(); // hidden: left for Show, which refills
    EXPECT_TRUE(Blocks(dlg.TextControl()).empty());
    EXPECT_TRUE(log.Buffer().IsChanged());
    dlg.Show(true);
    EXPECT_EQ(Blocks(dlg.TextControl()).size(), 1u);
    EXPECT_FALSE(log.Buffer().IsChanged());

    dlg.TextControl()->setPlainText(QStringLiteral("marker"));
    dlg.OnTimer();
    EXPECT_EQ(dlg.TextControl()->toPlainText(), "marker") << "no refill without a change";
    LogMessage("two\n");
    dlg.OnTimer();
    EXPECT_EQ(Blocks(dlg.TextControl()).size(), 2u);
}

TEST(LogBookDlg, EscapeAndCloseOnlyHide)
{
    LogCapture log;
    CLogBookDlg dlg;
    dlg.Show(true);
    EXPECT_TRUE(dlg.isVisible());
    dlg.reject();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.IsShown());
    dlg.Show(true);
    dlg.close();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.IsCreated());
}
