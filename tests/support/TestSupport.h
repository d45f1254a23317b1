#pragma once
// Helpers shared by the test programs: private temporary folders and running
// the independent command-line readers (sox, ogginfo ...) that check our files.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {
// A fresh folder under $TMPDIR (or /tmp), removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Returns to the current directory of its construction when it goes, so a
// test whose code changes directory leaves none behind (a removed TempDir
// as the current directory breaks every later child process).
class KeepCurrentDirectory {
public:
    KeepCurrentDirectory();
    ~KeepCurrentDirectory();
    KeepCurrentDirectory(const KeepCurrentDirectory&) = delete;
    KeepCurrentDirectory& operator=(const KeepCurrentDirectory&) = delete;

private:
    std::string path_;
};

// Runs a shell command and returns what it wrote to standard output; *status
// gets its exit status (-1 when it could not be run).
std::string RunCapture(const std::string& command, int* status = nullptr);
// Whether a program is on PATH.
bool HaveTool(const std::string& name);
std::vector<std::uint8_t> ReadAll(const std::string& path);
// Lower-case hex, two digits a byte, as digest tools print.
std::string Hex(const std::uint8_t* bytes, std::size_t count);
// The names in a folder, without "." and "..", and without a test's own filler
// file (".filler"); empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& path);
void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Points the XDG config, data, cache and runtime folders at new folders inside
// dir, named after each variable, so the program under test touches none of the user's.
void UsePrivateUserFolders(const TempDir& dir);
std::string SourceDir();
// The seconds since 1970 of a local time in the current TZ; dst -1 lets the
// library choose, 0 or 1 picks one of the two readings of a repeated hour.
std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second = 0, int dst = -1);
// Keeps a copy of a file as a fuzzing seed for the named fuzz target when the
// test run collects seeds ($TAPVOX_SEED_DIR); does nothing otherwise.
void SaveSeed(const std::string& target, const std::string& path);
void SaveSeedBytes(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes);

// Runs body in a forked child and returns its exit status. A child still
// running after timeoutSeconds is killed, and a child that dies by a signal
// gives -1, so a call that blocks fails its test instead of stalling it.
int RunInChild(const std::function<int()>& body, unsigned timeoutSeconds = 30);
// The same as another user (nobody, uid and gid 65534, no other groups).
// kNotRoot when the tests do not run as root and so cannot change user.
constexpr int kNotRoot = -2;
int RunAsOtherUser(const std::function<int()>& body, unsigned timeoutSeconds = 30);
}

// Skips the current test when an independent tool is missing (it is installed by
// the setup script, so in CI the check always runs).
#define TAPVOX_REQUIRE_TOOL(name)                                        \
    do {                                                                 \
        if (!testsupport::HaveTool(name)) {                              \
            GTEST_SKIP() << name << " is not installed";                 \
        }                                                                \
    } while (0)
