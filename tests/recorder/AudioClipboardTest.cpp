// The main window's audio clipboard (whole recordings to and from it) and the recording-input menu over the scripted mixer.
#include "tests/recorder/CommandsFixture.h"

#include "platform/mixer/ScriptedMixer.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Keyboard.h"

namespace {
// A window that has to paint while the copy runs: the copy serves paints of
// every window, and this one then clicks Cancel in the progress window, as a
// user would during the copy.
LRESULT CancellerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        for (const char* title : {"Copying audio to clipboard...", "Copying clipboard audio to disk..."}) {
            if (HWND progress = FindWindowA(nullptr, title)) {
                SendMessage(progress, WM_COMMAND, IDCANCEL, 0);
                ValidateRect(hwnd, nullptr);
            }
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CancelDuringTheNextCopy()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = CancellerProc;
    wc.lpszClassName = "TapvoxTestPaintCanceller";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "TapvoxTestPaintCanceller", "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
    InvalidateRect(w, nullptr, FALSE);
    return w;
}

class AudioClipboard : public Commands {
protected:
    // A recording of the counted stream, its headers written; several copy steps long.
    std::string Recorded()
    {
        OpenWithMenu();
        ClickRecord();
        Feed(40, true);
        ClickStop();
        EXPECT_TRUE(dialog->GetCurrentFile()->update());
        return CurrentName();
    }
};
using InputLines = Commands;

platform::scripted::MixerScript CardWithSources(std::vector<std::string> items, std::vector<LONG> values)
{
    namespace script = platform::scripted;
    script::MixerScript card;
    card.name = "Card mixer";
    script::MixerDestinationScript wavein;
    wavein.line = {MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                   "Recording",
                   "Recording Control",
                   {{MIXERCONTROL_CONTROLTYPE_MUX, "Capture source", 0, 1, std::move(items), std::move(values)}}};
    wavein.sources = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line", "Line In", {}}};
    card.destinations = {wavein};
    return card;
}

}

TEST_F(AudioClipboard, AWholeRecordingGoesToTheClipboardAndBackByteForByte)
{
    TAPVOX_REQUIRE_TOOL("sox");
    // Several copy steps: the file is many times the step.
    const std::string path = Recorded();
    const auto original = testsupport::ReadAll(path);
    ASSERT_GT(original.size(), 4u * 45000u);
    ASSERT_TRUE(dialog->CopyFileToClipboard(path.c_str()));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_NE(GetClipboardData(CF_WAVE), nullptr) << "a WAV recording goes as CF_WAVE";
    EXPECT_EQ(GetClipboardData(RegisterClipboardFormatA("mp3")), nullptr);
    CloseClipboard();

    const std::string copy = folder + "/pasted.wav";
    ASSERT_TRUE(dialog->PasteClipboardToFile(copy.c_str()));
    EXPECT_EQ(testsupport::ReadAll(copy), original);
    EXPECT_EQ(SoxSamples(copy), fed);
    EXPECT_TRUE(FindWindowA(nullptr, "Copying clipboard audio to disk...") == nullptr) << "the progress window went";

    // An MP3 recording travels in the registered format; a WAV file cannot be had from it.
    Command(24352);
    ASSERT_EQ(dialog->GetCurrentFile()->GetFileType(), 1);
    ASSERT_TRUE(dialog->CopyFileToClipboard(path.c_str()));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_NE(GetClipboardData(RegisterClipboardFormatA("mp3")), nullptr);
    EXPECT_EQ(GetClipboardData(CF_WAVE), nullptr);
    CloseClipboard();
    Command(24351);
    const std::string none = folder + "/none.wav";
    EXPECT_FALSE(dialog->PasteClipboardToFile(none.c_str()));
    EXPECT_FALSE(platform::NameExists(none));
}

TEST_F(AudioClipboard, MessagesThatArriveDuringACopyRunAfterItInOrder)
{
    const std::string path = Recorded();
    ASSERT_FLOAT_EQ(PlayRate, 1.0f);
    // An accelerator key, a command and a close request, all waiting when the copy starts.
    PostMessage(GetFocus(), WM_KEYDOWN, VK_PRIOR, 0);
    PostMessage(frame->GetHandle(), WM_COMMAND, 25212, 0);
    PostMessage(frame->GetHandle(), WM_COMMAND, 24331, 0);
    const std::string name = CurrentName();
    ASSERT_TRUE(dialog->CopyFileToClipboard(path.c_str()));
    EXPECT_FLOAT_EQ(PlayRate, 1.0f) << "nothing ran inside the copy";
    EXPECT_EQ(CurrentName(), name);
    hl::RunUntilIdle();
    EXPECT_FLOAT_EQ(PlayRate, 1.2f) << "both ran afterwards";
    EXPECT_NE(CurrentName(), name);
}

