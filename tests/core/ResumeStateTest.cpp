#include "core/ResumeState.h"
#include "core/ResumeFile.h"
#include "core/ResumePosition.h"
#include "core/ResumeWriter.h"
#include "support/LogCapture.h"
#include "support/WaitFor.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

CResumeState Sample()
{
    CResumeState state;
    state.activePlayer = 1;
    state.fullScreen = true;
    state.attempts = 2;
    state.volume = -1200;
    state.muted = true;
    state.stamp = 0x0123456789abcdefull;
    state.players[0] = { "/shows/intro.mp4", 0, 0 };
    state.players[1] = { "/shows/tab\there/new\nline\\back slash ü.avi", 754321, 2 };
    state.rows = { { "/shows/intro.mp4", "Intro", "0:01:00" }, { state.players[1].path, "", "0:00:00" } };
    return state;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(ResumeStateTest, RoundTripsAwkwardPathsAndRefusesAnyCutOrChangedByte)
{
    const CResumeState state = Sample();
    const std::string text = state.Serialize();
    ASSERT_EQ(CResumeState::Parse(text), state);

    // A power loss can leave any prefix; none of them may pass for a state.
    for (size_t length = 0; length < text.size(); ++length)
        EXPECT_FALSE(CResumeState::Parse(std::string_view(text).substr(0, length))) << length;
    for (size_t i = 0; i < text.size(); i += 7) {
        std::string changed = text;
        changed[i] = static_cast<char>(changed[i] ^ 0x20);
        EXPECT_FALSE(CResumeState::Parse(changed)) << i;
    }
    std::string why;
    EXPECT_FALSE(CResumeState::Parse(text + text, &why));
    EXPECT_FALSE(CResumeState::Parse("\n\n\n", &why));
    EXPECT_FALSE(why.empty());
}

TEST(ResumeStateTest, FileKeepsThePreviousStateWhenTheNewOneIsDamaged)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Zuvio.resume")).toStdString();
    const CResumeFile file(path);
    LogCapture log;
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(file.Load());

    CResumeState older = Sample();
    older.players[1].positionMs = 1000;
    const CResumeState newer = Sample();
    ASSERT_TRUE(file.Write(older.Serialize()));
    ASSERT_TRUE(file.Write(newer.Serialize()));
    EXPECT_EQ(file.Load(), newer);

    const std::string text = ReadText(path);
    WriteText(path, text.substr(0, text.size() / 2));
    EXPECT_EQ(file.Load(), older);
    EXPECT_TRUE(log.Contains("is damaged (")) << log.Dump();

    // Power lost between the two renames: only the previous state is there.
    std::filesystem::remove(path);
    EXPECT_EQ(file.Load(), older);

    WriteText(path + ".old", "garbage");
    EXPECT_FALSE(file.Load());
    file.Remove();
    EXPECT_FALSE(file.Exists());
}

TEST(ResumeStateTest, WriterWritesTheNewestStateAndRemovesItOnACleanStop)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Zuvio.resume")).toStdString();
    CResumeState state = Sample();
    {
        CResumeWriter writer { CResumeFile(path) };
        for (uint32_t i = 1; i <= 50; ++i) {
            state.players[1].positionMs = i;
            writer.Submit(state.Serialize(), CResumePosition::From(state));
        }
    } // an unclean end: what was submitted last is on disk
    EXPECT_EQ(CResumeFile(path).Load(), state);

    CResumeWriter writer { CResumeFile(path) };
    writer.Submit(Sample().Serialize(), CResumePosition::From(Sample()));
    writer.Stop(true);
    writer.Submit(Sample().Serialize(), CResumePosition::From(Sample())); // too late: nothing comes back
    writer.Stop();
    EXPECT_FALSE(CResumeFile(path).Exists());
}

// The layout before the position record and the level: such a file is still a show to resume.
TEST(ResumeStateTest, LoadsAStateFileFromBeforeThePositionRecord)
{
    const std::string older = "ZuvioResume 1\nactive=1\nfullscreen=0\nattempts=1\nplayerA=0\t0\t\n"
                              "playerB=2\t754321\t/shows/b.avi\nrow=/shows/a.avi\tIntro\t0:01:00\n"
                              "row=/shows/b.avi\t\t0:00:00\nend=8\t061961de300f282b\n";
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Zuvio.resume")).toStdString();
    WriteText(path, older);
    const std::optional<CResumeState> state = CResumeFile(path).Load();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->activePlayer, 1);
    EXPECT_EQ(state->attempts, 1);
    EXPECT_EQ(state->players[1].path, "/shows/b.avi");
    EXPECT_EQ(state->players[1].positionMs, 754321u);
    EXPECT_EQ(state->players[1].state, 2);
    ASSERT_EQ(state->rows.size(), 2u);
    EXPECT_EQ(state->rows[0].title, "Intro");
    EXPECT_FALSE(state->volume); // the level is left as it is
    EXPECT_EQ(state->stamp, 0u);
}

