// The real program started as a process, headless, with private folders and a
// file-fed input: switches and file arguments, one instance per user, the remote
// control through tapvox-remote, and SIGTERM while recording.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/ipc/Ipc.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"
#include "platform/wave/WavReader.h"
#include "tests/app/main/ProgramFixture.h"

namespace {
TEST_F(Program, HelpOfBothPrograms)
{
    testsupport::ChildProgram& help = Run({"--help"});
    ASSERT_TRUE(help.Wait(kStartMs));
    EXPECT_EQ(help.ExitCode(), 0);
    for (const char* s : {"-d", "-l", "-m", "-n NUMBER", "-p", "-q NUMBER", "-r", "-s", "TAPVOX_AUDIO"}) {
        EXPECT_NE(help.Out().find(s), std::string::npos) << s;
    }
    testsupport::ChildProgram remote(TAPVOX_REMOTE, {"--help"});
    ASSERT_TRUE(remote.Wait(kStartMs));
    EXPECT_EQ(remote.ExitCode(), 0);
    for (const char* s : {"stop", "seek SECONDS", "save", "play", "record"}) {
        EXPECT_NE(remote.Out().find(s), std::string::npos) << s;
    }
}

TEST_F(Program, NoInstanceRunningIsAClearErrorOfTheRemote)
{
    std::string err;
    EXPECT_EQ(Remote({"stop"}, &err), 1);
    EXPECT_NE(err.find("running"), std::string::npos) << err;
}

// Listening from the command line goes through the main window's UM_TOGGLE_RECORD.
TEST_F(Program, ListenIntoAFileUntilTheRemoteStopsIt)
{
    testsupport::ChildProgram& p = Run({"-L", "take.wav"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    const std::string take = work + "/take.wav";
    ASSERT_TRUE(WaitForData(take, 8000)) << "a relative name is made absolute in the start folder; " << p.Err();
    // Other wParams are ignored: the recording goes on.
    EXPECT_EQ(Remote({"--wparam", "0", "stop"}), 0);
    EXPECT_EQ(Remote({"stop"}), 0);
    EXPECT_EQ(Remote({"save"}), 0);
    // The program keeps running, the file closed and complete.
    ASSERT_TRUE(testsupport::WaitFor([&] { return Samples(take) > 8000; }, kStartMs));
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    EXPECT_GE(Samples(take), 8000u);
}

// The run command names its input file relative to the start folder, which the
// settings load leaves for the recording folder.
TEST_F(Program, ARelativeInputFileIsTakenInTheStartFolder)
{
    WriteInput(work + "/in.wav", 30);
    env["TAPVOX_AUDIO"] = "file:in.wav;loop";
    testsupport::ChildProgram& p = Run({"-L", "take.wav"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    ASSERT_TRUE(WaitForData(work + "/take.wav", 4000)) << p.Err();
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
}

TEST_F(Program, SigtermEndsTheProgramAndSavesTheSettings)
{
    testsupport::ChildProgram& p = Run({"-r"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    EXPECT_TRUE(SettingsSaved());
    EXPECT_EQ(platform::ipc::WaitForWindow("Tapvox", 0), nullptr) << "the window is withdrawn";
}

TEST_F(Program, SigtermWhileRecordingLeavesACompleteFileAndSavedSettings)
{
    testsupport::ChildProgram& p = Run({"-l", work + "/sig.wav"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    ASSERT_TRUE(WaitForData(work + "/sig.wav", 4000)) << p.Err();
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs)) << "the end of the session needs no answer";
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    EXPECT_GE(Samples(work + "/sig.wav"), 4000u);
    EXPECT_TRUE(SettingsSaved());
}

TEST_F(Program, ASecondStartShowsTheFirstAndPassesNothingOn)
{
    testsupport::ChildProgram& first = Run({"-r"});
    const HWND window = WaitForInstance();
    ASSERT_NE(window, nullptr) << first.Err();
    EXPECT_FALSE(IsWindowVisible(window)) << "switch R starts hidden";
    testsupport::ChildProgram& second = Run({"-l", work + "/second.wav"});
    ASSERT_TRUE(second.Wait(kStartMs));
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_NE(second.Err().find("not passed on"), std::string::npos) << second.Err();
    EXPECT_TRUE(IsWindowVisible(window)) << "the first instance is shown";
    EXPECT_FALSE(platform::NameExists(work + "/second.wav")) << "the second start's file is opened nowhere";
    EXPECT_FALSE(first.Wait(0)) << "the first runs on";
}

TEST_F(Program, TwoStartsAtOnceLeaveOne)
{
    testsupport::ChildProgram& a = Run({});
    testsupport::ChildProgram& b = Run({});
    ASSERT_TRUE(testsupport::WaitFor([&] { return a.Wait(0) || b.Wait(0); }, kStartMs));
    testsupport::ChildProgram& ended = a.Wait(0) ? a : b;
    testsupport::ChildProgram& survivor = a.Wait(0) ? b : a;
    EXPECT_EQ(ended.ExitCode(), 0) << ended.Err();
    EXPECT_FALSE(survivor.Wait(500)) << survivor.Err();
    EXPECT_NE(WaitForInstance(), nullptr);
}

// A path too long for the program's buffers is reported whole, and nothing is opened under a cut name.
TEST_F(Program, AFileArgumentTooLongOpensNothing)
{
    const std::string longName = work + "/" + std::string(300, 'a') + ".wav";
    testsupport::ChildProgram& p = Run({"-r", longName});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    EXPECT_NE(p.Err().find(longName), std::string::npos) << "the message names the whole path: " << p.Err();
    EXPECT_TRUE(testsupport::FolderNames(work).empty()) << "nothing opened under a cut or other name";
}
}

