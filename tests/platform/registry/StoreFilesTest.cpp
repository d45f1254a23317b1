// The registry store's files under stress: its size limit, failed saves,
// planted links and FIFOs, and a folder that belongs to someone else.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryText.h"
#include "tests/platform/registry/RegistryFixture.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace platform::registry;

namespace {
class StoreFilesTest : public RegistryFixture {
protected:
    std::string Folder() const { return dir.path() + "/tapvox"; }
    std::string LockFile() const { return StoreFile() + ".lock"; }
    LSTATUS SetBytes(HKEY key, const char* name, std::size_t size, std::uint8_t fill)
    {
        const std::vector<BYTE> bytes(size, fill);
        return RegSetValueExA(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(size));
    }
    std::vector<BYTE> Query(HKEY key, const char* name)
    {
        std::vector<BYTE> out(kMaxValueBytes);
        DWORD size = static_cast<DWORD>(out.size());
        if (RegQueryValueExA(key, name, nullptr, nullptr, out.data(), &size) != ERROR_SUCCESS) {
            return {};
        }
        out.resize(size);
        return out;
    }
    std::string Contents(const std::string& path) const
    {
        const auto bytes = testsupport::ReadAll(path);
        return {bytes.begin(), bytes.end()};
    }
};

// A store whose text is `slack` bytes short of the limit: 1 MiB binary values
// (three text bytes each) and one text value that fills up the rest.
std::string StoreNearTheLimit(std::size_t slack)
{
    StoreData data;
    StoredKey& key = data.AddKey(kKey);
    const std::vector<std::uint8_t> big(kMaxValueBytes, 0x5A);
    std::size_t size = FormatStore(data).size();
    for (int i = 0; size + 3 * big.size() + 64 < kMaxStoreBytes - slack; ++i) {
        SetValue(key, std::string("Big").append(std::to_string(i)), REG_BINARY, big.data(), big.size());
        size += ValueTextSize(key.values.back());
    }
    const std::uint8_t nothing = 0;
    SetValue(key, "Fill", REG_SZ, &nothing, 1);
    std::vector<std::uint8_t> text(kMaxStoreBytes - slack - size - ValueTextSize(key.values.back()) + 1, 'f');
    text.back() = 0;
    SetValue(key, "Fill", REG_SZ, text.data(), text.size());
    std::string out = FormatStore(data);
    EXPECT_EQ(out.size(), kMaxStoreBytes - slack);
    return out;
}

TEST_F(StoreFilesTest, AChangePastTheSizeLimitIsRefusedAndTheStoreStaysReadable)
{
    WriteStore(StoreNearTheLimit(1000));
    HKEY late = Open();  // sees the room as it is now
    HKEY key = Open();
    EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, SetBytes(key, "More", 1000, 1)) << "three text bytes per byte: past the limit";
    EXPECT_EQ(ERROR_SUCCESS, SetBytes(key, "Small", 100, 2));
    EXPECT_EQ(ERROR_SUCCESS, SetBytes(key, "Big0", kMaxValueBytes, 3)) << "a value of the same size adds nothing";
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    const std::string saved = ReadStore();
    EXPECT_LE(saved.size(), kMaxStoreBytes);
    StoreData data;
    ASSERT_TRUE(ParseStore(saved, data));
    StoredKey* stored = data.FindKey(kKey);
    ASSERT_NE(nullptr, stored);
    ASSERT_NE(nullptr, FindValue(*stored, "Small"));
    EXPECT_EQ(std::vector<std::uint8_t>(100, 2), FindValue(*stored, "Small")->data);
    EXPECT_EQ(std::vector<std::uint8_t>(kMaxValueBytes, 3), FindValue(*stored, "Big0")->data);
    EXPECT_EQ(nullptr, FindValue(*stored, "More"));

    // The other writer used the room meanwhile: this save is refused as a whole.
    struct stat before {}, after {};
    ASSERT_EQ(0, stat(StoreFile().c_str(), &before));
    EXPECT_EQ(ERROR_SUCCESS, SetBytes(late, "Late", 250, 5));
    EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, RegCloseKey(late));
    ASSERT_EQ(0, stat(StoreFile().c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino) << "a rewrite would have renamed a new file into place";
    EXPECT_EQ(before.st_size, after.st_size);
    EXPECT_TRUE(AsideFiles().empty());
}

