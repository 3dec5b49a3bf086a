#include "core/Log.h"
#include "playlist/MediaTypes.h"
#include "support/LogCapture.h"
#include "support/ScriptedUi.h"

#include "PlaylistFixture.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

#include <algorithm>
#include <random>

namespace {

class PlaylistEditTest : public PlaylistFixture
{
protected:
    // File names of the rows, in row order.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const std::string& path : Paths())
            names.push_back(TitleFromPath(path));
        return names;
    }
    std::vector<std::string> Numbers() const
    {
        std::vector<std::string> numbers;
        for (int i = 0; i < ctrl->GetRowCount(); ++i)
            numbers.push_back(ctrl->GetRow(i)->m_Nr);
        return numbers;
    }
    void Select(std::initializer_list<int> rows)
    {
        for (int row : rows)
            ctrl->SetSelected(row, true);
    }
    using Names_t = std::vector<std::string>;
};

TEST_F(PlaylistEditTest, AddFolderAddsTheSupportedFilesOfTheTreeAndLogsTheRest)
{
    TempFolder tree;
    tree.Make("a.mp3");
    tree.Make("notes.txt");
    tree.Make("sub/b.avi");
    LogCapture log;
    Start();
    ctrl->AddFolder(tree.Path(), -1);
    EXPECT_EQ(Paths(), (Names_t { tree.File("a.mp3"), tree.File("sub/b.avi") }));
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        Names_t { "CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!" });

    // At a position every file goes to that same row: the tree arrives reversed above it.
    ctrl->AddFolder(tree.Path() + "/", 0);
    EXPECT_EQ(Names(), (Names_t { "b.avi", "a.mp3", "a.mp3", "b.avi" }));
    EXPECT_EQ(Numbers(), (Names_t { "1.", "2.", "3.", "4." }));

    // A folder that cannot be listed adds nothing and says nothing.
    const int lines = static_cast<int>(log.Lines().size());
    ctrl->AddFolder(tree.File("missing"), -1);
    EXPECT_EQ(ctrl->GetRowCount(), 4);
    EXPECT_EQ(static_cast<int>(log.Lines().size()), lines);
}

TEST_F(PlaylistEditTest, AddFolderListsNamesInTheSameOrderEveryTimeAndSurvivesLinkLoops)
{
    TempFolder tree;
    for (const char* name : { "c.mp3", "B.mp3", "a.mp3", "D.wav" })
        tree.Make(name);
    tree.Make("loop/e.mp3");
    ASSERT_EQ(::symlink(tree.Path().c_str(), tree.File("loop/back").c_str()), 0);
    Start();
    ctrl->AddFolder(tree.Path(), -1);
    EXPECT_EQ(Names(), (Names_t { "a.mp3", "B.mp3", "c.mp3", "D.wav", "e.mp3" }));
}

TEST_F(PlaylistEditTest, AddFilesUsesTheMediaDialogAndReportsProgress)
{
    StartWith(0, &ui);
    std::vector<std::string> chosen;
    for (int i = 0; i < 40; ++i)
        chosen.push_back(media.Make("f" + std::to_string(100 + i) + ".mp3"));
    chosen.push_back(media.Make("skip.doc"));
    ui.multiAnswers.push_back(chosen);
    ctrl->AddFiles();

    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, "open-multi");
    EXPECT_EQ(ui.dialogs[0].filter, MediaFilter());
    EXPECT_EQ(ctrl->GetRowCount(), 40);
    EXPECT_EQ(ctrl->GetPathAt(0), chosen[0]);
    EXPECT_EQ(ctrl->GetPathAt(39), chosen[39]);
    EXPECT_EQ(ui.lastProgress, 41);
    EXPECT_GE(ui.busyBegun, 1);
    EXPECT_EQ(ui.busyBegun, ui.busyEnded);

    // Cancelled: nothing happens.
    ctrl->AddFiles();
    EXPECT_EQ(ctrl->GetRowCount(), 40);
}

TEST_F(PlaylistEditTest, DroppedFilesAreSortedAndInsertedAtTheDropRow)
{
    StartWith(5);
    const std::string b = media.Make("b.avi");
    const std::string a = media.Make("a.avi");
    ctrl->DropFiles({ b, a }, 3);
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "1.mp3", "2.mp3", "b.avi", "a.avi", "3.mp3", "4.mp3" }));
    EXPECT_EQ(ctrl->GetRow(6)->m_Nr, "7.");

    // Beside the rows: appended; a folder among the names is added whole.
    TempFolder dropped;
    dropped.Make("x.mp3");
    const std::string c = media.Make("c.avi");
    ctrl->DropFiles({ dropped.Path(), c }, -1);
    const Names_t tail = dropped.Path() < c ? Names_t { "x.mp3", "c.avi" } : Names_t { "c.avi", "x.mp3" };
    const Names_t all = Names();
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(Names_t(all.begin() + 7, all.end()), tail);
}

