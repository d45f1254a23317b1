// The real program's single-instance lock and its window's endpoint: debris at
// the lock's name, connections that hold the endpoint, a runtime folder whose
// path is too long for a socket address.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <functional>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tests/app/main/ProgramFixture.h"

namespace fs = std::filesystem;

namespace {
class InstanceProgram : public Program {
public:  // the cases below plant through these
    std::string Runtime() const { return env.at("XDG_RUNTIME_DIR") + "/tapvox"; }
    std::string Lock() const { return Runtime() + "/tapvox.lock"; }
};

struct LockCase {
    const char* name;
    std::function<void(InstanceProgram&)> plant;
    const char* found;  // what the message says stood there
};

TEST_F(InstanceProgram, AnythingButAFreeLockFileOfTheUserIsReplacedAndSaid)
{
    const std::string victim = dir.file("victim");
    int held = -1;  // another user's lock, held by a process of theirs (this one)
    const LockCase cases[] = {
        {"a folder",
         [](InstanceProgram& t) {
             fs::create_directories(t.Lock() + "/inside");
         },
         "a folder"},
        {"a link to a file of the user",
         [&](InstanceProgram& t) {
             testsupport::WriteAll(victim, {'k', 'e', 'e', 'p'});
             ASSERT_EQ(0, symlink(victim.c_str(), t.Lock().c_str()));
         },
         "a link"},
        {"a dangling link",
         [&](InstanceProgram& t) { ASSERT_EQ(0, symlink(dir.file("nowhere").c_str(), t.Lock().c_str())); }, "a link"},
        {"a FIFO", [](InstanceProgram& t) { ASSERT_EQ(0, mkfifo(t.Lock().c_str(), 0600)); }, "a FIFO"},
        {"another user's lock file held with flock",
         [&](InstanceProgram& t) {
             held = open(t.Lock().c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
             ASSERT_GE(held, 0);
             ASSERT_EQ(0, flock(held, LOCK_EX));
             ASSERT_EQ(0, fchown(held, 65534, 65534));
         },
         "a lock file of user 65534"},
    };
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the lock file to another user";
    }
    for (const LockCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Runtime());
        ASSERT_TRUE(fs::create_directory(Runtime()));
        chmod(Runtime().c_str(), 0700);
        c.plant(*this);
        testsupport::ChildProgram& p = Run({"-r"});
        // A start that waited on the debris would give up after ten seconds and exit.
        EXPECT_NE(WaitForInstance(), nullptr) << p.Err();
        EXPECT_FALSE(p.Wait(0)) << p.Err();
        EXPECT_NE(p.Err().find(Lock() + " was " + c.found + "; it was replaced"), std::string::npos) << p.Err();
        struct stat st {};
        ASSERT_EQ(0, lstat(Lock().c_str(), &st));
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_uid, geteuid());
        p.Kill(SIGTERM);
        ASSERT_TRUE(p.Wait(kStartMs));
        EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    }
    EXPECT_EQ(testsupport::ReadAll(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'})) << "never followed";
    EXPECT_FALSE(fs::exists(dir.file("nowhere"))) << "a dangling link's target is never made";
    if (held >= 0) {
        close(held);
    }
}

TEST_F(InstanceProgram, ARuntimeFolderTooLongForASocketIsSaidAndTheLockStillDecides)
{
    env["XDG_RUNTIME_DIR"] = dir.file(std::string(100, 'r'));
    ASSERT_TRUE(fs::create_directory(env["XDG_RUNTIME_DIR"]));
    setenv("XDG_RUNTIME_DIR", env["XDG_RUNTIME_DIR"].c_str(), 1);
    testsupport::ChildProgram& first = Run({"-r"});
    const std::string socket = Runtime() + "/tapvox.sock";
    ASSERT_TRUE(testsupport::WaitFor([&] { return first.Err().find("cannot reach this Tapvox") != std::string::npos; },
                                     kStartMs))
        << "said at start: " << first.Err();
    EXPECT_NE(first.Err().find(socket), std::string::npos) << first.Err();

    testsupport::ChildProgram& second = Run({"-r"});
    // Well before the ten seconds a second start waits for a first one still starting.
    ASSERT_TRUE(second.Wait(5000)) << second.Err();
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_NE(second.Err().find("running but cannot be reached"), std::string::npos) << second.Err();
    EXPECT_NE(second.Err().find(socket), std::string::npos) << second.Err();
    std::string err;
    EXPECT_EQ(Remote({"stop"}, &err), 1);
    EXPECT_NE(err.find(socket), std::string::npos) << err;
    EXPECT_FALSE(first.Wait(0)) << "the first runs on";
    first.Kill(SIGTERM);
    ASSERT_TRUE(first.Wait(kStartMs));
    EXPECT_EQ(first.ExitCode(), 0) << first.Err();
}

// Connections that hold every place of the endpoint: the recorder never gets
// the message, and the remote says so; once they have been idle for a few
// seconds they are closed and the remote is heard again.
TEST_F(InstanceProgram, AMessageTheRecorderDroppedIsAFailureOfTheRemoteUntilIdlePeersAreClosed)
{
    testsupport::ChildProgram& p = Run({"-L", "take.wav"});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();
    const std::string take = work + "/take.wav";
    ASSERT_TRUE(WaitForData(take, 4000)) << p.Err();

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket = Runtime() + "/tapvox.sock";
    ASSERT_LT(socket.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
    std::vector<int> idle;
    for (int i = 0; i < 16; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        ASSERT_EQ(0, connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address));
        idle.push_back(fd);
    }
    std::string err;
    EXPECT_EQ(Remote({"stop"}, &err), 1) << "the stop was dropped: " << err;
    EXPECT_NE(err.find("did not acknowledge"), std::string::npos) << err;
    struct stat before {};
    ASSERT_EQ(0, stat(take.c_str(), &before));
    EXPECT_TRUE(WaitForData(take, static_cast<std::uint64_t>(before.st_size) + 2000)) << "the recording goes on";

    // The recorder lets the idle ones go: each sees its end.
    std::vector<pollfd> ends;
    for (const int fd : idle) {
        ends.push_back({fd, POLLIN, 0});
    }
    EXPECT_TRUE(testsupport::WaitFor(
        [&] { return poll(ends.data(), ends.size(), 0) == static_cast<int>(ends.size()); }, kStartMs))
        << "closed after a few idle seconds";
    for (const int fd : idle) {
        char byte = 0;
        EXPECT_EQ(0, recv(fd, &byte, 1, MSG_DONTWAIT));
        close(fd);
    }
    EXPECT_EQ(Remote({"stop"}, &err), 0) << err;
    // Stopped: in two seconds the file grows by less than one second of audio.
    struct stat acknowledged {};
    ASSERT_EQ(0, stat(take.c_str(), &acknowledged));
    EXPECT_FALSE(WaitForData(take, static_cast<std::uint64_t>(acknowledged.st_size) + 8000, 2000))
        << "still recording after an acknowledged stop";
    p.Kill(SIGTERM);
    ASSERT_TRUE(p.Wait(kStartMs));
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
}
}
