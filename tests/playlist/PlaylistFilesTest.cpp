#include "core/Log.h"
#include "core/StallMonitor.h"
#include "playlist/RecentFileList.h"
#include "support/LogCapture.h"
#include "support/ScriptedUi.h"
#include "support/StallFs.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>

#include "PlaylistFixture.h"

#include <unistd.h>

using PlaylistFilesTest = PlaylistFixture;

TEST_F(PlaylistFilesTest, OpenThroughTheDialog)
{
    Start(&ui);
    const std::string a = media.Make("a.mp3");
    const std::string list = media.Make("show.m3u", "#EXTM3U\r\n#EXTINF:125,Song\r\n" + a + "\r\n");
    ui.answers = { list };
    EXPECT_EQ(ctrl->OpenPlaylist({}), list);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, "open");
    EXPECT_EQ(ui.dialogs[0].filter,
        "PLS or M3U Playlist|*.m3u;*.pls|M3U Playlist|*.m3u|PLS Playlist|*.pls|All files (*.*)|*.*||");
    EXPECT_EQ(ui.dialogs[0].defaultExt, "m3u");
    ASSERT_EQ(ctrl->GetTrackCount(), 1);
    EXPECT_EQ(ctrl->GetRow(0)->m_Name, "Song");
    EXPECT_EQ(ctrl->GetRow(0)->m_Time, " 0:02:05");
    EXPECT_TRUE(script->calls.empty());
    EXPECT_EQ(ctrl->GetDocumentTitle(), "show.m3u");
    EXPECT_EQ(GetRecentFileList(), std::vector<std::string> { list });
    EXPECT_GE(ui.busyBegun, 1);
    EXPECT_EQ(ui.busyBegun, ui.busyEnded);

    // Cancelled: nothing changes.
    EXPECT_EQ(ctrl->OpenPlaylist({}), "");
    EXPECT_EQ(ctrl->GetTrackCount(), 1);
}

TEST_F(PlaylistFilesTest, OpenReplacesTheListButOnlyWhenTheFileCanBeRead)
{
    LogCapture log;
    StartWith(2);
    EXPECT_EQ(ctrl->OpenPlaylist(media.Make("notes.txt")), "");
    EXPECT_TRUE(
        log.Contains("CPlaylistCtrl::OpenPlaylist(): Playlist format not supported!", LOG_LEVEL_ERROR));
    EXPECT_EQ(ctrl->OpenPlaylist(media.File("missing.m3u")), "");
    EXPECT_EQ(ctrl->GetTrackCount(), 2);

    ctrl->OnDoubleClick(1);
    const std::string list = media.Make(
        "one.pls", "[playlist]\r\nFile1=" + media.Make("new.mp3") + "\r\nTitle1=N\r\nLength1=3\r\n");
    EXPECT_EQ(ctrl->OpenPlaylist(list), list);
    EXPECT_EQ(Paths(), std::vector<std::string> { media.File("new.mp3") });
    EXPECT_EQ(ctrl->GetCurrentTrack(), 1); // opening leaves the track number to the caller
    EXPECT_EQ(ctrl->GetMarkedItem(), -1);
}

TEST_F(PlaylistFilesTest, RelativePathsResolveAgainstThePlaylistFolder)
{
    LogCapture log;
    Start();
    const std::string clip = media.Make("sub/clip.avi");
    const std::string abs = media.Make("abs.wav");
    ctrl->AddPlayList(media.Make("lists.m3u",
                          "#EXTINF:1,C\r\nsub/clip.avi\r\n#EXTINF:1,A\r\n" + abs
                              + "\r\n#EXTINF:1,W\r\nC:\\media\\w.mp3\r\n#EXTINF:1,X\r\n"
                                "sub\\clip.avi\r\n"),
        -1);
    EXPECT_EQ(Paths(), (std::vector<std::string> { clip, abs }));
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        (std::vector<std::string> { "CPlaylistCtrl::AddEntry() : File or path not found!",
            "CPlaylistCtrl::AddEntry() : File or path not found!" }));
}

