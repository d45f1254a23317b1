// The desktop's clipboard shared with another program (xclip): audio offered under its MIME types and names, and taken back.
#include "tests/platform/display/DesktopFixture.h"

#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "platform/user/Clipboard.h"
#include "tests/support/TestSupport.h"

extern char** environ;

namespace desktoptest {
namespace {
// Another program on the desktop: xclip started with its output in a file,
// while this process keeps serving its own clipboard.
class Xclip {
public:
    Xclip(const std::vector<std::string>& args, const std::string& input, const std::string& output)
    {
        std::vector<std::string> all{"xclip", "-selection", "clipboard"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.empty() ? "/dev/null" : input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawnp(&pid_, "xclip", &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Xclip()
    {
        if (pid_ > 0 && !Done()) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    Xclip(const Xclip&) = delete;
    Xclip& operator=(const Xclip&) = delete;
    bool Done()
    {
        if (pid_ <= 0 || exited_) {
            return true;
        }
        exited_ = waitpid(pid_, &status_, WNOHANG) == pid_;
        return exited_;
    }
    // Runs this process's loop (it answers xclip's requests) until xclip ends.
    bool Finish() { return dt::RunUntil([this] { return Done(); }, 5000) && exited_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

std::vector<BYTE> Bytes(std::size_t n, unsigned seed)
{
    std::vector<BYTE> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<BYTE>((i * 131 + seed) ^ (i >> 8));  // every byte value, zeros included
    }
    return out;
}

bool Put(UINT format, const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(format, block) != nullptr;
    return CloseClipboard() && set;
}

std::vector<BYTE> Get(UINT format)
{
    std::vector<BYTE> out;
    if (!OpenClipboard(nullptr)) {
        return out;
    }
    if (HANDLE block = GetClipboardData(format)) {
        const auto* p = static_cast<const BYTE*>(GlobalLock(block));
        out.assign(p, p + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return out;
}

std::vector<BYTE> AsBytes(const std::vector<std::uint8_t>& v) { return {v.begin(), v.end()}; }

TEST_F(Desktop, AudioSetByTheProgramReachesAnotherProgramUnderItsMimeTypesAndNames)
{
    TAPVOX_REQUIRE_TOOL("xclip");
    testsupport::TempDir dir;
    // Larger than one X request, so the transfer goes in increments.
    const std::vector<BYTE> wave = Bytes(700000, 3);
    ASSERT_TRUE(Put(CF_WAVE, wave));
    for (const char* target : {"audio/x-wav", "audio/wav"}) {
        Xclip reader({"-o", "-t", target}, "", dir.file("out"));
        ASSERT_TRUE(reader.Finish()) << target;
        EXPECT_TRUE(AsBytes(testsupport::ReadAll(dir.file("out"))) == wave) << target;
    }
    Xclip targets({"-o", "-t", "TARGETS"}, "", dir.file("targets"));
    ASSERT_TRUE(targets.Finish());
    const auto listed = testsupport::ReadAll(dir.file("targets"));
    EXPECT_EQ(std::string(listed.begin(), listed.end()).find("audio/mpeg"), std::string::npos) << "only what was set";

    const UINT mp3 = RegisterClipboardFormatA("mp3");
    const UINT ogg = RegisterClipboardFormatA("ogg");
    const std::vector<BYTE> mpeg = Bytes(5000, 9);
    ASSERT_TRUE(Put(mp3, mpeg));
    EXPECT_TRUE(IsClipboardFormatAvailable(mp3));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_WAVE)) << "emptied by the new data";
    for (const char* target : {"audio/mpeg", "mp3"}) {
        Xclip reader({"-o", "-t", target}, "", dir.file("out"));
        ASSERT_TRUE(reader.Finish()) << target;
        EXPECT_TRUE(AsBytes(testsupport::ReadAll(dir.file("out"))) == mpeg) << target;
    }
    const std::vector<BYTE> vorbis = Bytes(3000, 5);
    ASSERT_TRUE(Put(ogg, vorbis));
    Xclip reader({"-o", "-t", "audio/ogg"}, "", dir.file("out"));
    ASSERT_TRUE(reader.Finish());
    EXPECT_TRUE(AsBytes(testsupport::ReadAll(dir.file("out"))) == vorbis);
}

TEST_F(Desktop, AudioAnotherProgramOffersIsReadUnderTheFormatOfItsTypeAndNothingElse)
{
    TAPVOX_REQUIRE_TOOL("xclip");
    testsupport::TempDir dir;
    const std::vector<BYTE> mpeg = Bytes(200000, 11);
    testsupport::WriteAll(dir.file("in"), {mpeg.begin(), mpeg.end()});
    {
        // xclip keeps serving until it loses the clipboard; it is stopped when the test ends.
        Xclip owner({"-i", "-t", "audio/mpeg"}, dir.file("in"), dir.file("none"));
        const UINT mp3 = RegisterClipboardFormatA("mp3");
        ASSERT_TRUE(dt::RunUntil([&] { return IsClipboardFormatAvailable(mp3) != FALSE; }, 5000));
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_WAVE));
        EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatA("ogg")));
        EXPECT_TRUE(Get(mp3) == mpeg);
        EXPECT_TRUE(Get(CF_WAVE).empty());

        // The program taking the clipboard ends the other's ownership.
        const std::vector<BYTE> wave = Bytes(1000, 1);
        ASSERT_TRUE(Put(CF_WAVE, wave));
        EXPECT_TRUE(owner.Finish()) << "xclip lets go once it lost the clipboard";
        EXPECT_TRUE(Get(CF_WAVE) == wave);
        EXPECT_FALSE(IsClipboardFormatAvailable(mp3));
    }
}
}
}
