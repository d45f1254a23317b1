// The registry store: values across reopen, writes at close, kills, two writers, damaged stores, the Run key.
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryText.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/platform/registry/RegistryFixture.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace platform::registry;

namespace {
class RegistryTest : public RegistryFixture {};

TEST_F(RegistryTest, ValuesOfEachTypeSurviveCloseAndReopenAndTheFileIsReadable)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                             nullptr, &key, &disposition));
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    const BYTE level = 42;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "SoundLevel", 0, REG_BINARY, &level, 1));
    const LONG x = -5;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "WindowX", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&x), 4));
    const DWORD count = 100;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), 4));
    SetText(key, "DefaultDirectory", "/home/u/Recordings \"new\"\\ünï\tx");
    const char raw[] = {'a', '\0', 'b'};  // a text value without its terminator, with a NUL inside
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), 3));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    const std::string text = ReadStore();
    EXPECT_NE(std::string::npos, text.find("[Software\\Fennwicke\\Tapvox]\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\"SoundLevel\"=hex:2a\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\"Count\"=dword:00000064\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\"DefaultDirectory\"=\"/home/u/Recordings \\\"new\\\"\\\\ünï\\tx\"")) << text;

    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "software\\FENNWICKE\\tapvox", 0, KEY_READ, &key));
    BYTE b = 0;
    DWORD size = 1, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "soundlevel", nullptr, &type, &b, &size));
    EXPECT_EQ(42, b);
    EXPECT_EQ(REG_BINARY, type);
    LONG readX = 0;
    size = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "WindowX", nullptr, nullptr, reinterpret_cast<BYTE*>(&readX), &size));
    EXPECT_EQ(-5, readX);
    char buf[260];
    size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "DefaultDirectory", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_STREQ("/home/u/Recordings \"new\"\\ünï\tx", buf);
    EXPECT_EQ(REG_SZ, type);
    size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Odd", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(0, std::memcmp(buf, raw, 3));
    DWORD c = 0;
    size = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&c), &size));
    EXPECT_EQ(100u, c);
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryTest, QueryFailsForMissingOrTooLargeValuesAndDoesNotCheckTheType)
{
    HKEY key = Open();
    SetText(key, "SampleRate", "44100");
    const BYTE four[4] = {1, 2, 3, 4};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Wide", 0, REG_BINARY, four, 4));

    BYTE b = 0x77;
    DWORD size = 1;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", nullptr, nullptr, &b, &size));
    size = 1;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Wide", nullptr, nullptr, &b, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0x77, b) << "nothing is copied when the value does not fit";
    // A text read as a 4-byte number: the stored type is not checked.
    char text[4] = {};
    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "SampleRate", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
    size = 6;
    char six[6];
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "SampleRate", nullptr, nullptr, reinterpret_cast<BYTE*>(six), &size));
    // Size only.
    size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Wide", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "wide"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "Wide"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST_F(RegistryTest, MissingKeyMachineStoreAndReadOnlyHandles)
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                                 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    EXPECT_FALSE(fs::exists(StoreFile())) << "reading a missing key creates nothing";

    RegCloseKey(Open());
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
    const BYTE b = 1;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "X", 0, REG_BINARY, &b, 1));
    RegCloseKey(key);
}

