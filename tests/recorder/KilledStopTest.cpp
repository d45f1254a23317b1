// A recorder killed with SIGKILL in the middle of the stop that ends the session:
// the next open of the take recovers its audio and markers from what the kill left.
#include "tests/recorder/RecorderFixture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/Mp3File.h"

namespace {
class KilledStop : public RecorderTest {};

// SIGKILL the moment a write would grow a file past the limit: the first write of the stop.
void KillAtTheLimit(int) { kill(getpid(), SIGKILL); }

std::uint64_t SizeOf(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}
}

TEST_F(KilledStop, TheNextOpenRecoversAnMp3CutInTheStop)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    DefaultAudioFormat = 1;
    Mp3Stereo = false;
    Mp3SampleRate = 16000;
    SoundLevel = 20;
    const std::string take = folder + "/take_1.mp3";
    const std::string journal = folder + "/take_1.~p3";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Open();
        ClickRecord();
        Feed(3, true);
        Feed(7, false);
        Feed(4, true);
        if (!dialog->IsRecording() || SizeOf(take) == 0) {
            _exit(2);
        }
        signal(SIGXFSZ, KillAtTheLimit);
        struct rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(SizeOf(take));
        setrlimit(RLIMIT_FSIZE, &limit);
        dialog->EndSession();  // what SIGTERM leads to
        _exit(3);              // the stop wrote nothing past the file's end
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    ASSERT_EQ(WTERMSIG(status), SIGKILL);
    ASSERT_TRUE(platform::NameExists(journal)) << "the stop was cut before its journal went";

    // Read-only, the file shows its own tag and leaves the journal for the next open.
    DWORD frames = 0;
    int tagged = 0;
    {
        Mp3File probe(take.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(probe.open());
        frames = probe.GetDataSize();
        tagged = probe.GetMarkerCount();
    }
    Open();
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(dialog->openfile(take.c_str(), 1));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Recording was interrupted; its audio was recovered: " + take), std::string::npos) << said;
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(dialog->GetCurrentFile()->GetDataSize(), frames) << "the frames the kill left are the take";
    dialog->EndSession();
    EXPECT_FALSE(platform::NameExists(journal)) << "the recovered take still needs its journal";

    // The take as another reader and a fresh open see it: every frame decodes, the markers are in its tag.
    int decoded = -1;
    const std::string raw = dir.file("cut.raw");
    testsupport::RunCapture("mpg123 -q -s '" + take + "' > '" + raw + "' 2>/dev/null", &decoded);
    EXPECT_EQ(decoded, 0);
    // 16-bit samples at 32 kbit/s: 8 bytes a byte, less the codec's delay of up to two frames of 576 samples.
    EXPECT_GE(testsupport::ReadAll(raw).size() + 2 * 1152, std::size_t{frames} * 8);
    Mp3File f(take.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.GetDataSize(), frames);
    EXPECT_GE(f.GetMarkerCount(), tagged) << "the journalled markers are in the tag";
}
