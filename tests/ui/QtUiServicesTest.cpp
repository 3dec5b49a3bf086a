#include "core/Log.h"
#include "ui/QtUiServices.h"
#include "support/LogCapture.h"

#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

TEST(QtUiServices, FiltersBecomeQtFilters)
{
    EXPECT_EQ(CQtUiServices::ToQtFilter("PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|"
                                         "All files (*.*)|*.*||"),
              "PLS or M3U Playlist (*.m3u *.pls);;M3U Playlist (*.m3u);;PLS Playlist (*.pls);;All files (*.*) (*)");
    EXPECT_EQ(CQtUiServices::ToQtFilter(""), "");
    EXPECT_EQ(CQtUiServices::ToQtFilter("Dangling|"), "Dangling ()");
}

TEST(QtUiServices, MessageBoxesNeverBlock)
{
    LogCapture log;
    CQtUiServices ui;
    g_pUiServices = &ui;
    // Returns at once although nobody clicks: the box is non-modal.
    ShowMessageBox("File not found", "Error", CUiServices::ICON_ERROR);
    g_pUiServices = nullptr;

    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            ++boxes;
            EXPECT_FALSE(box->isModal());
            EXPECT_EQ(box->text(), "File not found");
            box->close();
        }
    }
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(log.Contains("Error: File not found", LOG_LEVEL_ERROR));
}

TEST(QtUiServices, BusyNestsAndRestoresTheCursor)
{
    CQtUiServices ui;
    ui.BeginBusy("Adding files");
    ui.BeginBusy("inner");
    ui.Progress(10, 100); // below the threshold: no window yet
    ui.Progress(60, 100);
    ui.EndBusy();
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    ui.EndBusy();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ui.EndBusy(); // unbalanced end is harmless
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