TEST_F(RegistryTest, WritesReachTheFileOnlyWhenTheKeyIsClosed)
{
    HKEY key = Open();
    SetText(key, "PlayRate", "1.00");
    RegCloseKey(key);
    const std::string before = ReadStore();

    key = Open();
    SetText(key, "PlayRate", "1.50");
    EXPECT_EQ(before, ReadStore());
    // The writing handle sees its own change; another one does not yet.
    HKEY other = Open(KEY_READ);
    char buf[16];
    DWORD size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(other, "PlayRate", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_STREQ("1.00", buf);
    size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "PlayRate", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_STREQ("1.50", buf);
    RegCloseKey(other);
    RegCloseKey(key);
    EXPECT_NE(std::string::npos, ReadStore().find("\"PlayRate\"=\"1.50\""));
}

TEST_F(RegistryTest, FlushWritesPendingValuesAndRootKeysWorkDirectly)
{
    HKEY key = Open();
    SetText(key, "A", "1");
    EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(key));
    EXPECT_NE(std::string::npos, ReadStore().find("\"A\"=\"1\"")) << ReadStore();
    RegCloseKey(key);
    const BYTE b = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(HKEY_CURRENT_USER, "Top", 0, REG_BINARY, &b, 1));
    BYTE back = 0;
    DWORD size = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(HKEY_CURRENT_USER, "Top", nullptr, nullptr, &back, &size));
    EXPECT_EQ(7, back);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegFlushKey(reinterpret_cast<HKEY>(&back)));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(reinterpret_cast<HKEY>(&back), "Top", nullptr, nullptr, &back, &size));
}

TEST_F(RegistryTest, ProcessKilledBeforeClosingLeavesThePreviousFileByteForByte)
{
    HKEY key = Open();
    SetText(key, "PlayRate", "1.00");
    RegCloseKey(key);
    const std::string before = ReadStore();

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HKEY k = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
        const char text[] = "2.00";
        RegSetValueExA(k, "PlayRate", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
        RegSetValueExA(k, "Other", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
        raise(SIGKILL);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(before, ReadStore());
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing)
{
    RegCloseKey(Open());
    constexpr int kRounds = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < kRounds; ++i) {
                HKEY k = nullptr;
                if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != 0) {
                    _exit(2);
                }
                const std::string name = std::string("P").append(std::to_string(c)) + "_" + std::to_string(i);
                const BYTE b = static_cast<BYTE>(i);
                RegSetValueExA(k, name.c_str(), 0, REG_BINARY, &b, 1);
                if (RegCloseKey(k) != ERROR_SUCCESS) {
                    _exit(3);
                }
            }
            _exit(0);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(0, WEXITSTATUS(status));
    }
    HKEY key = Open(KEY_READ);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kRounds; ++i) {
            BYTE b = 0xFF;
            DWORD size = 1;
            const std::string name = std::string("P").append(std::to_string(c)) + "_" + std::to_string(i);
            ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name.c_str(), nullptr, nullptr, &b, &size)) << name;
            EXPECT_EQ(i, b);
        }
    }
    RegCloseKey(key);
    EXPECT_TRUE(AsideFiles().empty());
}

TEST_F(RegistryTest, DamagedStoreFilesAreKeptAsideAndGiveEmptyValues)
{
    HKEY key = Open();
    SetText(key, "PlayRate", "1.50");
    const BYTE b = 9;
    RegSetValueExA(key, "SoundLevel", 0, REG_BINARY, &b, 1);
    RegCloseKey(key);
    const std::string good = ReadStore();

    std::vector<std::string> damaged = {
        good.substr(0, good.size() / 2),                       // cut in the middle of a line
        good.substr(0, good.find("; end")),                    // cut at a line boundary
        std::string("\xFF\xFE[\0S\0o\0f\0t\0", 12),            // UTF-16
        "; Tapvox settings store, format 1\n[K]\n\"A\"=\"caf\xE9\"\n; end\n",  // Latin-1
        "garbage\x01\x02 line\n\n",
        "; Tapvox settings store, format 1\n\"A\"=hex:00\n; end\n",  // value outside a key
        "; Tapvox settings store, format 1\n[K]\n\"A\"=hex:0\n; end\n",
        "; Tapvox settings store, format 1\n[K]\n\"A\"=dword:123\n; end\n",
        "; Tapvox settings store, format 1\n[K]\n\"A\"=\"unterminated\n; end\n",
        "; Tapvox settings store, format 1\n[K]\n\"A\"=hex(99999999999):00\n; end\n",
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        for (const auto& p : AsideFiles()) {
            fs::remove(p);
        }
        WriteStore(damaged[i]);
        HKEY k = nullptr;
        const LSTATUS rc = RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &k);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, rc) << "a damaged store holds no keys";
        const auto aside = AsideFiles();
        ASSERT_EQ(1u, aside.size());
        const auto kept = testsupport::ReadAll(aside[0].string());
        EXPECT_EQ(damaged[i], std::string(kept.begin(), kept.end())) << "the damaged file is kept as it was";
        EXPECT_FALSE(fs::exists(StoreFile()));
        // Saving again works and gives a good file.
        k = Open();
        SetText(k, "PlayRate", "1.20");
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
        StoreData data;
        EXPECT_TRUE(ParseStore(ReadStore(), data));
        testsupport::SaveSeedBytes("registry_store", "damaged-" + std::to_string(i),
                                   std::vector<std::uint8_t>(damaged[i].begin(), damaged[i].end()));
    }
    testsupport::SaveSeed("registry_store", StoreFile());
}