// Rows whose files lie on a share that hangs: loading neither waits for them
// nor loses them; an answer that comes late removes a row whose file is gone.
TEST_F(PlaylistFilesTest, RowsOnAShareThatHangsAreLoadedWithoutWaitingAndCheckedWhenItAnswers)
{
    LogCapture log;
    Start();
    TempFolder remote;
    remote.Make("kept.avi", "x");
    const std::string gone = remote.Make("gone.avi", "x");
    StallFs share;
    std::string why;
    if (!share.Mount(remote.Path(), std::chrono::seconds(15), why))
        GTEST_SKIP() << why;
    const std::string local = media.Make("local.wav");
    const std::string list = media.Make("share.m3u",
        "#EXTINF:1,L\n" + local + "\n#EXTINF:1,K\n" + share.Path("kept.avi") + "\n#EXTINF:1,G\n"
            + share.Path("gone.avi") + "\n#EXTINF:1,M\n" + media.File("missing.wav") + "\n");
    const int64_t bound = StallFs::MeasuredBoundMs();
    share.Stall(true);
    std::FILE* stalls = std::tmpfile();
    ASSERT_NE(stalls, nullptr);
    {
        CStallMonitor monitor(static_cast<int>(StallFs::InterfaceBoundMs()), stalls);
        QElapsedTimer held;
        held.start();
        ctrl->AddPlayList(list, -1);
        const qint64 elapsed = held.elapsed();
        WaitFor([] { return false; }, 100); // lets the monitor see the loop again
        RecordProperty("loadMs", static_cast<int>(elapsed));
        RecordProperty("worstStallMs", static_cast<int>(monitor.GetWorstMs()));
        EXPECT_LE(monitor.GetWorstMs(), bound) << "loading took " << elapsed << " ms";
    }
    std::fclose(stalls);
    // In order; those after the first that hangs unchecked, with no error before their answer.
    const std::string missing = media.File("missing.wav");
    EXPECT_EQ(Paths(),
        (std::vector<std::string> { local, share.Path("kept.avi"), share.Path("gone.avi"), missing }));
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR).size(), 0u);
    EXPECT_TRUE(
        log.Contains("CPlaylistCtrl::AddEntries(): the file system has not answered for 3 of 4 entries"));

    // The share answers: the row whose file went meanwhile goes, as at loading.
    QFile::remove(QString::fromStdString(gone));
    share.Stall(false);
    ASSERT_TRUE(WaitFor([&] { return ctrl->GetRowCount() == 2; }, 30000)) << log.Dump();
    EXPECT_EQ(Paths(), (std::vector<std::string> { local, share.Path("kept.avi") }));
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        (std::vector<std::string> { "CPlaylistCtrl::AddEntry() : File or path not found!",
            "CPlaylistCtrl::AddEntry() : File or path not found!" }));
}

