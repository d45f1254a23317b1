// The real program started as a process, headless, with private folders and a
// file-fed input: switches and file arguments, one instance per user, the remote
// control through tapvox-remote, SIGTERM while recording, a recording split at its
// limit, and timer schedules across a clock jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/CShortcut.h"
#include "owl/PropertySheet.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"
#include "platform/wave/WavReader.h"
#include "prefs/SetStart.h"
#include "tests/app/main/ProgramFixture.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/TestSupport.h"

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

// Split at the file limit while nobody watches: every finished part leaves its temporary
// name for the pattern's, as the last one does at the end.
TEST_F(Program, EveryPartOfASplitRecordingIsNamedByThePattern)
{
    TAPVOX_REQUIRE_TOOL("sox");
    int status = -1;
    testsupport::RunCapture("sox -n -r 96000 -b 16 -c 2 '" + dir.file("input.wav") + "' synth 3 sine 440 2>&1", &status);
    ASSERT_EQ(status, 0);
    const std::string folder = dir.file("rec");
    mkdir(folder.c_str(), 0700);
    const std::string store = dir.file("XDG_CONFIG_HOME") + "/tapvox";
    mkdir(store.c_str(), 0700);
    const std::string text = "; Tapvox settings store, format 1\n\n[Software\\Fennwicke\\Tapvox]\n"
                             "\"SampleRate\"=\"96000\"\n\"Resolution\"=hex:01\n\"Stereo\"=hex:01\n"
                             "\"FileSize\"=\"1\"\n\"FileAction\"=hex:03\n\"DefaultDirectory\"=\"" +
                             folder + "/\"\n\n; end\n";
    testsupport::WriteAll(store + "/user.reg", std::vector<std::uint8_t>(text.begin(), text.end()));
    auto waves = [&] {
        std::vector<std::string> names;
        for (const std::string& n : testsupport::FolderNames(folder)) {
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".wav") == 0) {
                names.push_back(n);
            }
        }
        return names;
    };

    testsupport::ChildProgram& p = Run({"-l"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    EXPECT_TRUE(testsupport::WaitFor([&] { return waves().size() >= 3; }, kStartMs)) << p.Err();
    // The third part has audio of its own, so the end of the session keeps it.
    EXPECT_TRUE(WaitForData(folder + "/~rec_1.wav", 8000)) << p.Err();
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    std::vector<std::string> names = waves();
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names, (std::vector<std::string>{"rec_1.wav", "rec_2.wav", "rec_3.wav"}));
    // Four bytes a sample: sox counts what our reader counts.
    for (const std::string& name : names) {
        platform::wave::WavReader reader;
        ASSERT_TRUE(reader.Open(folder + "/" + name)) << name;
        EXPECT_GE(reader.DataBytes(), name == "rec_3.wav" ? 8000u : 1048576u) << name;
        const std::string soxi = testsupport::RunCapture("soxi -s '" + folder + "/" + name + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << soxi;
        EXPECT_EQ(std::strtoull(soxi.c_str(), nullptr, 10) * 4, reader.DataBytes()) << name;
    }
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

// Whether signal waits for a thread of process pid to take it.
bool SignalPending(pid_t pid, int signal)
{
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll("/proc/" + std::to_string(pid) + "/status");
    const std::string status(bytes.begin(), bytes.end());
    for (const char* field : {"\nShdPnd:", "\nSigPnd:"}) {
        const std::size_t at = status.find(field);
        if (at != std::string::npos &&
            (std::strtoull(status.c_str() + at + std::strlen(field), nullptr, 16) >> (signal - 1) & 1u)) {
            return true;
        }
    }
    return false;
}

// SIGTERMs back to back, as a timeout, a process group's stop or an impatient user
// send them, and SIGHUPs: each after the first is the same request, and the stop finishes the MP3.
TEST_F(Program, RepeatedSigtermsStillFinishTheRecording)
{
    TAPVOX_REQUIRE_TOOL("ffprobe");
    TAPVOX_REQUIRE_TOOL("mpg123");
    // A first start records MP3 at 16 kHz mono, 32 kbit/s.
    const std::string input = dir.file("input16.wav");
    int status = -1;
    testsupport::RunCapture("sox -n -r 16000 -b 16 -c 1 '" + input + "' synth 30 sine 440 2>&1", &status);
    ASSERT_EQ(status, 0);
    env["TAPVOX_AUDIO"] = "file:" + input;
    const std::string take = work + "/two.mp3";
    testsupport::ChildProgram& p = Run({"-l", take});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    ASSERT_TRUE(WaitForData(take, 8000)) << "two seconds of audio on disk; " << p.Err();
    p.Kill(SIGTERM);
    // Two signals still pending are one: the next comes the moment the program has taken the
    // first, and more follow, SIGTERM and SIGHUP, until it has ended, so some fall into the stop.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMs);
    while (SignalPending(p.Pid(), SIGTERM) && std::chrono::steady_clock::now() < giveUp) {
    }
    for (int n = 0; !p.Wait(0) && std::chrono::steady_clock::now() < giveUp; ++n) {
        p.Kill(n % 2 ? SIGHUP : SIGTERM);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.Signal(), 0) << "a repeated request ended the program";
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    EXPECT_FALSE(platform::NameExists(work + "/two.~p3")) << "the journal of an unfinished stop is left";
    const double probed =
        std::atof(testsupport::RunCapture("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + take + "'").c_str());
    const std::string raw = dir.file("two.raw");
    testsupport::RunCapture("mpg123 -q -s '" + take + "' > '" + raw + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    const double decoded = static_cast<double>(testsupport::ReadAll(raw).size()) / (2 * 16000);
    EXPECT_GE(decoded, 2.0) << "less than was on disk before the signals";
    EXPECT_NEAR(probed, decoded, 0.1) << "the file's length and its audio disagree";
}

// The real program's clock is the system's: libfaketime sets it from outside, as a
// suspend or a clock change would. Empty when it is not installed.
std::string FakeTimeLibrary()
{
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1", "/usr/lib/faketime/libfaketime.so.1"}) {
        if (access(path, R_OK) == 0) {
            return path;
        }
    }
    return "";
}

// Asleep over several schedules: one with only a stop at 11:00, one from 7:00 to 8:00,
// the machine asleep from 6:59 to 12:00. Nothing records after it; the next morning's run does.
TEST_F(Program, AScheduleCatchUpAfterASleepStartsNoRunThatHasEnded)
{
    const std::string library = FakeTimeLibrary();
    if (library.empty()) {
        GTEST_SKIP() << "libfaketime is not installed";
    }
    const std::string store = dir.file("XDG_CONFIG_HOME") + "/tapvox";
    mkdir(store.c_str(), 0700);
    const std::string settings = "; Tapvox settings store, format 1\n\n[Software\\Fennwicke\\Tapvox]\n"
                                 "\"TimerEnable\"=hex:01\n\"TimeStopEC\"=\"11:00\"\n"
                                 "\"TimeStart2EC\"=\"7:00\"\n\"TimeStop2EC\"=\"8:00\"\n\n; end\n";
    testsupport::WriteAll(store + "/user.reg", std::vector<std::uint8_t>(settings.begin(), settings.end()));
    const std::string clock = dir.file("clock");
    // The offset from the real clock that makes the program's clock read a UTC time.
    auto setClock = [&](int day, int hour, int minute) {
        std::tm t{};
        t.tm_year = 2024 - 1900;
        t.tm_mon = 3;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        const std::string offset = std::to_string(static_cast<long long>(timegm(&t)) - std::time(nullptr)) + "\n";
        testsupport::WriteAll(clock, std::vector<std::uint8_t>(offset.begin(), offset.end()));
    };
    env["TZ"] = "UTC";
    env["LD_PRELOAD"] = library;
    env["FAKETIME_TIMESTAMP_FILE"] = clock;
    env["FAKETIME_CACHE_DURATION"] = "1";
    env["DONT_FAKE_MONOTONIC"] = "1";  // the timers keep real time
    // A sanitized build lets the preloaded library come before its runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    env["ASAN_OPTIONS"] = std::string(asan && *asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0";
    const std::string log = dir.file("XDG_DATA_HOME") + "/Tapvox/Tapvox.log";
    auto logText = [&] {
        const std::vector<std::uint8_t> bytes = testsupport::ReadAll(log);
        return std::string(bytes.begin(), bytes.end());
    };
    auto logHas = [&](const std::string& line) {
        return testsupport::WaitFor([&] { return logText().find(line) != std::string::npos; }, kStartMs);
    };

    setClock(2, 6, 59);  // Tuesday 2 April 2024
    testsupport::ChildProgram& p = Run({"-r"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    ASSERT_TRUE(logHas("program started  Tue Apr  2 06:59")) << logText();
    setClock(2, 12, 0);
    ASSERT_TRUE(logHas("stop  Tue Apr  2 12:0")) << "the poll after the sleep: " << logText();
    // Asleep from 6:59 to 7:30 the next day, inside that day's run: it starts.
    setClock(3, 7, 30);
    ASSERT_TRUE(logHas("record  Wed Apr  3 07:3")) << logText();
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    const std::string text = logText();
    EXPECT_EQ(text.find("record  Tue Apr  2"), std::string::npos) << "a run that had ended started: " << text;
}

// A file of /proc, which tells no size before it is read.
std::string ProcText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The process of the program that another program started for us in our private
// runtime folder, by its id; 0 when there is none.
pid_t ProgramStartedFor(const std::string& runtimeFolder)
{
    pid_t found = 0;
    DIR* proc = opendir("/proc");
    while (proc && found == 0) {
        const dirent* d = readdir(proc);
        if (!d) {
            break;
        }
        const pid_t pid = static_cast<pid_t>(std::atoi(d->d_name));
        char exe[4096] = "";
        const std::string base = std::string("/proc/") + d->d_name;
        const ssize_t n = pid > 0 ? readlink((base + "/exe").c_str(), exe, sizeof exe - 1) : -1;
        if (n <= 0 || std::string(exe, static_cast<std::size_t>(n)) != TAPVOX_PROGRAM) {
            continue;
        }
        if (ProcText(base + "/environ").find(std::string("XDG_RUNTIME_DIR=") + runtimeFolder + '\0') != std::string::npos) {
            found = pid;
        }
    }
    if (proc) {
        closedir(proc);
    }
    return found;
}

bool ProcessGone(pid_t pid)
{
    const std::string text = ProcText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t state = text.rfind(')');
    return text.empty() || (state != std::string::npos && state + 2 < text.size() && text[state + 2] == 'Z');
}

// The General page's desktop shortcut is an entry a desktop launches: written as the
// program itself would write it (its "_this" is its own file), started by GLib's launcher.
TEST_F(Program, TheGeneralPagesDesktopShortcutStartsTheProgram)
{
    TAPVOX_REQUIRE_TOOL("gio");
    const std::string home = dir.file("home");
    mkdir(home.c_str(), 0700);
    env["HOME"] = home;
    // This process writes the entries into the same private folders, and leaves its own as they were.
    struct PrivateFolders {
        std::map<std::string, std::optional<std::string>> saved;
        explicit PrivateFolders(const std::map<std::string, std::string>& set)
        {
            for (const auto& [name, value] : set) {
                const char* old = std::getenv(name.c_str());
                saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        ~PrivateFolders()
        {
            for (const auto& [name, value] : saved) {
                value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
            }
        }
    } folders({{"HOME", home}, {"XDG_CONFIG_HOME", env["XDG_CONFIG_HOME"]}, {"XDG_DATA_HOME", env["XDG_DATA_HOME"]}});
    const std::string entry = home + "/Desktop/Tapvox.desktop";

    // The page's entry names this test program; the program's own names the program, and is otherwise the same.
    OWL::TPropertySheet sheet(nullptr, "Options", 0, false, 0);
    TSetStart page(&sheet);
    ASSERT_TRUE(page.CreateDesktopShortcut());
    const auto pageBytes = testsupport::ReadAll(entry);
    std::string pageText(pageBytes.begin(), pageBytes.end());
    char self[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    const std::size_t at = pageText.find(std::string("Exec=") + self + "\n");
    ASSERT_NE(at, std::string::npos) << pageText;
    pageText.replace(at + 5, std::strlen(self), TAPVOX_PROGRAM);
    CShortcut shortcut;
    ASSERT_TRUE(shortcut.Create(TAPVOX_PROGRAM, "Tapvox", CSIDL_DESKTOP, "", nullptr, 1));
    const auto programBytes = testsupport::ReadAll(entry);
    EXPECT_EQ(pageText, std::string(programBytes.begin(), programBytes.end()));

    // Not our child: a test that fails on the way still ends it, by its id.
    struct EndLaunched {
        std::string runtime;
        ~EndLaunched()
        {
            if (const pid_t left = ProgramStartedFor(runtime); left != 0 && !ProcessGone(left)) {
                kill(left, SIGKILL);
            }
        }
    } endLaunched{env["XDG_RUNTIME_DIR"]};
    std::string gio = testsupport::RunCapture("command -v gio");
    gio.erase(gio.find_last_not_of("\n") + 1);
    testsupport::ChildProgram launcher(gio, {"launch", entry}, env, work);
    ASSERT_TRUE(launcher.Wait(kStartMs));
    EXPECT_EQ(launcher.ExitCode(), 0) << launcher.Err();
    ASSERT_NE(WaitForInstance(), nullptr) << "the entry started no program: " << launcher.Err();
    pid_t pid = 0;
    ASSERT_TRUE(testsupport::WaitFor([&] { return (pid = ProgramStartedFor(env["XDG_RUNTIME_DIR"])) != 0; }, kStartMs));
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_TRUE(testsupport::WaitFor([&] { return ProcessGone(pid); }, kStartMs)) << "the program ends as a session end asks";
    EXPECT_TRUE(SettingsSaved());
}
}