TEST_F(RegistryTest, UnwritableStoreFolderRefusesToCreateTheKey)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "root can write anywhere";
    }
    fs::create_directories(dir.path() + "/tapvox");
    chmod((dir.path() + "/tapvox").c_str(), 0500);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    chmod((dir.path() + "/tapvox").c_str(), 0700);
}

TEST_F(RegistryTest, RunKeyOfTheUserIsTheAutostartFolder)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                                           KEY_WRITE, &key));
    SetText(key, "Tapvox", "\"/opt/my apps/tapvox\" -m");
    const std::string entry = dir.path() + "/autostart/Tapvox.desktop";
    ASSERT_TRUE(fs::exists(entry));
    const auto bytes = testsupport::ReadAll(entry);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, text.find("[Desktop Entry]\n"));
    EXPECT_NE(std::string::npos, text.find("\nExec=\"/opt/my apps/tapvox\" -m\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\nType=Application\n"));
    char buf[260];
    DWORD size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Tapvox", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_STREQ("\"/opt/my apps/tapvox\" -m", buf);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "Tapvox"));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "Tapvox"));
    EXPECT_NE(ERROR_SUCCESS, RegSetValueExA(key, "../evil", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2));
    RegCloseKey(key);
}

TEST(RegistryText, FormatThenParseGivesTheSameData)
{
    StoreData data;
    StoredKey& k = data.AddKey("Software\\A b\\C");
    const std::uint8_t bin[] = {0, 255, 16};
    SetValue(k, "bin", REG_BINARY, bin, 3);
    SetValue(k, "", REG_BINARY, bin, 0);
    const std::uint8_t latin[] = {'c', 'a', 'f', 0xE9, 0};
    SetValue(k, "latin \"q\"\n", REG_SZ, latin, 5);
    SetValue(k, "multi", 7, bin, 3);
    const std::uint8_t dw[] = {1, 2, 3, 4};
    SetValue(k, "dw", REG_DWORD, dw, 4);
    SetValue(k, "short dword", REG_DWORD, dw, 2);
    data.AddKey("Empty");
    const std::string text = FormatStore(data);
    StoreData back;
    std::string error;
    ASSERT_TRUE(ParseStore(text, back, &error)) << error << "\n" << text;
    EXPECT_EQ(text, FormatStore(back));
    ASSERT_EQ(2u, back.keys.size());
    ASSERT_EQ(6u, back.keys[0].values.size());
    EXPECT_EQ(std::vector<std::uint8_t>(latin, latin + 5), FindValue(back.keys[0], "LATIN \"Q\"\n")->data);
    EXPECT_EQ(7u, FindValue(back.keys[0], "multi")->type);
    EXPECT_EQ(2u, FindValue(back.keys[0], "short dword")->data.size());
    testsupport::SaveSeedBytes("registry_store", "roundtrip", std::vector<std::uint8_t>(text.begin(), text.end()));
}
}