TEST_F(PlaylistFilesTest, AddPlayListProbesRecordsWithoutTitleOrLength)
{
    LogCapture log;
    Start();
    const std::string a = media.Make("a.ogg"), b = media.Make("b.ogg");
    script->media[b] = { "Probed", 61000 };
    const std::string list = media.Make("mixed.pls",
        "[playlist]\nFile1=a.ogg\nTitle1=Given\nLength1=0\nFile2=b.ogg\n"
        "File3=c.xyz\n");
    ctrl->AddPlayList(list, -1);
    ASSERT_EQ(ctrl->GetTrackCount(), 3); // the unknown type is kept, not probed
    EXPECT_EQ(ctrl->GetRow(2)->m_Name, std::string(CPlaylistCtrl::kUnknownTypeMark) + "c.xyz");
    EXPECT_EQ(ctrl->GetRow(0)->m_Time, " 0:00:00"); // title with zero length: taken as it is
    EXPECT_EQ(script->calls, (std::vector<std::string> { "Probe " + b }));
    EXPECT_EQ(prober->Answer(b), 1);
    EXPECT_EQ(ctrl->GetRow(1)->m_Name, "Probed");
    EXPECT_EQ(ctrl->GetRow(1)->m_Time, " 0:01:01");

    ctrl->AddPlayList(media.Make("x.m3u8", "a.ogg\n"), -1);
    EXPECT_TRUE(
        log.Contains("CPlaylistCtrl::AddPlayList(): Playlist format not supported!", LOG_LEVEL_ERROR));

    // Inserting at a position puts the records there in reverse order.
    ctrl->AddPlayList(media.Make("two.m3u", "#EXTINF:1,1\na.ogg\n#EXTINF:1,2\nb.ogg\n"), 0);
    EXPECT_EQ(Paths(), (std::vector<std::string> { b, a, a, b, media.File("c.xyz") }));
}

TEST_F(PlaylistFilesTest, SaveThroughTheDialogChoosesTheFormatByExtension)
{
    LogCapture log;
    Start(&ui);
    EXPECT_FALSE(ctrl->SavePlaylist({}));
    EXPECT_TRUE(log.Contains("CPlaylistCtrl::SavePlaylist(): No entries in playlist!", LOG_LEVEL_ERROR));
    EXPECT_TRUE(ui.dialogs.empty());

    const std::string a = media.Make("a.mp3"), b = media.Make("b.mp3");
    ASSERT_TRUE(ctrl->AddEntry(a, -1, "Song", " 0:02:05"));
    ASSERT_TRUE(ctrl->AddEntry(b, -1, "Other", " 0:00:00"));

    ui.answers = { media.File("out.txt"), media.File("out.pls"), media.File("out.M3U") };
    EXPECT_FALSE(ctrl->SavePlaylist({}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(media.File("out.txt"))));
    EXPECT_TRUE(ctrl->SavePlaylist({}));
    EXPECT_EQ(ReadBytes(media.File("out.pls")),
        "[playlist]\r\nFile1=" + a + "\r\nTitle1=Song\r\nLength1=125\r\nFile2=" + b
            + "\r\nNumberOfEntries=2\r\nVersion=2\r\n");
    EXPECT_TRUE(ctrl->SavePlaylist({}));
    EXPECT_EQ(ReadBytes(media.File("out.M3U")), "#EXTM3U\r\n#EXTINF:125,Song\r\n" + a + "\r\n" + b + "\r\n");
    EXPECT_EQ(ui.dialogs.back().filter, "M3U Playlist|*.m3u|PLS Playlist|*.pls||");
    EXPECT_EQ(
        GetRecentFileList(), (std::vector<std::string> { media.File("out.M3U"), media.File("out.pls") }));

    // A path given is always written as M3U.
    EXPECT_TRUE(ctrl->SavePlaylist(media.File("given.pls")));
    EXPECT_EQ(ReadBytes(media.File("given.pls")).substr(0, 9), "#EXTM3U\r\n");
}

TEST_F(PlaylistFilesTest, FailedSaveIsNotOfferedInTheRecentList)
{
    StartWith(1, &ui);
    EXPECT_FALSE(ctrl->SavePlaylist("/nonexistent-folder/show.m3u"));
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(GetRecentFileList().empty());
}

TEST_F(PlaylistFilesTest, RecentListKeepsFourNewestFirst)
{
    for (const char* name : { "/l/1.m3u", "/l/2.m3u", "/l/3.m3u", "/l/4.m3u", "/l/5.m3u", "/l/3.m3u" })
        AddToRecentFileList(name);
    EXPECT_EQ(
        GetRecentFileList(), (std::vector<std::string> { "/l/3.m3u", "/l/5.m3u", "/l/4.m3u", "/l/2.m3u" }));
}

