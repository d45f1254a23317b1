// Edits take what every desktop entry takes, typed with real keys and pasted through the X
// server's selections by other programs, and the layer's edit keeps it as UTF-8.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/platform/display/DesktopFixture.h"

namespace desktoptest {
namespace {
// Runs a shell command beside the program's loop (it may need the loop to answer it,
// as a clipboard read does) and gives what it wrote; none when it did not end in time.
std::optional<std::string> RunBeside(const std::string& command)
{
    char dir[] = "/tmp/tapvox-entry-XXXXXX";
    if (!mkdtemp(dir)) {
        return std::nullopt;
    }
    const std::string out = std::string(dir) + "/out";
    const std::string done = std::string(dir) + "/done";
    const std::string line = "( " + command + " ) >" + out + " 2>/dev/null; touch " + done;
    if (std::system(("(" + line + ") &").c_str()) != 0) {
        return std::nullopt;
    }
    struct stat st {};
    const bool ended = dt::RunUntil([&] { return stat(done.c_str(), &st) == 0; }, 10000);
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    std::system(("rm -rf " + std::string(dir)).c_str());
    return ended ? std::optional<std::string>(text.str()) : std::nullopt;
}

std::pair<DWORD, DWORD> Selection(HWND edit)
{
    DWORD a = 0;
    DWORD b = 0;
    SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
}

TEST_F(Desktop, EditsTakeAnyTextTheSelectionAndTheClipboardsAsTheToolkitsEntriesDo)
{
    HWND frame = Frame();
    HWND edit = Child(frame, WC_EDIT, "", WS_BORDER | WS_TABSTOP, 3, {10, 10, 300, 32});
    ShowAndSettle(frame);
    dt::Click(edit);
    ASSERT_TRUE(dt::RunUntil([&] { return GetFocus() == edit; }));
    const auto text = [&] { return platform::headless::Text(edit); };

    // Any Unicode text typed, stored as UTF-8; each character reached the edit as the program's character message.
    Log().clear();
    ASSERT_TRUE(RunBeside("xdotool type --delay 120 'Zoë – says'"));
    EXPECT_TRUE(dt::RunUntil([&] { return text() == "Zo\xC3\xAB \xE2\x80\x93 says"; })) << text();
    EXPECT_EQ(dt::NativeValue(edit), "Zo\xC3\xAB \xE2\x80\x93 says");

    // Shift+Home selects back to the start (in bytes, as the layer counts), Ctrl+C copies it for other programs.
    dt::Key(VK_HOME, {VK_SHIFT});
    EXPECT_TRUE(dt::RunUntil([&] { return Selection(edit) == std::pair<DWORD, DWORD>(0, 13); }))
        << Selection(edit).first << "," << Selection(edit).second;
    dt::Key('C', {VK_CONTROL});
    EXPECT_EQ(RunBeside("xclip -o -selection clipboard").value_or("(none)"), "Zo\xC3\xAB \xE2\x80\x93 says");
    EXPECT_EQ(text(), "Zo\xC3\xAB \xE2\x80\x93 says") << "Ctrl+C typed into the edit";

    // Ctrl+A selects all, typing replaces it, Ctrl+V pastes what the clipboard holds.
    dt::Key(VK_END);
    dt::Key('A', {VK_CONTROL});
    EXPECT_TRUE(dt::RunUntil([&] { return Selection(edit) == std::pair<DWORD, DWORD>(0, 13); }));
    dt::Type("x");
    EXPECT_TRUE(dt::RunUntil([&] { return text() == "x"; })) << text();
    dt::Key('V', {VK_CONTROL});
    EXPECT_TRUE(dt::RunUntil([&] { return text() == "xZo\xC3\xAB \xE2\x80\x93 says"; })) << text();

    // Another program's text pasted with Ctrl+V; Ctrl+X cuts into the clipboard.
    ASSERT_TRUE(RunBeside("printf '\xC3\xA9t\xC3\xA9' | xclip -selection clipboard -i"));
    dt::Key(VK_HOME);
    dt::Key('V', {VK_CONTROL});
    EXPECT_TRUE(dt::RunUntil([&] { return text() == "\xC3\xA9t\xC3\xA9xZo\xC3\xAB \xE2\x80\x93 says"; })) << text();
    dt::Key(VK_HOME, {VK_SHIFT});
    dt::Key('X', {VK_CONTROL});
    EXPECT_TRUE(dt::RunUntil([&] { return text() == "xZo\xC3\xAB \xE2\x80\x93 says"; })) << text();
    EXPECT_EQ(RunBeside("xclip -o -selection clipboard").value_or("(none)"), "\xC3\xA9t\xC3\xA9");

    // The primary selection: what is selected is there for another program's middle button.
    dt::Key(VK_END);
    dt::Key(VK_LEFT, {VK_SHIFT});
    dt::Key(VK_LEFT, {VK_SHIFT});
    EXPECT_TRUE(dt::RunUntil([&] { return Selection(edit) == std::pair<DWORD, DWORD>(12, 14); }));
    EXPECT_EQ(RunBeside("xclip -o -selection primary").value_or("(none)"), "ys");
}

TEST_F(Desktop, PastedTextPassesTheEditsOwnChecksCharacterByCharacter)
{
    HWND frame = Frame();
    HWND edit = Child(frame, WC_EDIT, "", WS_BORDER | WS_TABSTOP | ES_NUMBER, 3, {10, 10, 300, 32});
    SendMessage(edit, EM_LIMITTEXT, 4, 0);
    ShowAndSettle(frame);
    dt::Click(edit);
    ASSERT_TRUE(dt::RunUntil([&] { return GetFocus() == edit; }));
    ASSERT_TRUE(RunBeside("printf '1a2/345' | xclip -selection clipboard -i"));
    dt::Key('V', {VK_CONTROL});
    EXPECT_TRUE(dt::RunUntil([&] { return platform::headless::Text(edit) == "1234"; })) << platform::headless::Text(edit);
    // The entry shows what the edit kept, not what was pasted.
    EXPECT_TRUE(dt::RunUntil([&] { return dt::NativeValue(edit) == "1234"; })) << dt::NativeValue(edit);
}
}
}
