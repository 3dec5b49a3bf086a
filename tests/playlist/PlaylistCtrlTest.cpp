#include "core/Log.h"
#include "support/LogCapture.h"

#include "PlaylistFixture.h"

using PlaylistCtrlTest = PlaylistFixture;

TEST_F(PlaylistCtrlTest, NothingWorksBeforeInit)
{
    CPlaylistCtrl bare(Services(), std::make_unique<FakeProber>(script));
    EXPECT_FALSE(bare.AddEntry(media.Make("a.mp3"), -1, "A", " 0:00:01"));
    EXPECT_EQ(bare.GetTrackCount(), -1);
    EXPECT_EQ(bare.GetCurrentTrack(), -1);
    bare.OnDestroy();
    EXPECT_FALSE(QFile::exists(QStringLiteral("LastPLS.dat")));
}

TEST_F(PlaylistCtrlTest, AddEntryRejectsUnknownTypesAndMissingFiles)
{
    LogCapture log;
    Start();
    EXPECT_FALSE(ctrl->AddEntry(media.Make("archive.tar"), -1, {}, {}));
    EXPECT_FALSE(ctrl->AddEntry(media.Make("README"), -1, {}, {}));
    EXPECT_FALSE(ctrl->AddEntry(media.File("gone.mp3"), -1, {}, {}));
    EXPECT_FALSE(ctrl->AddEntry(media.Make("x.mp3") + std::string("\0.mp3", 5), -1, {}, {}));
    EXPECT_EQ(ctrl->GetTrackCount(), 0);
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        (std::vector<std::string> { "CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!",
            "CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!",
            "CPlaylistCtrl::AddEntry() : File or path not found!",
            "CPlaylistCtrl::AddEntry() : File or path not found!" }));
    EXPECT_EQ(ctrl->GetNextId(), 1);
}

TEST_F(PlaylistCtrlTest, AddEntryProbesOnlyWhatItMust)
{
    const std::string known = media.Make("known.MPG");
    const std::string broken = media.Make("broken.avi");
    script->media[known] = { "Known Title", 3723000 };
    Start();

    ASSERT_TRUE(ctrl->AddEntry(known, -1, {}, {}));
    ASSERT_TRUE(ctrl->AddEntry(broken, -1, "Given", "0:00:00")); // "0:00:00" means unknown
    ASSERT_TRUE(ctrl->AddEntry(media.Make("photo.jpeg"), -1, {}, {})); // still image: never opened
    ASSERT_TRUE(ctrl->AddEntry(media.Make("zero.mp3"), -1, "Zero", " 0:00:00"));
    ASSERT_TRUE(ctrl->AddEntry(media.Make("sub.mp3"), -1, "Sub", " 0:00:05"));

    EXPECT_EQ(script->calls, (std::vector<std::string> { "Probe " + known, "Probe " + broken }));
    auto row = [&](int i) {
        const auto* r = ctrl->GetRow(i);
        return std::vector<std::string> { r->m_Nr, r->m_Name, r->m_Time };
    };
    // The file name until the answer comes.
    EXPECT_EQ(row(0), (std::vector<std::string> { "1.", "known.MPG", "0:00:00" }));
    EXPECT_EQ(ctrl->GetPendingProbes(), 2);
    LogCapture log;
    EXPECT_EQ(prober->Answer(), 2);
    EXPECT_EQ(ctrl->GetPendingProbes(), 0);
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        std::vector<std::string> {
            "The medium cannot be played: broken.avi | OpenMedia(): RenderFile() failed" });
    EXPECT_EQ(row(0), (std::vector<std::string> { "1.", "Known Title", " 1:02:03" }));
    EXPECT_EQ(row(1), (std::vector<std::string> { "2.", "broken.avi", "0:00:00" }));
    EXPECT_EQ(row(2), (std::vector<std::string> { "3.", "photo.jpeg", "0:00:00" }));
    EXPECT_EQ(row(3), (std::vector<std::string> { "4.", "Zero", " 0:00:00" }));
    EXPECT_EQ(row(4), (std::vector<std::string> { "5.", "Sub", " 0:00:05" }));
    EXPECT_EQ(ctrl->GetEntries().back()->m_Id, 5);
    EXPECT_EQ(ctrl->GetRowIcon(0), CPlaylistCtrl::ICON_NONE);
}

TEST_F(PlaylistCtrlTest, InsertingAtOnePositionStacksAndRenumbers)
{
    StartWith(2);
    const std::string x = media.Make("x.mp3"), y = media.Make("y.mp3");
    ASSERT_TRUE(ctrl->AddEntry(x, 1, "X", " 0:00:01"));
    ASSERT_TRUE(ctrl->AddEntry(y, 1, "Y", " 0:00:01"));
    ASSERT_TRUE(ctrl->AddEntry(media.Make("z.mp3"), 99, "Z", " 0:00:01")); // beyond the end appends
    EXPECT_EQ(Paths(),
        (std::vector<std::string> { media.File("0.mp3"), y, x, media.File("1.mp3"), media.File("z.mp3") }));
    for (int i = 0; i < ctrl->GetRowCount(); ++i)
        EXPECT_EQ(ctrl->GetRow(i)->m_Nr, std::to_string(i + 1) + ".");
    // Insertion order is kept apart from the row order.
    EXPECT_EQ(ctrl->GetEntries()[2]->m_Path, x);
    EXPECT_EQ(ctrl->GetEntries()[3]->m_Path, y);
}