TEST_F(AudioClipboard, ACancelOrAFailedWriteLeavesNoFileAndTheOldOneAsItWas)
{
    const std::string path = Recorded();
    ASSERT_TRUE(dialog->CopyFileToClipboard(path.c_str()));
    const std::string target = folder + "/kept.wav";
    testsupport::WriteAll(target, {'o', 'l', 'd'});

    HWND canceller = CancelDuringTheNextCopy();
    EXPECT_FALSE(dialog->PasteClipboardToFile(target.c_str()));
    EXPECT_EQ(testsupport::ReadAll(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    DestroyWindow(canceller);

    // A copy to the clipboard cancelled half-way leaves what it held.
    Command(24352);
    canceller = CancelDuringTheNextCopy();
    EXPECT_FALSE(dialog->CopyFileToClipboard(path.c_str()));
    DestroyWindow(canceller);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardData(RegisterClipboardFormatA("mp3")), nullptr);
    EXPECT_NE(GetClipboardData(CF_WAVE), nullptr);
    CloseClipboard();
    Command(24351);

    // The disk fills up half-way through.
    const auto before = testsupport::FolderNames(folder);
    LimitFileSize(100000);
    EXPECT_FALSE(dialog->PasteClipboardToFile(target.c_str()));
    UnlimitFileSize();
    EXPECT_EQ(testsupport::ReadAll(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(testsupport::FolderNames(folder), before) << "no partial file beside it";
}

TEST_F(AudioClipboard, ClipboardAudioLargerThanTheFreeSpaceIsRefusedWithTheBox)
{
    const std::string small = dir.file("small");
    if (!SmallFileSystem(small, "64k")) {
        GTEST_SKIP() << "no private file system to fill";
    }
    const std::string path = Recorded();
    ASSERT_TRUE(dialog->CopyFileToClipboard(path.c_str()));
    const std::string target = small + "/big.wav";
    EXPECT_FALSE(dialog->PasteClipboardToFile(target.c_str()));
    EXPECT_EQ(Boxes("Not enough disk space for this operation"), 1);
    EXPECT_EQ(hl::MessageBoxes().back().caption, "Tapvox");
    EXPECT_TRUE(hl::MessageBoxes().back().type & MB_ICONSTOP);
    EXPECT_FALSE(platform::NameExists(target));
    umount(small.c_str());
}

TEST_F(InputLines, TheMixersSourcesBecomeMenuItemsThatSelectThem)
{
    namespace script = platform::scripted;
    script::SetWaveDevices({"Card"}, {"Speakers"});
    script::SetMixers({CardWithSources({"Microphone", "Line In", "CD", "Aux"}, {1, 0, 0, 0})});
    OpenWithMenu();
    HMENU bar = frame->GetMenu();
    const int barItems = GetMenuItemCount(bar);

    // The main menu has no anchor: nothing is added to it.
    dialog->BuildInputMenu();
    EXPECT_EQ(GetMenuItemCount(bar), barItems);
    EXPECT_EQ(GetMenuState(bar, 28008, MF_BYCOMMAND), 0xFFFFFFFFu);

    // Wired to a menu of its own: the sources other than line-in and microphone go before the anchor.
    HMENU inputs = CreatePopupMenu();
    AppendMenuA(inputs, MF_STRING, 28000, "Line-In");
    AppendMenuA(inputs, MF_STRING, 28001, "Microphone");
    AppendMenuA(inputs, MF_STRING, 28005, "Mixer...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(inputs), "&Input");
    dialog->BuildInputMenu();
    dialog->BuildInputMenu();
    ASSERT_EQ(GetMenuItemCount(inputs), 5) << "built twice, listed once";
    EXPECT_EQ(GetMenuItemID(inputs, 2), 28008u);
    EXPECT_EQ(GetMenuItemID(inputs, 3), 28009u);
    EXPECT_EQ(Item(28009).text, "Aux");
    EXPECT_TRUE(Item(28001).checked);
    EXPECT_FALSE(Item(28000).checked);

    Command(28009);
    EXPECT_EQ(script::MixerControlValues(0, "Capture source"), (std::vector<LONG>{0, 0, 0, 1}));
    EXPECT_TRUE(Item(28009).checked);
    EXPECT_FALSE(Item(28008).checked);
    EXPECT_FALSE(Item(28001).checked);

    Command(28000);
    EXPECT_EQ(script::MixerControlValues(0, "Capture source"), (std::vector<LONG>{0, 1, 0, 0}));
    EXPECT_TRUE(Item(28000).checked);
    EXPECT_FALSE(Item(28009).checked);
    Command(28001);
    EXPECT_EQ(script::MixerControlValues(0, "Capture source"), (std::vector<LONG>{1, 0, 0, 0}));
    EXPECT_TRUE(Item(28001).checked);
    EXPECT_FALSE(Item(28000).checked);

    // Without a mixer the inserted items go and the commands do nothing.
    script::SetMixers({});
    dialog->BuildInputMenu();
    EXPECT_EQ(GetMenuItemCount(inputs), 3);
    Command(28000);
    Command(28008);
}