TEST_F(PlaylistFilesTest, BinaryAndOddlyNamedPlaylistsLoadWithoutHarm)
{
    LogCapture log;
    Start();
    std::string junk;
    for (int i = 0; i < 200000; ++i)
        junk.push_back(static_cast<char>((i * 7919) % 256));
    ctrl->AddPlayList(media.Make("junk.m3u", junk), -1);
    ctrl->AddPlayList(media.Make("junk.pls", junk), -1);
    const std::string odd = media.Make("caf\xe9\xff.mp3");
    ctrl->AddPlayList(media.Make("n\xe4me.m3u", "#EXTINF:2,\xe9t\xe9\n" + odd + "\n"), -1);
    ASSERT_EQ(ctrl->GetTrackCount(), 1);
    EXPECT_EQ(ctrl->GetPathAt(0), odd);
    EXPECT_EQ(ctrl->GetRow(0)->m_Name, "\xe9t\xe9");
    EXPECT_TRUE(ctrl->SavePlaylist(media.File("\xfe.m3u")));
    EXPECT_EQ(ReadBytes(media.File("\xfe.m3u")), "#EXTM3U\r\n#EXTINF:2,\xe9t\xe9\r\n" + odd + "\r\n");
    // Qt cannot name these files, so its temporary folder could not remove them.
    for (const std::string& name : { media.File("\xfe.m3u"), odd, media.File("n\xe4me.m3u") })
        ::unlink(name.c_str());
}

TEST_F(PlaylistFilesTest, ASaveBeforeTheProbesAnswerWritesWhatIsKnownAndTheNextSaveTheRest)
{
    Start();
    const std::string a = media.Make("a.ogg"), b = media.Make("b.ogg");
    script->media[a] = { "Alpha", 2000 };
    script->media[b] = { "Beta", 3000 };
    ASSERT_TRUE(ctrl->AddEntry(a, -1, {}, {}));
    ASSERT_TRUE(ctrl->AddEntry(b, -1, {}, {}));
    ASSERT_EQ(prober->Answer(b), 1);

    const std::string file = media.File("show.m3u");
    ASSERT_TRUE(ctrl->SavePlaylist(file));
    EXPECT_EQ(ReadBytes(file), "#EXTM3U\r\n" + a + "\r\n#EXTINF:3,Beta\r\n" + b + "\r\n");

    ASSERT_EQ(prober->Answer(a), 1);
    ASSERT_TRUE(ctrl->SavePlaylist(file));
    EXPECT_EQ(ReadBytes(file), "#EXTM3U\r\n#EXTINF:2,Alpha\r\n" + a + "\r\n#EXTINF:3,Beta\r\n" + b + "\r\n");
}

