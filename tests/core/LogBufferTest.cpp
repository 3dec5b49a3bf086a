#include "core/LogBuffer.h"
#include "core/Log.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

TEST(LogBuffer, RingKeepsTheNewestCompletedLines)
{
    LogCapture log;
    for (int i = 1; i <= 501; ++i)
        LogMessage("message %d\n", i);

    const auto texts = log.Texts();
    ASSERT_EQ(texts.size(), 499u);
    EXPECT_EQ(texts.front(), "message 3");
    EXPECT_EQ(texts.back(), "message 501");
    EXPECT_TRUE(log.Buffer().GetLine(0).text.empty()) << "current line must be empty";
}

TEST(LogBuffer, LineFeedsAndCarriageReturns)
{
    CLogBuffer buffer("t", 10, 256);
    buffer.Write(1, "a\n\nb\r\n");
    // Position 0 is the current line; 1.. are completed lines oldest first.
    std::vector<std::string> lines;
    for (int i = 1; i < 10; ++i)
        lines.push_back(buffer.GetLine(i).text);
    EXPECT_EQ(lines[6], "a");
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[8], "b");
    EXPECT_EQ(buffer.GetLine(8).level, 0) << "an empty line keeps level 0";
    EXPECT_EQ(buffer.GetLine(9).level, 1);
}

TEST(LogBuffer, UnfinishedMessageContinuesTheCurrentLine)
{
    CLogBuffer buffer("t", 4, 256);
    buffer.Write(1, "first ");
    buffer.Write(2, "second");
    EXPECT_EQ(buffer.GetLine(0).text, "first second");
    EXPECT_EQ(buffer.GetLine(0).level, 2);
    buffer.Write(2, "\n");
    EXPECT_EQ(buffer.GetLine(3).text, "first second");
    EXPECT_TRUE(buffer.GetLine(0).text.empty());
}

TEST(LogBuffer, WordsWrapAtTheLineWidth)
{
    CLogBuffer buffer("t", 8, 16); // 15 characters per line
    buffer.Write(1, "aaaaa bbbbb ccccc\n");
    // "aaaaa bbbbb " is 12; adding "ccccc" (5) plus 1 exceeds 15, so it wraps.
    EXPECT_EQ(buffer.GetLine(6).text, "aaaaa bbbbb ");
    EXPECT_EQ(buffer.GetLine(7).text, "ccccc");
}

TEST(LogBuffer, LongWordIsSplitAtTheLineWidth)
{
    CLogBuffer buffer("t", 8, 6); // 5 characters per line
    buffer.Write(1, "abcdefghijkl\n");
    EXPECT_EQ(buffer.GetLine(0).text, "");
    // Each full line starts a new one at once, so "abcde" and "fghij" are followed by "kl".
    EXPECT_EQ(buffer.GetLine(5).text, "abcde");
    EXPECT_EQ(buffer.GetLine(6).text, "fghij");
    EXPECT_EQ(buffer.GetLine(7).text, "kl");
}

TEST(LogBuffer, TextIsCutTo255Characters)
{
    CLogBuffer buffer("t", 8, 256);
    const std::string longText(400, 'x');
    buffer.Write(1, longText.c_str());
    size_t total = 0;
    for (int i = 0; i < 8; ++i)
        total += buffer.GetLine(i).text.size();
    EXPECT_EQ(total, 255u);
}

TEST(LogBuffer, WidthIsCappedAndChangedFlagTracksWrites)
{
    CLogBuffer buffer("t", 3, 9999);
    EXPECT_EQ(buffer.GetLineWidth(), 256);
    EXPECT_TRUE(buffer.TakeChanged()) << "creation clears, and clearing marks changed";
    EXPECT_FALSE(buffer.TakeChanged());
    buffer.Write(1, "x");
    EXPECT_TRUE(buffer.TakeChanged());
}

TEST(Log, PercentInArgumentsIsStoredLiterally)
{
    LogCapture log;
    LogMessage("%s\n", "100%s done %d %n");
    EXPECT_EQ(log.Texts().back(), "100%s done %d %n");
}

TEST(Log, ErrorsCarryTheErrorLevel)
{
    LogCapture log;
    LogMessage("fine\n");
    LogError("broken %d\n", 7);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].level, LOG_LEVEL_INFO);
    EXPECT_EQ(lines[1].level, LOG_LEVEL_ERROR);
    EXPECT_EQ(lines[1].text, "broken 7");
}

TEST(Log, NothingHappensWithoutABuffer)
{
    LogCapture log;
    CLogBuffer* saved = g_pLogBuffer;
    g_pLogBuffer = nullptr;
    LogMessage("dropped %s\n", "quietly");
    LogError("dropped\n");
    EXPECT_EQ(g_pLogBuffer, nullptr) << "logging must not make a buffer of its own";
    g_pLogBuffer = saved;
    EXPECT_TRUE(log.Lines().empty()) << log.Dump();
}