TEST_F(PlaylistCtrlTest, EndOfListWithAndWithoutLoop)
{
    StartWith(3);
    ctrl->NextTrack(); // no current track yet
    EXPECT_TRUE(owner.messages.empty());

    ctrl->OnDoubleClick(2);
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(1) }));
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(2)->m_Id);
    owner.messages.clear();

    ctrl->NextTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 2);
    EXPECT_TRUE(owner.messages.empty());

    ctrl->ToggleLoopList();
    ctrl->NextTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 0);
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(0)->m_Id);
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
    EXPECT_EQ(ctrl->GetCurrentPath(), media.File("0.mp3"));
}

TEST_F(PlaylistCtrlTest, PrevTrackAtRowZero)
{
    StartWith(3);
    ctrl->OnDoubleClick(0);
    owner.messages.clear();
    ctrl->PrevTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 0);
    EXPECT_TRUE(owner.messages.empty());

    ctrl->ToggleLoopList();
    ctrl->PrevTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 2);
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(2)->m_Id);
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
}

TEST_F(PlaylistCtrlTest, NextTrackAfterThePlayingRowWasRemoved)
{
    StartWith(5);
    ctrl->OnDoubleClick(2);
    ASSERT_TRUE(ctrl->RemoveRow(2));
    EXPECT_EQ(ctrl->GetMarkedItem(), -1);
    EXPECT_EQ(ctrl->GetCurrentTrack(), 2);
    owner.messages.clear();
    ctrl->NextTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 2);
    EXPECT_EQ(ctrl->GetCurrentPath(), media.File("3.mp3"));
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
    EXPECT_EQ(ctrl->GetRow(3)->m_Nr, "4.");
}

TEST_F(PlaylistCtrlTest, RemovedLastPlayingRow)
{
    StartWith(3);
    ctrl->OnDoubleClick(2);
    ASSERT_TRUE(ctrl->RemoveRow(2));
    owner.messages.clear();
    ctrl->NextTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 1);
    EXPECT_TRUE(owner.messages.empty());

    ctrl->OnDoubleClick(1);
    ASSERT_TRUE(ctrl->RemoveRow(1));
    ctrl->ToggleLoopList();
    owner.messages.clear();
    ctrl->NextTrack();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 0);
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
}

TEST_F(PlaylistCtrlTest, DoubleClickBesideTheRowsDoesNothing)
{
    StartWith(2);
    ctrl->OnDoubleClick(-1);
    ctrl->OnDoubleClick(2);
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_EQ(ctrl->GetCurrentTrack(), -1);
    ctrl->SetMarkedItem(5);
    EXPECT_EQ(ctrl->GetMarkedItem(), -1);
}

TEST_F(PlaylistCtrlTest, PlayerEntriesIconsAndDuplicatePaths)
{
    LogCapture log;
    StartWith(3);
    const std::string dup = media.File("1.mp3");
    ASSERT_TRUE(ctrl->AddEntry(dup, 0, "Again", " 0:00:10")); // same path, added later, shown first
    EXPECT_EQ(ctrl->GetPlayListIndx(dup), 2);

    ctrl->SetPlayerEntry(dup, 0, "Real Title", 125000);
    EXPECT_EQ(ctrl->GetRowIcon(2), CPlaylistCtrl::ICON_PLAYER_A);
    EXPECT_EQ(ctrl->GetRowIcon(0), CPlaylistCtrl::ICON_NONE);
    EXPECT_EQ(ctrl->GetRow(2)->m_Name, "Real Title");
    EXPECT_EQ(ctrl->GetRow(2)->m_Time, " 0:02:05");
    EXPECT_EQ(ctrl->GetRow(0)->m_Name, "Again");
    EXPECT_EQ(ctrl->FindEntryById(ctrl->GetRow(2)->m_Id)->m_Length, " 0:02:05");

    // An empty title keeps the texts; the same entry in both players shows Player B.
    ctrl->SetPlayerEntry(dup, 1, "", 0);
    EXPECT_EQ(ctrl->GetRowIcon(2), CPlaylistCtrl::ICON_PLAYER_B);
    EXPECT_EQ(ctrl->GetRow(2)->m_Name, "Real Title");
    ctrl->SetPlayerEntry(media.File("0.mp3"), 0, "", 0);
    EXPECT_EQ(ctrl->GetRowIcon(1), CPlaylistCtrl::ICON_PLAYER_A);
    EXPECT_EQ(ctrl->GetRowIcon(2), CPlaylistCtrl::ICON_PLAYER_B);

    ctrl->SetPlayerEntry("/nowhere.mp3", 0, "X", 1000);
    ctrl->SetPlayerEntry(dup, 2, "X", 1000);
    EXPECT_EQ(ctrl->GetPlayerEntry(0), ctrl->GetRow(1)->m_Id);

    EXPECT_EQ(log.CountErrors(), 0);
    EXPECT_EQ(ctrl->GetPlayListIndx("/nowhere.mp3"), -1);
    EXPECT_TRUE(log.Contains("CPlaylistCtrl::GetPlayListIndx(): Item ID not found!", LOG_LEVEL_ERROR));
}