TEST_F(PlaylistFilesTest, StreamAddressesAreKeptAsWrittenNeverProbedAndRestoredByteForByte)
{
    LogCapture log;
    prefs.m_bReloadPlaylist = true;
    Start();
    const std::string a = media.Make("a.ogg");
    const std::vector<std::string> urls = { "http://10.0.0.9:8000/show.ogg",
        "HTTPS://cdn.example/live?k=a=b&x=1", "rtsp://cam.local:8554/stream",
        "srt://10.0.0.9:7001?mode=caller", "udp://@239.0.0.1:5004", "udp://0.0.0.0:5004#main" };
    std::string body = "#EXTM3U\r\n";
    for (const std::string& url : urls)
        body += url + "\r\n";
    body += "a.ogg\r\nftp://host/b.mp3\r\n";
    ctrl->AddPlayList(media.Make("streams.m3u", body), -1);

    std::vector<std::string> expected = urls;
    expected.push_back(a);
    EXPECT_EQ(Paths(), expected); // written as they were, not put under the playlist's folder
    for (int i = 0; i < static_cast<int>(urls.size()); ++i) {
        EXPECT_EQ(ctrl->GetRow(i)->m_Name, urls[static_cast<std::size_t>(i)]);
        EXPECT_EQ(ctrl->GetRow(i)->m_Time, "0:00:00");
    }
    EXPECT_EQ(script->calls, std::vector<std::string> { "Probe " + a }); // only the file
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        std::vector<std::string> {
            "CPlaylistCtrl::AddEntry() : File or path not found!" }); // ftp is no stream

    // A PLS value ends at '=' except a stream's query.
    ctrl->AddPlayList(media.Make("q.pls", "[playlist]\r\nFile1=" + urls[1] + "\r\n"), -1);
    EXPECT_EQ(ctrl->GetPathAt(ctrl->GetRowCount() - 1), urls[1]);
    ASSERT_TRUE(ctrl->RemoveRow(ctrl->GetRowCount() - 1));

    // LastPLS.dat at the end of the run, and again after the next run restored it.
    const std::string saved = "#EXTM3U\r\n" + body.substr(9, body.find("a.ogg") - 9) + a + "\r\n";
    ctrl.reset();
    EXPECT_EQ(ReadBytes("LastPLS.dat"), saved);
    script->calls.clear();
    Start();
    EXPECT_EQ(Paths(), expected);
    EXPECT_EQ(script->calls, std::vector<std::string> { "Probe " + a });
    ctrl.reset();
    EXPECT_EQ(ReadBytes("LastPLS.dat"), saved);
}

// A last-run playlist from a newer player, or with a file type this one does not
// know, must not lose rows at the next exit.
TEST_F(PlaylistFilesTest, RowsOfUnknownTypeAreKeptMarkedAndSavedBackUnchanged)
{
    LogCapture log;
    Start();
    const std::string ogg = media.Make("clip.ogg"), mkv = media.Make("clip.mkv"),
                      mov = media.Make("clip.mov");
    const std::string webm = media.Make("clip.webm"), odd = media.Make("clip.xyz");
    const std::string text = "#EXTM3U\r\n#EXTINF:5,Ogg\r\n" + ogg + "\r\n#EXTINF:5,Mkv\r\n" + mkv
        + "\r\n#EXTINF:5,Mov\r\n" + mov + "\r\n#EXTINF:5,Webm\r\n" + webm + "\r\n#EXTINF:7,Odd\r\n" + odd
        + "\r\n" + media.File("gone.xyz") + "\r\n";
    const std::string list = media.Make("LastPLS.dat", text);
    EXPECT_EQ(ctrl->OpenPlaylist(list), list);
    ASSERT_EQ(ctrl->GetTrackCount(), 6);
    EXPECT_EQ(ctrl->GetRow(2)->m_Name, "Mov");
    EXPECT_EQ(ctrl->GetRow(4)->m_Name, std::string(CPlaylistCtrl::kUnknownTypeMark) + "Odd");
    EXPECT_EQ(ctrl->GetRow(4)->m_Time, " 0:00:07");
    EXPECT_EQ(ctrl->GetRow(5)->m_Name, std::string(CPlaylistCtrl::kUnknownTypeMark) + "gone.xyz");
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        (std::vector<std::string> { "CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!",
            "CPlaylistCtrl::AddEntry() : Filetype unknown or not supported!" }));
    EXPECT_TRUE(
        log.Contains("CPlaylistCtrl: kept " + odd + " as it was: not a known media type.", LOG_LEVEL_INFO))
        << log.Dump();
    EXPECT_TRUE(script->calls.empty()); // nothing probed

    ::unlink(list.c_str());
    ASSERT_TRUE(ctrl->SavePlaylist(list));
    EXPECT_EQ(ReadBytes(list), text);

    // Added by hand, a file of unknown type is still refused.
    EXPECT_FALSE(ctrl->AddEntry(media.Make("notes.xyz"), -1, {}, {}));
    EXPECT_EQ(ctrl->GetTrackCount(), 6);
}
