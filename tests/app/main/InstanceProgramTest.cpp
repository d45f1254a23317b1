// The real program's single-instance lock and its window's endpoint: debris at
// the lock's name, connections that hold the endpoint, a runtime folder whose
// path is too long for a socket address.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
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
}
