// Command lines into argument vectors: the sound programs' stand-ins, PATH lookup, nothing expanded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel/StandInPrograms.h"
#include "tests/support/TestSupport.h"

namespace {
using Argv = std::vector<std::string>;

class StandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
        setenv("PATH", (dir.path() + ":" + dir.file("missing")).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }
    std::string Program(const std::string& name, mode_t mode = 0755)
    {
        const std::string path = dir.file(name);
        const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL | O_NOFOLLOW, mode);
        EXPECT_GE(fd, 0);
        close(fd);
        chmod(path.c_str(), mode);
        return path;
    }
    testsupport::TempDir dir;
    std::string savedPath;
};

TEST_F(StandIn, SoundCommandsOpenTheSoundSettingsOnTheirTabOrDoNothing)
{
    EXPECT_EQ(Argv{}, platform::StandInCommand("sndvol.exe")) << "no sound settings program installed";
    const std::string settings = Program("gnome-control-center");
    EXPECT_EQ((Argv{settings, "sound"}), platform::StandInCommand("control.exe mmsys.cpl,,1"));
    const std::string mixer = Program("pavucontrol");
    EXPECT_EQ((Argv{mixer, "--tab=1"}), platform::StandInCommand("sndvol.exe"));
    EXPECT_EQ((Argv{mixer, "--tab=3"}), platform::StandInCommand("sndvol.exe -f"));
    EXPECT_EQ((Argv{mixer, "--tab=2"}), platform::StandInCommand("SNDVOL32.EXE /r"));
    EXPECT_EQ((Argv{mixer, "--tab=4"}), platform::StandInCommand("control.exe mmsys.cpl,,1"));
    EXPECT_EQ((Argv{mixer, "--tab=3"}), platform::StandInCommand("control.exe mmsys.cpl"));
    EXPECT_EQ(Argv{}, platform::StandInCommand("control.exe")) << "no such program here";
}

TEST_F(StandIn, OtherCommandLinesAreWordsForTheirOwnProgramAndNothingIsExpanded)
{
    const std::string tool = Program("tool");
    Program("plain", 0644);
    EXPECT_EQ((Argv{tool, "$(touch", "x)", "a b", ";", "*"}), platform::StandInCommand("tool $(touch x) \"a b\" ; *"));
    EXPECT_EQ(Argv{}, platform::StandInCommand("plain")) << "not executable";
    EXPECT_EQ(Argv{}, platform::StandInCommand("nowhere --help"));
    EXPECT_EQ(Argv{}, platform::StandInCommand(""));
    EXPECT_EQ(Argv{}, platform::StandInCommand(nullptr));
    const std::string spaced = dir.file("my recorder");
    mkdir(spaced.c_str(), 0700);
    const std::string own = Program("my recorder/tapvox");
    EXPECT_EQ(Argv{own}, platform::StandInCommand(("\"" + own + "\"").c_str())) << "a quoted path with a blank";
    EXPECT_EQ(Argv{}, platform::StandInCommand(dir.file("my recorder").c_str())) << "a folder is no program";
}
}
