// The real program on a bad day: a recording whose file cannot be written, an
// input that cannot start, a folder removed under a running take. Each is said on
// standard error and loses nothing.
#include "tests/app/main/ProgramFixture.h"

#include <unistd.h>

#include "platform/kernel/SafeOpen.h"

namespace {
class RecordingTroubles : public Program {
protected:
    // Waits until the program's standard error holds text.
    static bool ErrorSays(testsupport::ChildProgram& p, const std::string& text)
    {
        return testsupport::WaitFor([&] { return p.Err().find(text) != std::string::npos; }, kStartMs);
    }
    static void End(testsupport::ChildProgram& p)
    {
        p.Kill(SIGTERM);
        ASSERT_TRUE(p.Wait(kStartMs));
        EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    }
    static std::vector<std::uint8_t> Bytes(const std::string& path) { return testsupport::ReadAll(path); }
};

// A link, a file another instance records into, a file without write permission:
// each is only listened to, and the user reads why; none is called interrupted.
TEST_F(RecordingTroubles, AFileThatOpensReadOnlySaysWhyNothingRecords)
{
    WriteInput(work + "/target.wav", 2);
    ASSERT_EQ(symlink("target.wav", (work + "/link.wav").c_str()), 0);
    const auto target = Bytes(work + "/target.wav");
    {
        testsupport::ChildProgram& p = Run({"-L", "link.wav"});
        EXPECT_TRUE(ErrorSays(p, "Nothing can be recorded into " + work + "/link.wav: it is a symbolic link")) << p.Err();
        EXPECT_NE(p.Err().find(work + "/link.wav is open read-only: it is a symbolic link"), std::string::npos)
            << "the caption's R, without a display: " << p.Err();
        End(p);
        EXPECT_EQ(Bytes(work + "/target.wav"), target) << "nothing is written through the link";
    }
    if (geteuid() != 0) {
        WriteInput(work + "/locked.wav", 2);
        ASSERT_EQ(chmod((work + "/locked.wav").c_str(), 0444), 0);
        testsupport::ChildProgram& p = Run({"-L", "locked.wav"});
        EXPECT_TRUE(ErrorSays(p, "Nothing can be recorded into " + work + "/locked.wav: its permissions")) << p.Err();
        End(p);
    }
    // Another instance (another runtime folder, so the single-instance lock lets it start) records into busy.wav.
    testsupport::ChildProgram& first = Run({"-L", "busy.wav"});
    ASSERT_NE(WaitForInstance(), nullptr) << first.Err();
    ASSERT_TRUE(WaitForData(work + "/busy.wav", 8000)) << first.Err();
    const std::string otherRuntime = dir.file("other-runtime");
    mkdir(otherRuntime.c_str(), 0700);
    env["XDG_RUNTIME_DIR"] = otherRuntime;
    testsupport::ChildProgram& second = Run({"-L", "busy.wav"});
    EXPECT_TRUE(ErrorSays(second, "Nothing can be recorded into " + work + "/busy.wav: another program is recording"))
        << second.Err();
    End(second);
    EXPECT_EQ(second.Err().find("interrupted"), std::string::npos) << second.Err();
    EXPECT_FALSE(first.Wait(0)) << "the first records on";
    End(first);
    EXPECT_GT(Samples(work + "/busy.wav"), 8000u);
}

// An input that cannot start names its file and the format it plays, and no empty
// recording of any type is left behind.
TEST_F(RecordingTroubles, AStartThatFailsNamesTheInputAndLeavesNoFile)
{
    const std::string missing = dir.file("missing.wav");
    const std::string input = dir.file("input.wav");
    const struct {
        const char* take;
        std::string feed;
        std::string said;
    } cases[] = {
        {"a.wav", missing, "The input file " + missing + " does not exist"},
        {"b.mp3", missing, "The input file " + missing + " does not exist"},
        {"c.ogg", missing, "The input file " + missing + " does not exist"},
        // A first start records MP3 and Ogg Vorbis at 16 bits, which the 8-bit input cannot give.
        {"d.mp3", input, "The input file " + input + " plays 8000 Hz 8-bit mono only; the recording asks for"},
        {"e.ogg", input, "The input file " + input + " plays 8000 Hz 8-bit mono only; the recording asks for"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.take);
        env["TAPVOX_AUDIO"] = "file:" + c.feed;
        testsupport::ChildProgram& p = Run({"-L", c.take});
        EXPECT_TRUE(ErrorSays(p, c.said)) << p.Err();
        End(p);
        EXPECT_EQ(testsupport::FolderNames(work), std::vector<std::string>{}) << "no empty recording, no companion file";
    }
}

// The folder of a running take is removed: the recording stops with a message, and
// the take, copied out of the still-open file, waits in the temporary folder.
TEST_F(RecordingTroubles, AFolderRemovedWhileRecordingStopsItAndTheTakeIsRescued)
{
    TAPVOX_REQUIRE_TOOL("ffprobe");
    const struct {
        const char* take;
        int rate;  // of the input: the format a first start records this type in
        int bits;
    } cases[] = {{"t.wav", 8000, 8}, {"t.mp3", 16000, 16}, {"t.ogg", 44100, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.take);
        const std::string input = dir.file(std::string("input-") + c.take + ".wav");
        int status = -1;
        testsupport::RunCapture("sox -n -r " + std::to_string(c.rate) + " -b " + std::to_string(c.bits) + " -c 1 '" +
                                    input + "' synth 30 sine 440 2>&1",
                                &status);
        ASSERT_EQ(status, 0);
        env["TAPVOX_AUDIO"] = "file:" + input + ";loop";
        const std::string sub = work + "/sub";
        mkdir(sub.c_str(), 0700);
        const std::string lost = sub + "/" + c.take;
        const std::string rescued = dir.file("XDG_CACHE_HOME") + "/tapvox/tmp/" + c.take;
        testsupport::ChildProgram& p = Run({"-L", "sub/" + std::string(c.take)});
        ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
        // A second of audio is in the file before its folder goes.
        ASSERT_TRUE(WaitForData(lost, c.take[2] == 'w' ? 8000 : 4000)) << p.Err();
        testsupport::RunCapture("sleep 1; rm -rf '" + sub + "'", &status);
        ASSERT_TRUE(ErrorSays(p, "the take was rescued to:\n   " + rescued)) << p.Err();
        EXPECT_NE(p.Err().find("was removed while recording:\n   " + lost), std::string::npos) << p.Err();
        EXPECT_EQ(p.Err().find("interrupted"), std::string::npos) << p.Err();
        const auto size = Bytes(rescued).size();
        testsupport::RunCapture("sleep 0.5");
        EXPECT_EQ(Bytes(rescued).size(), size) << "the recording stopped";
        End(p);
        const std::string probe = testsupport::RunCapture(
            "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + rescued + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << probe;
        EXPECT_GE(std::strtod(probe.c_str(), nullptr), 1.5) << probe;
        std::remove(rescued.c_str());
    }
}
}
