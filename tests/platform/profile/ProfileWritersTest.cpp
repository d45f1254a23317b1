// INI files with several writing processes, writers killed mid-save, and
// links or FIFOs in place of the file.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/profile/Profile.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string KeyName(int writer, int i) { return std::string("W").append(std::to_string(writer)) + "_" + std::to_string(i); }

std::vector<std::string> TempFilesBeside(const std::string& ini)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(fs::path(ini).parent_path())) {
        if (e.path().filename().string().starts_with(fs::path(ini).filename().string() + ".tmp-")) {
            out.push_back(e.path().string());
        }
    }
    return out;
}

TEST(ProfileWriters, ThreeProcessesWritingAtOnceLoseNoKey)
{
    testsupport::TempDir dir;
    const std::string ini = dir.file("tapvox.ini");
    constexpr int kWriters = 3;
    constexpr int kKeys = 100;
    pid_t children[kWriters];
    for (int c = 0; c < kWriters; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failed = 0;
            for (int i = 0; i < kKeys; ++i) {
                failed += !WritePrivateProfileStringA("Keys", KeyName(c, i).c_str(), std::to_string(i).c_str(), ini.c_str());
            }
            _exit(failed ? 1 : 0);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status)) << "every write reports success";
    }
    int missing = 0;
    for (int c = 0; c < kWriters; ++c) {
        for (int i = 0; i < kKeys; ++i) {
            missing += static_cast<INT>(GetPrivateProfileIntA("Keys", KeyName(c, i).c_str(), -1, ini.c_str())) != i;
        }
    }
    EXPECT_EQ(0, missing);
    EXPECT_TRUE(TempFilesBeside(ini).empty());
}

TEST(ProfileWriters, WritersKilledMidSaveLeaveNoTempFilesAndLoseNoConfirmedKey)
{
    testsupport::TempDir dir;
    const std::string ini = dir.file("tapvox.ini");
    constexpr int kKills = 25;
    std::vector<int> confirmed(kKills, 0);
    for (int round = 0; round < kKills; ++round) {
        int ack[2];
        ASSERT_EQ(0, pipe(ack));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ack[0]);
            for (int i = 0;; ++i) {
                if (WritePrivateProfileStringA("Keys", KeyName(round, i).c_str(), "1", ini.c_str()) &&
                    write(ack[1], "k", 1) != 1) {
                    _exit(1);
                }
            }
        }
        close(ack[1]);
        // Killed somewhere in the write after a few confirmed ones.
        char c;
        while (confirmed[round] < 1 + round % 4 && read(ack[0], &c, 1) == 1) {
            ++confirmed[round];
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        while (read(ack[0], &c, 1) == 1) {
            ++confirmed[round];
        }
        close(ack[0]);
    }
    // As a killed writer leaves it, and a name that only looks alike.
    testsupport::WriteAll(ini + ".tmp-Zz9Yy8", {'x'});
    testsupport::WriteAll(ini + ".tmp-notours", {'y'});
    ASSERT_TRUE(WritePrivateProfileStringA("Keys", "After", "1", ini.c_str()));
    EXPECT_EQ(std::vector<std::string>{ini + ".tmp-notours"}, TempFilesBeside(ini));
    for (int round = 0; round < kKills; ++round) {
        for (int i = 0; i < confirmed[round]; ++i) {
            EXPECT_EQ(1u, GetPrivateProfileIntA("Keys", KeyName(round, i).c_str(), 0, ini.c_str())) << KeyName(round, i);
        }
    }
}

TEST(ProfileWriters, ALinkIsReadButNeverWrittenThroughAndAFifoNeverBlocks)
{
    testsupport::TempDir dir;
    const std::string target = dir.file("shared.ini");
    const std::string text = "[Setup]\nSound Level=42\n";
    testsupport::WriteAll(target, std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::string link = dir.file("tapvox.ini");
    ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));
    EXPECT_EQ(42u, GetPrivateProfileIntA("Setup", "Sound Level", 0, link.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("Setup", "Sound Level", "7", link.c_str()));
    const auto after = testsupport::ReadAll(target);
    EXPECT_EQ(text, std::string(after.begin(), after.end()));
    EXPECT_TRUE(fs::is_symlink(link));

    const std::string fifo = dir.file("pipe.ini");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ(0, testsupport::RunInChild([&] {
        char buf[16];
        const bool refused =
            GetPrivateProfileStringA("Setup", "Sound Level", "d", buf, sizeof buf, fifo.c_str()) == 1 &&
            GetPrivateProfileIntA("Setup", "Sound Level", 5, fifo.c_str()) == 5 &&
            !WritePrivateProfileStringA("Setup", "Sound Level", "7", fifo.c_str());
        return refused ? 0 : 1;
    }, 5));
    struct stat st {};
    ASSERT_EQ(0, lstat(fifo.c_str(), &st));
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is not replaced";
}
}