TEST_F(PlaylistEditTest, ASingleDroppedPlaylistIsAppendedWhereverItLands)
{
    LogCapture log;
    StartWith(3);
    const std::string m3u
        = media.Make("show.m3u", "#EXTM3U\n" + media.Make("s1.mp3") + "\n" + media.Make("s2.mp3") + "\n");
    ctrl->DropFiles({ m3u }, 1);
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "1.mp3", "2.mp3", "s1.mp3", "s2.mp3" }));
    EXPECT_EQ(log.CountErrors(), 0);

    // With a media file beside it, the playlist is just an unsupported file.
    ctrl->DropFiles({ m3u, media.Make("z.mp3") }, 0);
    EXPECT_EQ(Names().front(), "z.mp3");
    EXPECT_EQ(ctrl->GetRowCount(), 6);
    EXPECT_TRUE(log.Contains("CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!"));
}

TEST_F(PlaylistEditTest, RemoveSelectedKeepsTheOthersRenumbered)
{
    StartWith(5);
    ctrl->OnDoubleClick(3);
    Select({ 1, 3 });
    ctrl->RemoveSelected();
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "2.mp3", "4.mp3" }));
    EXPECT_EQ(Numbers(), (Names_t { "1.", "2.", "3." }));
    EXPECT_EQ(ctrl->GetEntries().size(), 3u);
    EXPECT_EQ(ctrl->GetMarkedItem(), -1); // the playing entry went with its row
    EXPECT_EQ(ctrl->GetCurrentTrack(), 3); // the current track is a position and stays

    ctrl->RemoveSelected(); // nothing selected any more
    EXPECT_EQ(ctrl->GetRowCount(), 3);
}

TEST_F(PlaylistEditTest, CropKeepsOnlyTheSelectionAndNeverEmptiesAnUnselectedList)
{
    StartWith(5);
    ctrl->CropSelected();
    EXPECT_EQ(ctrl->GetRowCount(), 5);

    Select({ 0, 4 });
    ctrl->SetSelectionMark(4);
    ctrl->CropSelected();
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "4.mp3" }));
    EXPECT_EQ(Numbers(), (Names_t { "1.", "2." }));
    EXPECT_EQ(ctrl->GetSelectionMark(), -1);

    ctrl->ClearPlaylist();
    EXPECT_EQ(ctrl->GetRowCount(), 0);
    EXPECT_TRUE(ctrl->GetEntries().empty());
}

TEST_F(PlaylistEditTest, SelectionOperations)
{
    StartWith(4);
    ctrl->SelectAll();
    EXPECT_EQ(ctrl->GetSelectedCount(), 4);
    ctrl->SetFocusedRow(2);
    ctrl->SelectItem(1);
    EXPECT_EQ(ctrl->GetSelectedCount(), 1);
    EXPECT_TRUE(ctrl->IsSelected(1));
    EXPECT_EQ(ctrl->GetSelectionMark(), 1);
    EXPECT_EQ(ctrl->GetFocusedRow(), -1);
    ctrl->InvertSelection();
    EXPECT_FALSE(ctrl->IsSelected(1));
    EXPECT_EQ(ctrl->GetSelectedCount(), 3);
    EXPECT_EQ(ctrl->GetSelectionMark(), -1);
    ctrl->SelectItem(4); // not a row: nothing happens
    EXPECT_EQ(ctrl->GetSelectedCount(), 3);
    ctrl->SelectItem(-1);
    EXPECT_EQ(ctrl->GetSelectedCount(), 0);
}

TEST_F(PlaylistEditTest, SortsIgnoreCaseAndKeepTheCurrentTrackNumber)
{
    Start();
    ASSERT_TRUE(ctrl->AddEntry(media.Make("b/a.mp3"), -1, "Beta", " 0:00:01"));
    ASSERT_TRUE(ctrl->AddEntry(media.Make("a/z.mp3"), -1, "alpha", " 0:00:01"));
    ASSERT_TRUE(ctrl->AddEntry(media.Make("a/C.mp3"), -1, "gamma", " 0:00:01"));
    ctrl->OnDoubleClick(0); // Beta playing, current track 0
    ctrl->SetSelected(0, true);

    ctrl->SortByTitle();
    EXPECT_EQ(ctrl->GetRow(0)->m_Name, "alpha");
    EXPECT_EQ(ctrl->GetRow(1)->m_Name, "Beta");
    EXPECT_EQ(Numbers(), (Names_t { "1.", "2.", "3." }));
    EXPECT_TRUE(ctrl->IsSelected(1)); // the state travels with the row
    EXPECT_EQ(ctrl->GetCurrentTrack(), 0);
    EXPECT_EQ(ctrl->FindRowById(ctrl->GetMarkedItem()), 1);

    ctrl->SortByPath();
    EXPECT_EQ(Paths(), (Names_t { media.File("a/C.mp3"), media.File("a/z.mp3"), media.File("b/a.mp3") }));
    ctrl->SortByFileName();
    EXPECT_EQ(Names(), (Names_t { "a.mp3", "C.mp3", "z.mp3" }));
    EXPECT_EQ(ctrl->GetEntries().front()->m_Title, "Beta"); // insertion order untouched
}

