// The switches and the file argument: the letters as they always were, and
// absolute, relative and too long file names handled as files, whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "app/main/CommandLine.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"
#include "tests/support/TestSupport.h"

namespace {
TCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

bool Missing(const char* path)
{
    struct stat st {};
    return lstat(path, &st) != 0;
}

TEST(CommandLine, LettersAfterADashOrASlashInEitherCase)
{
    EXPECT_TRUE(Parse({"-m"}).MinimiseAtStart);
    ASSERT_TRUE(Missing("/M") && Missing("/x") && Missing("/E") && Missing("/l"));
    EXPECT_TRUE(Parse({"/M"}).MinimiseAtStart);
    const TCommandLine all = Parse({"-d", "/l", "-P", "-r", "-s", "-u"});
    EXPECT_TRUE(all.NoCompression);
    EXPECT_TRUE(all.ListenAtStart);
    EXPECT_TRUE(all.PlayAtStart);
    EXPECT_TRUE(all.RunHidden);
    EXPECT_TRUE(all.SuggestedFormats);
    EXPECT_TRUE(all.Unused);
    // Unknown letters and a lone dash are ignored without a message.
    const TCommandLine ignored = Parse({"/x", "/E", "-", "-9"});
    EXPECT_FALSE(ignored.MinimiseAtStart || ignored.ListenAtStart || ignored.RunHidden);
    EXPECT_EQ(ignored.FileToOpen, "");
    // "--help" is the entry function's (it prints and ends before the switches are read): here it names no file.
    const TCommandLine help = Parse({"--help"});
    EXPECT_EQ(help.FileToOpen, "");
    EXPECT_FALSE(help.MinimiseAtStart || help.ListenAtStart || help.RunHidden);
}

TEST(CommandLine, AbsolutePathsAreFilesNotSwitches)
{
    const TCommandLine home = Parse({"/home/someone/take.wav"});
    EXPECT_EQ(home.FileToOpen, "/home/someone/take.wav");
    const TCommandLine lib = Parse({"/lib/take.wav"});
    EXPECT_FALSE(lib.ListenAtStart) << "'/lib/...' started recording";
    EXPECT_EQ(lib.FileToOpen, "/lib/take.wav");
    const TCommandLine run = Parse({"/run/user/take.wav"});
    EXPECT_FALSE(run.RunHidden);
    const TCommandLine data = Parse({"/data/take.wav"});
    EXPECT_FALSE(data.NoCompression);
    EXPECT_EQ(data.FileToOpen, "/data/take.wav");
    // Two characters that name something on disk are that thing.
    EXPECT_EQ(Parse({"/."}).FileToOpen, "/");
}

TEST(CommandLine, NumbersAreRangeCheckedAndAnOutsideHandleMustBePublished)
{
    EXPECT_EQ(Parse({"-q", "5"}).NoBlockRounding, 5);
    EXPECT_EQ(Parse({"-Q", "-7"}).NoBlockRounding, -7);
    EXPECT_EQ(Parse({"-q"}).NoBlockRounding, 0);
    EXPECT_EQ(Parse({"-q", "99999999999"}).NoBlockRounding, 0) << "past 32 bits";
    EXPECT_EQ(Parse({"-q", "x"}).NoBlockRounding, 0);

    testsupport::TempDir dir;
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    platform::headless::Reset();
    // The value after N is taken as its value even when nothing answers to it.
    const TCommandLine unknown = Parse({"-n", "1A2B", "take.wav"});
    EXPECT_EQ(unknown.NotifyWindow, nullptr);
    EXPECT_NE(unknown.FileToOpen, "");
    EXPECT_EQ(Parse({"-n", "1FFFFFFFF"}).NotifyWindow, nullptr);
    EXPECT_EQ(Parse({"-n"}).NotifyWindow, nullptr);

    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Watcher";
    RegisterClassA(&wc);
    platform::ipc::InstanceLock lock("Watcher");
    const HWND watcher =
        CreateWindowExA(0, "Watcher", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(platform::ipc::PublishWindow(lock, watcher, [](UINT, WPARAM, LPARAM) { return true; }));
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(getpid()));
    const HWND notify = Parse({"/N", hex}).NotifyWindow;
    EXPECT_NE(notify, nullptr);
    EXPECT_TRUE(IsWindow(notify));
    platform::ipc::WithdrawWindow(watcher);
    EXPECT_FALSE(IsWindow(notify)) << "a stale handle";
    platform::headless::Reset();
}

TEST(CommandLine, TheFirstBareArgumentAndTheWValue)
{
    const TCommandLine first = Parse({"/tmp/a.wav", "-w", "/tmp/b.wav"});
    EXPECT_EQ(first.FileToOpen, "/tmp/a.wav");
    EXPECT_EQ(first.WValue, "") << "w takes nothing once a file is named";
    const TCommandLine second = Parse({"-w", "/tmp/b.wav", "/tmp/a.wav"});
    EXPECT_EQ(second.FileToOpen, "/tmp/a.wav");
    EXPECT_EQ(second.WValue, "/tmp/b.wav");
    EXPECT_EQ(Parse({"/tmp/a.wav", "/tmp/b.wav"}).FileToOpen, "/tmp/a.wav");
}

TEST(CommandLine, RelativeNamesAreMadeAbsoluteAgainstTheStartFolder)
{
    testsupport::TempDir dir;
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const TCommandLine rel = Parse({"take.wav"});
    const TCommandLine up = Parse({"sub/../take.wav"});
    ASSERT_EQ(chdir(before), 0);
    EXPECT_EQ(rel.FileToOpen, dir.file("take.wav"));
    EXPECT_EQ(up.FileToOpen, dir.file("take.wav"));
}

TEST(CommandLine, APathTooLongIsReportedWholeAndNotOpened)
{
    const std::string longName = "/tmp/" + std::string(300, 'a') + ".wav";
    const TCommandLine cut = Parse({longName});
    EXPECT_EQ(cut.FileToOpen, "");
    EXPECT_EQ(cut.TooLongName, longName);
    const std::string fits = "/tmp/" + std::string(kMaxPathText - 9, 'b') + ".wav";
    ASSERT_EQ(fits.size(), kMaxPathText);
    EXPECT_EQ(Parse({fits}).FileToOpen, fits);
}
}
