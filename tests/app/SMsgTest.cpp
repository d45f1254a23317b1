// The warning log: entry text, the stop after 200 warnings, emptying past 10,000 bytes, its whole name, links, and message captions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/SMsg.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "resources/Resources.h"
#include "tests/support/TestSupport.h"

namespace {
std::string ReadText(const std::string& path)
{
    const auto bytes = testsupport::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) {
        ++n;
    }
    return n;
}

class SMsgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        platform::headless::Reset();
        platform::ClearResources();
        resources::RegisterStrings();
        platform::UseManualClock(1'700'000'000);  // Tue Nov 14 22:13:20 2023 UTC
        log = dir.file("Tapvox.log");
        SMsg::SetLogPath(log);
    }
    void TearDown() override
    {
        SMsg::SetLogPath("");
        platform::headless::Reset();
        platform::ClearResources();
        platform::UseSystemClock();
    }
    testsupport::TempDir dir;
    std::string log;
};
}

TEST_F(SMsgTest, EntryIsTheTextTwoBlanksAndTheDateAndTime)
{
    SMsg msg(nullptr);
    EXPECT_TRUE(msg.Warning("record"));
    EXPECT_TRUE(msg.Warning("line one\nline two"));
    EXPECT_EQ(ReadText(log), "record  Tue Nov 14 22:13:20 2023\nline one\nline two  Tue Nov 14 22:13:20 2023\n");
}

TEST_F(SMsgTest, The200thWarningEndsTheLogUntilTheNextReset)
{
    SMsg msg(nullptr);
    for (int i = 1; i <= 199; ++i) {
        ASSERT_TRUE(msg.Warning(std::string("w").append(std::to_string(i)).c_str()));
    }
    std::string text = ReadText(log);
    EXPECT_NE(text.find("w199  "), std::string::npos);
    EXPECT_EQ(Count(text, "Maximum warnings reported"), 0);
    EXPECT_FALSE(msg.Warning("w200"));
    EXPECT_FALSE(msg.Warning("w201"));
    msg.LogMessage(3400);
    text = ReadText(log);
    EXPECT_EQ(text.find("w200"), std::string::npos);
    EXPECT_EQ(text.find("w201"), std::string::npos);
    EXPECT_EQ(Count(text, "\r\n\r\nMaximum warnings reported  "), 1);
    EXPECT_EQ(SMsg::WarningCount(), 202);
    SMsg another(nullptr);  // a new message user resets the counter
    EXPECT_TRUE(msg.Warning("after reset"));
    EXPECT_NE(ReadText(log).find("after reset"), std::string::npos);
}

TEST_F(SMsgTest, ALogPastTenThousandBytesIsEmptiedAndOneOfExactlyTenThousandIsAppendedTo)
{
    SMsg msg(nullptr);
    testsupport::WriteAll(log, std::vector<std::uint8_t>(10000, 'x'));
    msg.Warning("kept");
    std::string text = ReadText(log);
    EXPECT_EQ(text.size(), 10000u + std::string("kept  Tue Nov 14 22:13:20 2023\n").size());
    testsupport::WriteAll(log, std::vector<std::uint8_t>(10001, 'x'));
    msg.Warning("fresh");
    EXPECT_EQ(ReadText(log), "fresh  Tue Nov 14 22:13:20 2023\n");
}

TEST_F(SMsgTest, EmptyPathOrUnwritableLogWritesNothingButCounts)
{
    SMsg msg(nullptr);
    SMsg::SetLogPath("");
    EXPECT_TRUE(msg.Warning("nowhere"));
    EXPECT_EQ(SMsg::WarningCount(), 1);
    SMsg::SetLogPath(dir.file("missing-folder/Tapvox.log"));
    EXPECT_TRUE(msg.Warning("dropped"));
    EXPECT_EQ(SMsg::WarningCount(), 2);
}

TEST_F(SMsgTest, ShowMessageUsesTheStringOrDiagnosticWithTheProductCaption)
{
    SMsg msg(nullptr);
    platform::headless::AnswerMessageBox(IDOK);
    EXPECT_EQ(msg.ShowMessage(3400, MB_OK | MB_ICONHAND), IDOK);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(msg.ShowMessage(9999, MB_YESNO), IDYES);
    ::testing::internal::GetCapturedStderr();
    const auto& boxes = platform::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Sample rate out of bounds \n(setwave apply)");
    EXPECT_EQ(boxes[0].caption, "Tapvox");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONHAND);
    EXPECT_EQ(boxes[1].text, "Diagnostic: 9999");
    EXPECT_EQ(boxes[1].caption, "Tapvox");
}

TEST_F(SMsgTest, DefaultLogPathIsInTheCommonApplicationDataFolder)
{
    const std::string data = dir.file("data");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    EXPECT_EQ(SMsg::DefaultLogPath(), data + "/Tapvox/Tapvox.log");
    struct stat st {};
    EXPECT_EQ(stat((data + "/Tapvox").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    unsetenv("XDG_DATA_HOME");
}

// A data folder whose log name passes the 260-character buffer: the entry goes to the
// whole name, never to the name cut at the buffer's end ("…/Tapvox/Tapvox").
TEST_F(SMsgTest, ALogPathLongerThanTheBufferIsKeptWhole)
{
    const std::string data = dir.file("d");
    const std::string deep = data + "/" + std::string(MAX_PATH - 12 - data.size(), 'x');
    ASSERT_LT((deep + "/Tapvox").size(), static_cast<std::size_t>(MAX_PATH));
    ASSERT_GE((deep + "/Tapvox/Tapvox.log").size(), static_cast<std::size_t>(MAX_PATH));
    setenv("XDG_DATA_HOME", deep.c_str(), 1);
    SMsg::SetLogPath(SMsg::DefaultLogPath());
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(SMsg::LogPath(), deep + "/Tapvox/Tapvox.log");
    SMsg msg(nullptr);
    msg.Warning("whole");
    EXPECT_EQ(testsupport::FolderNames(deep + "/Tapvox"), std::vector<std::string>{"Tapvox.log"});
    EXPECT_EQ(ReadText(deep + "/Tapvox/Tapvox.log"), "whole  Tue Nov 14 22:13:20 2023\n");
}

// The log is written in place, never through a link planted at its name.
TEST_F(SMsgTest, ALinkAtTheLogNameIsNotFollowed)
{
    const std::string target = dir.file("elsewhere");
    testsupport::WriteAll(target, {'k', 'e', 'p', 't'});
    ASSERT_EQ(symlink(target.c_str(), log.c_str()), 0);
    SMsg msg(nullptr);
    msg.Warning("entry");
    EXPECT_EQ(ReadText(target), "kept");
    testsupport::WriteAll(target, std::vector<std::uint8_t>(10001, 'x'));
    msg.Warning("entry");
    EXPECT_EQ(testsupport::ReadAll(target).size(), 10001u) << "emptied through the link";
}