TEST_F(PlaylistCtrlTest, FocusPlayerEntry)
{
    StartWith(3);
    ctrl->SetPlayerEntry(media.File("2.mp3"), 1, "", 0);
    ctrl->FocusPlayerEntry(0); // nothing recorded for Player A
    EXPECT_EQ(ctrl->GetCurrentTrack(), -1);
    ctrl->FocusPlayerEntry(1);
    EXPECT_EQ(ctrl->GetCurrentTrack(), 2);
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(2)->m_Id);
    ctrl->RemoveRow(2);
    ctrl->OnDoubleClick(0);
    ctrl->FocusPlayerEntry(1); // its row is gone
    EXPECT_EQ(ctrl->GetCurrentTrack(), 0);
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(0)->m_Id);
}

TEST_F(PlaylistCtrlTest, SettingsAndLastPlaylistCarryOverToTheNextRun)
{
    prefs.m_bReloadPlaylist = true;
    StartWith(3);
    ctrl->OnDoubleClick(1);
    ctrl->ToggleLoopList();
    ctrl->ToggleAutoSkipTrack();
    ctrl->ToggleLoopSingleTrack();
    ctrl.reset();

    EXPECT_EQ(GetProfileInt("Playlist", "m_CurTrack", 99), 1);
    EXPECT_EQ(GetProfileInt("Playlist", "m_LoopList", 99), 1);
    EXPECT_EQ(GetProfileInt("Playlist", "m_AutoSkipTrack", 99), 0);
    EXPECT_EQ(GetProfileInt("Playlist", "m_bLoopSingleTrack", 99), 1);
    EXPECT_EQ(ReadBytes("LastPLS.dat"),
        "#EXTM3U\r\n#EXTINF:10,T0\r\n" + media.File("0.mp3") + "\r\n#EXTINF:10,T1\r\n" + media.File("1.mp3")
            + "\r\n#EXTINF:10,T2\r\n" + media.File("2.mp3") + "\r\n");

    owner.messages.clear();
    script->calls.clear();
    Start();
    EXPECT_EQ(ctrl->GetTrackCount(), 3);
    EXPECT_EQ(ctrl->GetCurrentTrack(), 1);
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(1)->m_Id);
    EXPECT_TRUE(ctrl->GetLoopList());
    EXPECT_FALSE(ctrl->GetAutoSkipTrack());
    EXPECT_TRUE(ctrl->GetLoopSingleTrack());
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
    EXPECT_TRUE(script->calls.empty()); // titles and lengths came from the file
    EXPECT_TRUE(GetProfileString("Recent File List", "File1").empty());
}

TEST_F(PlaylistCtrlTest, EmptyLastPlaylist)
{
    prefs.m_bReloadPlaylist = true;
    Start();
    ctrl.reset();
    EXPECT_EQ(ReadBytes("LastPLS.dat"), "#EXTM3U\r\n");
    Start();
    EXPECT_EQ(ctrl->GetTrackCount(), 0);
    EXPECT_EQ(ctrl->GetCurrentTrack(), -1);
    EXPECT_EQ(ctrl->GetCurrentPath(), "");
}

TEST_F(PlaylistCtrlTest, AutoloadPlaylistAtStartUp)
{
    const std::string list = media.Make("auto.m3u",
        "#EXTINF:5,A\r\n" + media.Make("a.mp3") + "\r\n#EXTINF:5,B\r\n" + media.Make("b.mp3") + "\r\n");
    WriteProfileInt("Playlist", "m_CurTrack", 1);
    prefs.m_AutoPlaylist = list;
    prefs.m_bAutoPlayTrack = true;
    Start();
    EXPECT_EQ(ctrl->GetTrackCount(), 2);
    EXPECT_EQ(ctrl->GetCurrentTrack(), 0);
    EXPECT_EQ(ctrl->GetMarkedItem(), ctrl->GetRow(0)->m_Id);
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(1) }));
    EXPECT_EQ(ctrl->GetDocumentTitle(), "auto.m3u");

    ctrl.reset();
    prefs.m_bAutoPlayTrack = false;
    owner.messages.clear();
    Start();
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
}

TEST_F(PlaylistCtrlTest, PlainStartUpRestoresOnlyTheTrackNumber)
{
    WriteProfileInt("Playlist", "m_CurTrack", 4);
    WriteProfileString("Playlist", "m_LoopList", "garbage");
    Start();
    EXPECT_EQ(ctrl->GetCurrentTrack(), 4);
    EXPECT_FALSE(ctrl->GetLoopList());
    EXPECT_TRUE(ctrl->GetAutoSkipTrack());
    EXPECT_EQ(ctrl->GetMarkedItem(), -1);
    EXPECT_EQ(owner.messages, (std::vector<RecordingTarget::Message> { Load(0) }));
}