TEST_F(PlaylistEditTest, DraggingSelectedRowsMovesThemOntoTheDropRow)
{
    StartWith(6);
    ctrl->OnDoubleClick(2); // entry 2 playing
    Select({ 1, 2 });
    ASSERT_TRUE(ctrl->BeginRowDrag(1, 2, 40, 30));
    ctrl->DragOver(3);
    ctrl->DragOver(4);
    ctrl->DragOver(-1); // off the rows keeps row 4
    ctrl->EndRowDrag();
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "3.mp3", "4.mp3", "2.mp3", "1.mp3", "5.mp3" }));
    EXPECT_EQ(Numbers(), (Names_t { "1.", "2.", "3.", "4.", "5.", "6." }));
    EXPECT_EQ(ctrl->GetSelectedCount(), 0);
    EXPECT_EQ(ctrl->GetCurrentTrack(), 3); // follows the playing entry
    EXPECT_FALSE(ctrl->IsDragging());
}

TEST_F(PlaylistEditTest, DraggingUpwardsKeepsTheOrder)
{
    StartWith(6);
    Select({ 3, 4 });
    ASSERT_TRUE(ctrl->BeginRowDrag(3, 1, 40, 60));
    ctrl->DragOver(1);
    ctrl->EndRowDrag();
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "3.mp3", "4.mp3", "1.mp3", "2.mp3", "5.mp3" }));
}

TEST_F(PlaylistEditTest, ADragMovesRowsExactlyAsMovingThemOneByOne)
{
    StartWith(12);
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        const int drop = static_cast<int>(random() % 12);
        std::vector<int32_t> selected;
        for (int row = 0; row < 12; ++row) {
            const bool on = random() % 3 == 0;
            ctrl->SetSelected(row, on);
            if (on)
                selected.push_back(ctrl->GetRow(row)->m_Id);
        }
        std::vector<int32_t> expected;
        for (int row = 0; row < 12; ++row)
            expected.push_back(ctrl->GetRow(row)->m_Id);
        // The reference: one MoveItem per selected row, last to first, on a copy of the ids.
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
            const auto from = std::find(expected.begin(), expected.end(), *it);
            if (from - expected.begin() == drop)
                continue;
            expected.erase(from);
            expected.insert(expected.begin() + std::min<std::size_t>(drop, expected.size()), *it);
        }
        ASSERT_TRUE(ctrl->BeginRowDrag(0, 1, 0, 0));
        ctrl->DragOver(drop);
        ctrl->EndRowDrag();
        std::vector<int32_t> actual;
        for (int row = 0; row < 12; ++row)
            actual.push_back(ctrl->GetRow(row)->m_Id);
        ASSERT_EQ(actual, expected) << "round " << round << ", drop row " << drop;
    }
    EXPECT_EQ(ctrl->GetRowCount(), 12);
}

TEST_F(PlaylistEditTest, DragsThatMoveNothing)
{
    StartWith(6);
    Select({ 2 });
    EXPECT_FALSE(ctrl->BeginRowDrag(2, 0, 5, 40)); // over the "Player" column
    EXPECT_FALSE(ctrl->IsDragging());

    ASSERT_TRUE(ctrl->BeginRowDrag(2, 2, 40, 40));
    ctrl->DragOver(-1); // never over a row
    ctrl->EndRowDrag();
    EXPECT_EQ(Names(), (Names_t { "0.mp3", "1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3" }));

    ctrl->MoveItem(9, 1, true);
    ctrl->MoveItem(1, -1, true);
    ctrl->MoveItem(1, 1, true);
    ctrl->MoveItem(0, 99, true); // beyond the end: moved to the end
    EXPECT_EQ(Names(), (Names_t { "1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3", "0.mp3" }));
}

TEST_F(PlaylistEditTest, TooltipShowsTitleAndLengthCutTo79Characters)
{
    Start();
    ASSERT_TRUE(ctrl->AddEntry(media.Make("intro.mp3"), -1, "Intro", " 0:01:30"));
    ASSERT_TRUE(ctrl->AddEntry(media.Make("still.jpg"), -1, {}, {}));
    ASSERT_TRUE(ctrl->AddEntry(media.Make("long.mp3"), -1, std::string(100, 'x'), " 0:00:02"));
    EXPECT_EQ(ctrl->GetToolTipText(0), "Intro     0:01:30");
    EXPECT_EQ(ctrl->GetToolTipText(1), "still.jpg    0:00:00");
    EXPECT_EQ(ctrl->GetToolTipText(2), std::string(79, 'x'));
    EXPECT_EQ(ctrl->GetToolTipText(-1), "");
    EXPECT_EQ(ctrl->GetToolTipText(3), "");
}

TEST_F(PlaylistEditTest, NothingHappensBeforeInit)
{
    CPlaylistCtrl bare(Services(), std::make_unique<FakeProber>(script));
    TempFolder tree;
    tree.Make("a.mp3");
    bare.AddFolder(tree.Path(), -1);
    bare.DropFiles({ tree.File("a.mp3") }, -1);
    bare.SelectAll();
    EXPECT_EQ(bare.GetRowCount(), 0);
    EXPECT_FALSE(bare.BeginRowDrag(0, 1, 0, 0));
}

} // namespace