TEST_F(StoreFilesTest, AStoreFileLargerThanTheLimitIsKeptAsideWhole)
{
    std::string text = StoreNearTheLimit(0);
    text.insert(text.end() - 7, '\n');  // one byte past the limit, still well formed
    WriteStore(text);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
    const auto aside = AsideFiles();
    ASSERT_EQ(1u, aside.size());
    EXPECT_EQ(fs::file_size(aside[0]), kMaxStoreBytes + 1);
}

TEST_F(StoreFilesTest, ValuesOfAFailedSaveGoOutWithTheNextOne)
{
    HKEY key = Open();
    SetText(key, "First", "1");
    // The lock cannot be taken: a folder stands where the lock file was.
    ASSERT_EQ(0, unlink(LockFile().c_str()));
    ASSERT_EQ(0, mkdir(LockFile().c_str(), 0700));
    EXPECT_NE(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_FALSE(fs::exists(StoreFile()));
    ASSERT_EQ(0, rmdir(LockFile().c_str()));

    key = Open(KEY_READ);
    EXPECT_EQ((std::vector<BYTE>{'1', 0}), Query(key, "First")) << "the process still sees its unsaved value";
    RegCloseKey(key);
    EXPECT_FALSE(fs::exists(StoreFile())) << "a reading handle writes nothing";

    key = Open();
    SetText(key, "Second", "2");
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    const std::string saved = ReadStore();
    EXPECT_NE(std::string::npos, saved.find("\"First\"=\"1\"")) << saved;
    EXPECT_NE(std::string::npos, saved.find("\"Second\"=\"2\"")) << saved;

    // Once saved, they are not written again over newer values of other processes.
    WriteStore(saved.substr(0, saved.find("\"First\"")) + "\"First\"=\"other\"\n\n; end\n");
    key = Open();
    SetText(key, "Third", "3");
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_NE(std::string::npos, ReadStore().find("\"First\"=\"other\"")) << ReadStore();
}

TEST_F(StoreFilesTest, LinksAreNeverFollowedAndTheStoreIsPrivate)
{
    const std::string victim = dir.file("victim");
    testsupport::WriteAll(victim, {'k', 'e', 'e', 'p'});
    chmod(victim.c_str(), 0644);
    fs::create_directories(Folder());

    // A dangling lock link would create its target.
    ASSERT_EQ(0, symlink(dir.file("made-by-lock").c_str(), LockFile().c_str()));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    EXPECT_FALSE(fs::exists(dir.file("made-by-lock")));
    ASSERT_EQ(0, unlink(LockFile().c_str()));

    // A store that is a link to a file that is not this user's is neither
    // read nor replaced, nor is what it names.
    ASSERT_EQ(0, symlink(victim.c_str(), StoreFile().c_str()));
    if (chown(victim.c_str(), geteuid() + 1, getegid()) != 0) {
        GTEST_SKIP() << "needs root to give the target to another user";
    }
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
    const BYTE b = 1;
    EXPECT_NE(ERROR_SUCCESS, RegSetValueExA(HKEY_CURRENT_USER, "Root", 0, REG_BINARY, &b, 1));
    EXPECT_EQ("keep", Contents(victim));
    EXPECT_TRUE(fs::is_symlink(StoreFile()));
    EXPECT_NE(StoreProblem(false).find("a file of another user"), std::string::npos) << StoreProblem(false);
    ASSERT_EQ(0, unlink(StoreFile().c_str()));

    // A store that others could read becomes private at the next save, and
    // temp files of a writer killed mid-save are removed.
    WriteStore("; Tapvox settings store, format 1\n\n; end\n");
    chmod(StoreFile().c_str(), 0644);
    chmod(Folder().c_str(), 0777);
    const std::string stale = StoreFile() + ".tmp-Ab3dE9";
    testsupport::WriteAll(stale, {'x'});
    key = Open();
    SetText(key, "A", "1");
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    struct stat st {};
    ASSERT_EQ(0, stat(StoreFile().c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 07777);
    ASSERT_EQ(0, stat(Folder().c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    EXPECT_FALSE(fs::exists(stale));
}

// Dotfile managers keep the store elsewhere and link it in: the link stays, its target is rewritten beside itself.
TEST_F(StoreFilesTest, ALinkToTheUsersOwnFileIsFollowedAndItsTargetReplacedBesideIt)
{
    const std::string kept = dir.file("dotfiles");
    fs::create_directories(kept);
    fs::create_directories(Folder());
    const std::string target = kept + "/tapvox.reg";
    testsupport::WriteAll(target, {});
    ASSERT_EQ(0, symlink("../dotfiles/tapvox.reg", StoreFile().c_str()));
    HKEY key = Open();
    SetText(key, "Kept", "yes");
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_TRUE(fs::is_symlink(StoreFile()));
    EXPECT_NE(std::string::npos, Contents(target).find("\"Kept\"=\"yes\"")) << Contents(target);
    key = Open(KEY_READ);
    EXPECT_EQ((std::vector<BYTE>{'y', 'e', 's', 0}), Query(key, "Kept"));
    RegCloseKey(key);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(kept), fs::directory_iterator())) << "no temp file left there";
    EXPECT_EQ("", StoreProblem(true));

    ASSERT_EQ(0, unlink(target.c_str()));
    EXPECT_NE(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    EXPECT_FALSE(fs::exists(target)) << "a dangling link makes nothing";
    EXPECT_NE(StoreProblem(false).find("which does not exist"), std::string::npos) << StoreProblem(false);
}

TEST_F(StoreFilesTest, AFolderOfAnotherUserIsNeitherReadNorWritten)
{
    // Root owns the folder, mode 0777, with a store planted in it; the
    // recorder runs as nobody.
    chmod(dir.path().c_str(), 0755);
    WriteStore("; Tapvox settings store, format 1\n\n[" + std::string(kKey) + "]\n\"Planted\"=\"1\"\n\n; end\n");
    chmod(Folder().c_str(), 0777);
    chmod(StoreFile().c_str(), 0666);
    const std::string before = ReadStore();
    const int refused = testsupport::RunAsOtherUser([&] {
        HKEY key = nullptr;
        return RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_ACCESS_DENIED &&
                       RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                           ERROR_ACCESS_DENIED
                   ? 0
                   : 1;
    });
    if (refused == testsupport::kNotRoot) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    EXPECT_EQ(0, refused);
    EXPECT_EQ(before, ReadStore());
    EXPECT_EQ(1, std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()))
        << "nothing made beside the planted store";
}

TEST_F(StoreFilesTest, FifosInPlaceOfTheStoreTheLockOrAnAutostartEntryAreRefusedWithoutBlocking)
{
    fs::create_directories(Folder());
    ASSERT_EQ(0, mkfifo(StoreFile().c_str(), 0600));
    EXPECT_EQ(0, testsupport::RunInChild([&] {
        HKEY key = nullptr;
        const bool refused = RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_ACCESS_DENIED &&
                             RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                             nullptr) == ERROR_ACCESS_DENIED;
        return refused ? 0 : 1;
    }, 5));
    ASSERT_EQ(0, unlink(StoreFile().c_str()));
    fs::remove(LockFile());
    ASSERT_EQ(0, mkfifo(LockFile().c_str(), 0600));
    EXPECT_EQ(0, testsupport::RunInChild([&] {
        HKEY key = nullptr;
        return RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                       ERROR_ACCESS_DENIED
                   ? 0
                   : 1;
    }, 5));

    fs::create_directories(dir.path() + "/autostart");
    ASSERT_EQ(0, mkfifo((dir.path() + "/autostart/Tapvox.desktop").c_str(), 0600));
    EXPECT_EQ(0, testsupport::RunInChild([&] {
        HKEY run = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                          KEY_READ | KEY_WRITE, &run) != ERROR_SUCCESS) {
            return 1;
        }
        char buf[260];
        DWORD size = sizeof buf;
        const char command[] = "tapvox -m";
        const bool refused =
            RegQueryValueExA(run, "Tapvox", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS &&
            RegSetValueExA(run, "Tapvox", 0, REG_SZ, reinterpret_cast<const BYTE*>(command), sizeof command) !=
                ERROR_SUCCESS;
        RegCloseKey(run);
        return refused ? 0 : 2;
    }, 5));
}
}
