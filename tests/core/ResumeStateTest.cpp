#include "core/ResumeState.h"
#include "core/ResumeFile.h"
#include "core/ResumeWriter.h"
#include "support/LogCapture.h"

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
            writer.Submit(state.Serialize());
        }
    } // an unclean end: what was submitted last is on disk
    EXPECT_EQ(CResumeFile(path).Load(), state);

    CResumeWriter writer { CResumeFile(path) };
    writer.Submit(Sample().Serialize());
    writer.Stop(true);
    writer.Submit(Sample().Serialize()); // too late: nothing comes back
    writer.Stop();
    EXPECT_FALSE(CResumeFile(path).Exists());
}

} // namespace
