// Shortcuts as desktop entries: made where each desktop looks for them, read
// back, replaced and removed, and valid for desktop-file-validate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "app/CShortcut.h"
#include "platform/kernel/Files.h"
#include "platform/shell/DesktopEntry.h"
#include "tests/support/TestSupport.h"

namespace {
class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("HOME", dir.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    }
    std::string Text(const std::string& path)
    {
        const auto bytes = testsupport::ReadAll(path);
        return std::string(bytes.begin(), bytes.end());
    }
    void ExpectValid(const std::string& path)
    {
        if (!testsupport::HaveTool("desktop-file-validate")) {
            GTEST_SKIP() << "desktop-file-validate is not installed";
        }
        int status = -1;
        const std::string out = testsupport::RunCapture("desktop-file-validate '" + path + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("error"), std::string::npos) << out;
    }
    testsupport::TempDir dir;
    CShortcut shortcut;
};

TEST_F(ShortcutTest, EachFolderIsWhereItsDesktopLooks)
{
    char path[MAX_PATH];
    ASSERT_TRUE(shortcut.FolderPath(CSIDL_DESKTOP, path));
    EXPECT_EQ(std::string(path), dir.file("Desktop/"));
    ASSERT_TRUE(shortcut.FolderPath(kQuickLaunchFolder, path));
    EXPECT_EQ(std::string(path), dir.file("data/applications/"));
    ASSERT_TRUE(shortcut.FolderPath(CSIDL_STARTUP, path));
    EXPECT_EQ(std::string(path), dir.file("config/autostart/"));

    // The desktop of another language, as user-dirs.dirs names it.
    mkdir(dir.file("config").c_str(), 0700);
    testsupport::WriteAll(dir.file("config/user-dirs.dirs"),
                          {'#', '\n', 'X', 'D', 'G', '_', 'D', 'E', 'S', 'K', 'T', 'O', 'P', '_', 'D', 'I', 'R', '=',
                           '"', '$', 'H', 'O', 'M', 'E', '/', 'B', 'u', 'r', 'e', 'a', 'u', '"', '\n'});
    ASSERT_TRUE(shortcut.FolderPath(CSIDL_DESKTOP, path));
    EXPECT_EQ(std::string(path), dir.file("Bureau/"));
}

TEST_F(ShortcutTest, TheProgramItselfOnTheDesktopMadeAgainReadAndRemoved)
{
    char program[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    ASSERT_TRUE(shortcut.Create("_this", "Tapvox", CSIDL_DESKTOP, "", nullptr, 1));
    const std::string path = dir.file("Desktop/Tapvox.desktop");
    ExpectValid(path);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "desktops start only launchers that may run";

    char target[MAX_PATH] = "";
    char description[MAX_PATH] = "x";
    EXPECT_EQ(shortcut.ReadTarget("Tapvox", CSIDL_DESKTOP, nullptr, target, description), S_OK);
    EXPECT_STREQ(target, program);
    EXPECT_STREQ(description, "");

    // Made again: replaced, not doubled.
    ASSERT_TRUE(shortcut.Create("/usr/bin/other", "Tapvox", CSIDL_DESKTOP, "Records sound", nullptr, 1));
    EXPECT_EQ(shortcut.ReadTarget("Tapvox", CSIDL_DESKTOP, nullptr, target, description), S_OK);
    EXPECT_STREQ(target, "/usr/bin/other");
    EXPECT_STREQ(description, "Records sound");
    EXPECT_EQ(Text(path).find("Exec=", Text(path).find("Exec=") + 1), std::string::npos);

    EXPECT_TRUE(shortcut.Delete("Tapvox", CSIDL_DESKTOP));
    EXPECT_FALSE(shortcut.Delete("Tapvox", CSIDL_DESKTOP)) << "no such shortcut";
    EXPECT_FALSE(shortcut.Delete(nullptr, CSIDL_DESKTOP));
    EXPECT_NE(shortcut.ReadTarget("Tapvox", CSIDL_DESKTOP, nullptr, target, description), S_OK);
}

TEST_F(ShortcutTest, LauncherAndAutostartEntriesAreValid)
{
    ASSERT_TRUE(shortcut.Create("_this", "Tapvox", kQuickLaunchFolder, "Sound recorder", "/usr/share/icons/tapvox.png", 0));
    ExpectValid(dir.file("data/applications/Tapvox.desktop"));
    ASSERT_TRUE(shortcut.Create("_this", "Tapvox", CSIDL_STARTUP, nullptr, nullptr, 0));
    ExpectValid(dir.file("config/autostart/Tapvox.desktop"));
}

TEST_F(ShortcutTest, AwkwardProgramPathsSurviveTheExecLine)
{
    const std::string odd = dir.file("My Programs/100% \"loud\" $HOME `x`\\tapvox");
    ASSERT_TRUE(shortcut.Create(odd.c_str(), "Odd", CSIDL_DESKTOP, "Line one\nline two", nullptr, 0));
    ExpectValid(dir.file("Desktop/Odd.desktop"));
    char target[MAX_PATH] = "";
    char description[MAX_PATH] = "";
    ASSERT_EQ(shortcut.ReadTarget("Odd", CSIDL_DESKTOP, nullptr, target, description), S_OK);
    EXPECT_EQ(std::string(target), odd);
    EXPECT_STREQ(description, "Line one\nline two");

    EXPECT_EQ(platform::SplitExecLine("tapvox -m %U"), (std::vector<std::string>{"tapvox", "-m"}));
    EXPECT_EQ(platform::SplitExecLine("\"/a b/c\" 50%%"), (std::vector<std::string>{"/a b/c", "50%"}));
}

TEST_F(ShortcutTest, AnEntryThatIsNoApplicationIsNotAShortcut)
{
    char folder[MAX_PATH];
    ASSERT_TRUE(shortcut.FolderPath(CSIDL_DESKTOP, folder));
    const std::string link = "[Desktop Entry]\nType=Link\nName=Web\nURL=http://example.invalid/\n";
    testsupport::WriteAll(std::string(folder) + "Web.desktop", std::vector<std::uint8_t>(link.begin(), link.end()));
    char target[MAX_PATH] = "";
    char description[MAX_PATH] = "";
    EXPECT_EQ(shortcut.ReadTarget("Web", CSIDL_DESKTOP, nullptr, target, description), E_FAIL);
}
}
