#include "ui/QtUiServices.h"
#include "core/Log.h"
#include "support/LogCapture.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

TEST(QtUiServices, FiltersBecomeQtFilters)
{
    EXPECT_EQ(
        CQtUiServices::ToQtFilter("PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|"
                                  "All files (*.*)|*.*||"),
        "PLS or M3U Playlist (*.m3u *.pls);;M3U Playlist (*.m3u);;PLS Playlist (*.pls);;All files (*.*) (*)");
    EXPECT_EQ(CQtUiServices::ToQtFilter(""), "");
    EXPECT_EQ(CQtUiServices::ToQtFilter("Dangling|"), "Dangling ()");
}

TEST(QtUiServices, MessageBoxesNeverBlock)
{
    LogCapture log;
    CQtUiServices ui;
    // Returns at once although nobody clicks: the box is non-modal.
    ShowMessageBox(&ui, "File not found", "Error", CUiServices::ICON_ERROR);

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

namespace {

// Waits (bounded) for the file dialog that exec() shows, then lets act() play the user.
void WhenTheDialogShows(std::function<void(QFileDialog*)> act)
{
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, waited, act] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            act(dialog);
        } else if (++*waited > 500) {
            poll->deleteLater();
            ADD_FAILURE() << "no file dialog within 5 s";
        }
    });
    poll->start(10);
}

void Type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &key);
    }
}

} // namespace

TEST(QtUiServices, SaveDialogGivesATypedNameTheChosenTypesExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CQtUiServices ui;
    struct Case
    {
        bool pickPls;
        const char* typed;
        const char* saved;
    };
    for (const Case& c : { Case { true, "show", "show.pls" }, Case { false, "show", "show.m3u" },
             Case { true, "notes.m3u", "notes.m3u" } }) {
        WhenTheDialogShows([c](QFileDialog* dialog) {
            if (c.pickPls) {
                // As the user does it: the type box, one step down to "PLS Playlist".
                auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                ASSERT_NE(types, nullptr);
                QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
                QApplication::sendEvent(types, &down);
            }
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->clear();
            Type(name, QString::fromLatin1(c.typed));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(name, &enter);
        });
        std::string path;
        ASSERT_TRUE(ui.GetSaveFileName("Save Playlist", "M3U Playlist|*.m3u|PLS Playlist|*.pls||", "m3u",
            dir.path().toStdString(), path));
        EXPECT_EQ(path, dir.filePath(QString::fromLatin1(c.saved)).toStdString()) << c.typed;
    }
}