TEST(ResumeStateTest, RecordFitsItsSlotAndRefusesAnyCutOrChangedByte)
{
    CResumePosition record = CResumePosition::From(Sample());
    record.serial = 18446744073709551615ull;
    record.players[0] = { 4294967295u, 3 };
    const std::string slot = record.Serialize();
    ASSERT_EQ(slot.size(), CResumePosition::kSlotSize);
    EXPECT_EQ(CResumePosition::Parse(slot), record);
    const size_t text = slot.find('\0');
    for (size_t length = 0; length < text; ++length)
        EXPECT_FALSE(CResumePosition::Parse(std::string_view(slot).substr(0, length))) << length;
    for (size_t i = 0; i < text; i += 5) {
        std::string changed = slot;
        changed[i] = static_cast<char>(changed[i] ^ 0x01);
        EXPECT_FALSE(CResumePosition::Parse(changed)) << i;
    }
    record.volume.reset();
    EXPECT_EQ(CResumePosition::Parse(record.Serialize()), record);
}

// The state is written when the playlist changes, the record every second:
// the newest record of that state wins, a torn one falls back to the slot
// before it, and a record of any other state is ignored.
TEST(ResumeStateTest, FileAppliesTheNewestRecordOfItsOwnState)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Zuvio.resume")).toStdString();
    const CResumeFile file(path);
    CResumeState state = Sample();
    ASSERT_TRUE(file.Write(state.Serialize()));
    CResumePosition record = CResumePosition::From(state);
    for (uint32_t second = 1; second <= 3; ++second) {
        record.serial = second;
        record.players[1].positionMs = second * 1000;
        ASSERT_TRUE(file.WriteRecord(record, second == 3));
    }
    EXPECT_EQ(file.LastSerial(), 3u);
    EXPECT_EQ(file.Load()->players[1].positionMs, 3000u);

    // A power loss in the middle of the newest slot.
    const std::string slots = ReadText(file.GetRecordPath());
    std::string torn = slots;
    torn[(3 % 2) * CResumePosition::kSlotSize + 40] ^= 0x10;
    WriteText(file.GetRecordPath(), torn);
    EXPECT_EQ(file.Load()->players[1].positionMs, 2000u);

    // A new state whose record never reached the disk: its own positions stand.
    CResumeState newer = Sample();
    newer.stamp = state.stamp + 1;
    newer.players[1].positionMs = 500;
    ASSERT_TRUE(file.Write(newer.Serialize()));
    EXPECT_EQ(file.Load(), newer);
    file.Remove();
    EXPECT_FALSE(std::filesystem::exists(file.GetRecordPath()));
}

// A fresh install has no settings folder; a folder that cannot be made (here a
// file stands in its way, which even root cannot write through) fails every
// write until it is cleared: logged once, retried, never counted as written.
TEST(ResumeStateTest, WriterMakesTheFolderAndRetriesAFailedWrite)
{
    QTemporaryDir dir;
    LogCapture log;
    const std::string fresh = dir.filePath(QStringLiteral("new/vexo/Zuvio.resume")).toStdString();
    {
        CResumeWriter writer { CResumeFile(fresh) };
        writer.Submit(Sample().Serialize(), CResumePosition::From(Sample()));
    }
    EXPECT_EQ(CResumeFile(fresh).Load(), Sample());

    const std::string blocked = dir.filePath(QStringLiteral("blocked")).toStdString();
    WriteText(blocked, "a file where the folder should be");
    const CResumeFile file(blocked + "/Zuvio.resume");
    CResumeWriter writer { file };
    bool firstTry = true;
    int answers = 0;
    writer.Submit(Sample().Serialize(), CResumePosition::From(Sample()), true, [&](bool written) {
        firstTry = written;
        ++answers;
    });
    ASSERT_TRUE(WaitFor([&] { return writer.GetFailures() >= 2; }, 10000)) << log.Dump();
    EXPECT_FALSE(firstTry);
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(writer.GetWrites(), 0);
    EXPECT_TRUE(log.Contains("Resume: cannot write " + blocked)) << log.Dump();
    EXPECT_FALSE(log.Contains("again"));

    std::filesystem::remove(blocked);
    ASSERT_TRUE(WaitFor([&] { return writer.GetWrites() == 2; }, 10000)) << log.Dump();
    EXPECT_EQ(file.Load(), Sample());
    EXPECT_TRUE(log.Contains("Resume: writing " + file.GetPath() + " again.")) << log.Dump();
    int retrying = 0;
    for (size_t at = 0; (at = log.Dump().find("retrying", at)) != std::string::npos; ++at)
        ++retrying;
    EXPECT_EQ(retrying, 1) << log.Dump();
}

} // namespace
