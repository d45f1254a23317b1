// The real program with a settings store it may or may not use: a link kept by
// a dotfile manager, a FIFO, a folder, a dangling link, another user's file, a
// read-only folder. Each is used or refused with one message; nothing ever goes
// beside the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/app/main/ProgramFixture.h"

namespace fs = std::filesystem;

namespace {
constexpr uid_t kNobody = 65534;

class SettingsStoreProgram : public Program {
public:  // the cases below plant through these
    std::string Config() const { return dir.file("XDG_CONFIG_HOME") + "/tapvox"; }
    std::string Store() const { return Config() + "/user.reg"; }
    std::string Mine() const { return dir.file("mine"); }
    // A store whose recording folder is Mine(): where the recording lands tells whether it was read.
    std::string StoreText() const
    {
        return "; Tapvox settings store, format 1\n\n[Software\\Fennwicke\\Tapvox]\n\"SoundLevel\"=hex:25\n"
               "\"DefaultDirectory\"=\"" + Mine() + "/\"\n\n; end\n";
    }
    void WriteText(const std::string& path, const std::string& text) const
    {
        testsupport::WriteAll(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    std::string ReadText(const std::string& path) const
    {
        const auto bytes = testsupport::ReadAll(path);
        return std::string(bytes.begin(), bytes.end());
    }
    // The first recording in folder, or empty.
    static std::string RecordingIn(const std::string& folder)
    {
        for (const std::string& name : testsupport::FolderNames(folder)) {
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0) {
                return folder + "/" + name;
            }
        }
        return {};
    }
    static std::string ProgramFolder() { return fs::path(TAPVOX_PROGRAM).parent_path().string(); }
};

struct StoreCase {
    const char* name;
    // Plants the store; the program then runs as nobody when asOther is set.
    std::function<void(SettingsStoreProgram&)> plant;
    bool asOther;
    bool read;            // the store's recording folder is used
    const char* message;  // what the one message says, or null for none
};

TEST_F(SettingsStoreProgram, AStoreIsUsedWhereItCanBeAndOtherwiseRefusedWithOneMessage)
{
    const std::string dotfile = dir.file("dotfiles") + "/tapvox.reg";
    const StoreCase cases[] = {
        {"a link to the user's own file",
         [&](SettingsStoreProgram& t) {
             fs::create_directories(fs::path(dotfile).parent_path());
             t.WriteText(dotfile, t.StoreText());
             ASSERT_EQ(0, symlink(dotfile.c_str(), t.Store().c_str()));
         },
         false, true, nullptr},
        {"a FIFO", [](SettingsStoreProgram& t) { ASSERT_EQ(0, mkfifo(t.Store().c_str(), 0600)); }, false, false,
         "it is a FIFO"},
        {"a folder", [](SettingsStoreProgram& t) { fs::create_directory(t.Store()); }, false, false, "it is a folder"},
        {"a dangling link",
         [&](SettingsStoreProgram& t) { ASSERT_EQ(0, symlink(dotfile.c_str(), t.Store().c_str())); }, false, false,
         "which does not exist"},
        {"a link to another user's file",
         [&](SettingsStoreProgram& t) {
             fs::create_directories(fs::path(dotfile).parent_path());
             t.WriteText(dotfile, t.StoreText());
             ASSERT_EQ(0, chown(dotfile.c_str(), kNobody, kNobody));
             ASSERT_EQ(0, symlink(dotfile.c_str(), t.Store().c_str()));
         },
         false, false, "a file of another user"},
        {"a readable store in a read-only folder",
         [](SettingsStoreProgram& t) {
             t.WriteText(t.Store(), t.StoreText());
             chmod(t.Store().c_str(), 0600);
             chmod(t.Config().c_str(), 0500);
         },
         true, true, "cannot be written"},
    };
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Config());
        fs::remove_all(dir.file("dotfiles"));
        fs::remove_all(Mine());
        fs::remove_all(dir.file("XDG_DATA_HOME") + "/Tapvox");
        fs::create_directories(Config());
        fs::create_directories(Mine());
        chmod(Config().c_str(), 0700);
        std::string runtime = dir.file("XDG_RUNTIME_DIR");
        if (c.asOther) {
            // nobody reaches its folders, the input and the program through a folder it may enter.
            chmod(dir.path().c_str(), 0755);
            for (const std::string& d : {dir.file("XDG_CONFIG_HOME"), dir.file("XDG_DATA_HOME"),
                                         dir.file("XDG_CACHE_HOME"), work, Mine(), Config()}) {
                ASSERT_EQ(0, chown(d.c_str(), kNobody, kNobody)) << d;
            }
            runtime = dir.file("nobody-runtime");
            fs::create_directories(runtime);
            ASSERT_EQ(0, chown(runtime.c_str(), kNobody, kNobody));
        }
        env["XDG_RUNTIME_DIR"] = runtime;
        c.plant(*this);
        if (c.asOther && fs::exists(Store())) {
            ASSERT_EQ(0, chown(Store().c_str(), kNobody, kNobody));
        }
        const std::string before = fs::is_regular_file(dotfile) ? ReadText(dotfile) : std::string();

        testsupport::ChildProgram& p =
            c.asOther ? RunProgram("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                                        TAPVOX_PROGRAM, "-L"})
                      : Run({"-L"});
        const std::string folder = c.read ? Mine() : dir.file("XDG_DATA_HOME") + "/Tapvox";
        std::string take;
        EXPECT_TRUE(testsupport::WaitFor([&] { return !(take = RecordingIn(folder)).empty() || p.Wait(0); }, kStartMs))
            << p.Err();
        EXPECT_FALSE(take.empty()) << "recording in " << folder << "; " << p.Err();
        p.Kill(SIGTERM);
        ASSERT_TRUE(p.Wait(kStartMs));
        EXPECT_EQ(p.ExitCode(), 0) << p.Err();
        chmod(Config().c_str(), 0700);

        const std::string err = p.Err();
        if (c.message) {
            const std::size_t at = err.find(Store());
            EXPECT_NE(at, std::string::npos) << "the message names the store: " << err;
            EXPECT_NE(err.find(c.message), std::string::npos) << err;
            EXPECT_EQ(err.find(Store(), at + 1), std::string::npos) << "one message, not one per save: " << err;
        } else {
            EXPECT_EQ(err.find("settings"), std::string::npos) << err;
        }
        EXPECT_FALSE(fs::exists(ProgramFolder() + "/tapvox.ini")) << "no settings beside the program";
        EXPECT_TRUE(RecordingIn(ProgramFolder()).empty()) << "no recording beside the program";
        if (std::string(c.name) == "a link to the user's own file") {
            EXPECT_TRUE(fs::is_symlink(Store())) << "the link stays";
            const std::string saved = ReadText(dotfile);
            EXPECT_NE(saved.find("\"SoundLevel\"=hex:25"), std::string::npos) << saved;
            EXPECT_NE(saved.find("\"PlayRate\""), std::string::npos) << "the target was saved into: " << saved;
        } else if (!before.empty()) {
            EXPECT_EQ(before, ReadText(dotfile)) << "another user's file is left alone";
        }
        if (c.asOther) {
            EXPECT_EQ(StoreText(), ReadText(Store())) << "a read-only folder's store is left as it was";
        }
    }
}
}
