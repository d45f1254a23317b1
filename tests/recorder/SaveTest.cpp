// Saving and closing recordings: naming a generated file (Save As, the category prompt, the
// parts of a split recording), Save As by copy or move, the question before a recording
// goes, and a reorder that cannot finish.
#include "files/Mp3File.h"
#include "files/Mp3TagSwitch.h"
#include "platform/ipc/Ipc.h"
#include "tests/recorder/RecorderFixture.h"

namespace {
class Save : public RecorderTest {
protected:
    void SetUp() override
    {
        RecorderTest::SetUp();
        AutoName = false;
    }
    void Record(int buffers)
    {
        ClickRecord();
        ASSERT_TRUE(dialog->IsRecording());
        Feed(buffers, true);
        FeedFrames(33, true);
        ClickStop();
    }
};

// A window whose message, posted before a copy, is handled by the copy's own loop:
// it clicks Cancel in the progress window, as a user would while the copy runs.
constexpr UINT kCancelCopy = WM_USER + 1;

LRESULT CancelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kCancelCopy) {
        for (const char* title : {"Copying audio data", "Copying audio data 1/2"}) {
            if (HWND p = FindWindowA(nullptr, title)) {
                SendMessage(p, WM_COMMAND, IDCANCEL, 0);
            }
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void CancelTheNextCopy()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = CancelProc;
    wc.lpszClassName = "TapvoxTestCanceller";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "TapvoxTestCanceller", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    PostMessage(w, kCancelCopy, 0, 0);
}
}

TEST_F(Save, YesAndANameChosenWithAnotherEndingKeepTheRecordingsType)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    Record(4);
    const std::string temp = CurrentName();
    EXPECT_EQ(temp, folder + "/~rec_1.wav");
    hl::AnswerMessageBox(IDYES);
    hl::AnswerFileDialog({folder + "/interview.mp3", false});
    EXPECT_TRUE(dialog->filecanclose());
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    ASSERT_EQ(hl::MessageBoxes().size(), 1u);
    EXPECT_EQ(hl::MessageBoxes()[0].text, "Do you want to save?");
    EXPECT_EQ(hl::MessageBoxes()[0].caption, "Sound file has changed");
    EXPECT_EQ(hl::MessageBoxes()[0].type, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"interview.wav"});
    EXPECT_EQ(SoxSamples(folder + "/interview.wav"), fed);
}

TEST_F(Save, YesThenCancelInSaveAsKeepsTheRecordingOpenAndRefusesTheClose)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    Record(4);
    hl::AnswerMessageBox(IDYES);
    hl::AnswerFileDialog({std::nullopt, false});
    EXPECT_FALSE(dialog->filecanclose());
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(CurrentName(), folder + "/~rec_1.wav");
    EXPECT_TRUE(dialog->GetCurrentFile()->HasTempName());
    delete frame;
    frame = nullptr;
    EXPECT_EQ(SoxSamples(folder + "/~rec_1.wav"), fed);
}

// With the pattern switched to a category prompt, the chooser names the take in the
// recording folder and keeps the category as a file; Cancel while closing discards the take.
TEST_F(Save, ThePromptForACategoryNamesTheTakeAfterIt)
{
    TAPVOX_REQUIRE_TOOL("sox");
    AutoName = true;
    AutoPrompt = true;
    Open();
    Record(4);
    EXPECT_EQ(CurrentName(), folder + "/~rec_1.wav");
    std::string caption;
    std::string prompt;
    hl::AnswerDialog(206, [&](HWND chooser) {
        char text[128] = "";
        GetWindowTextA(chooser, text, sizeof text);
        caption = text;
        GetDlgItemTextA(chooser, 207, text, sizeof text);
        prompt = text;
        SetWindowTextA(GetDlgItem(chooser, 208), "Interview");
        hl::Click(GetDlgItem(chooser, IDOK));
    });
    EXPECT_TRUE(dialog->filecanclose());
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(caption, "AutoPrompt");
    EXPECT_EQ(prompt, "Please enter category for recording:");
    EXPECT_TRUE(hl::FileDialogRequests().empty()) << "no Save As";
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"Interview_1.wav"});
    EXPECT_TRUE(platform::NameExists(folder + "/Interview.CAT"));
    EXPECT_EQ(SoxSamples(folder + "/Interview_1.wav"), fed);

    // The second take lists the category; Cancel while closing discards the take.
    ASSERT_TRUE(dialog->openfile(nullptr, -1));
    const std::string second = CurrentName();
    Record(2);
    int listed = -1;
    hl::AnswerDialog(206, [&](HWND chooser) {
        listed = static_cast<int>(SendMessage(GetDlgItem(chooser, 208), CB_GETCOUNT, 0, 0));
        hl::Click(GetDlgItem(chooser, IDCANCEL));
    });
    EXPECT_FALSE(dialog->savefile(nullptr, true));
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_FALSE(platform::NameExists(second));
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"Interview_1.wav"});
}

// A save that keeps the file open and is cancelled names the take after no category.
TEST_F(Save, ACancelledCategoryPromptWithTheFileKeptOpenNamesItNone)
{
    AutoName = true;
    AutoPrompt = true;
    Open();
    Record(2);
    hl::AnswerDialog(206, [&](HWND chooser) { hl::Click(GetDlgItem(chooser, IDCANCEL)); });
    EXPECT_TRUE(dialog->savefile(nullptr, false));
    EXPECT_EQ(CurrentName(), folder + "/none_1.wav");
    EXPECT_FALSE(dialog->GetCurrentFile()->HasTempName());
}

TEST_F(Save, NoDeletesCancelKeepsAndAnEmptyRecordingGoesWithoutAQuestion)
{
    Open();
    Record(2);
    hl::AnswerMessageBox(IDCANCEL);
    EXPECT_FALSE(dialog->filecanclose());
    EXPECT_NE(dialog->GetCurrentFile(), nullptr);
    hl::AnswerMessageBox(IDNO);
    EXPECT_TRUE(dialog->filecanclose());
    EXPECT_TRUE(WavesIn(folder).empty());

    ASSERT_TRUE(dialog->openfile(nullptr, 0));
    const std::size_t boxes = hl::MessageBoxes().size();
    EXPECT_TRUE(dialog->filecanclose());
    EXPECT_EQ(hl::MessageBoxes().size(), boxes);
    EXPECT_TRUE(WavesIn(folder).empty());
}

// Each finished part is named as the end of the session names a take, by the pattern; the
// part still open keeps its generated name until it is saved.
TEST_F(Save, EachFinishedPartOfASplitRecordingIsNamedByThePattern)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileSize = 1;
    FileAction = 3;
    Open();
    ClickRecord();
    Feed(340, true);
    ClickStop();
    EXPECT_EQ(WavesIn(folder), (std::vector<std::string>{"take_1.wav", "take_2.wav", "~rec_1.wav"}));
    EXPECT_TRUE(dialog->GetCurrentFile()->HasTempName());
    auto all = SoxSamples(folder + "/take_1.wav");
    const auto second = SoxSamples(folder + "/take_2.wav");
    const auto third = SoxSamples(folder + "/~rec_1.wav");
    all.insert(all.end(), second.begin(), second.end());
    all.insert(all.end(), third.begin(), third.end());
    EXPECT_EQ(all, fed);
}

TEST_F(Save, SaveAsOfANamedFileCopiesAndTheSameNameWrittenOtherwiseCopiesNothing)
{
    TAPVOX_REQUIRE_TOOL("sox");
    AutoName = true;
    Open();
    Record(3);
    const std::string first = CurrentName();
    // The same file named relative to the current folder (the recording folder) is no new name.
    ASSERT_TRUE(dialog->savefile("take_1.wav", false));
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"take_1.wav"});
    // Another name on the same file system: a copy, the first file stays.
    ASSERT_TRUE(dialog->savefile((folder + "/Take_1.wav").c_str(), false));
    EXPECT_EQ(CurrentName(), folder + "/Take_1.wav");
    EXPECT_EQ(WavesIn(folder), (std::vector<std::string>{"Take_1.wav", "take_1.wav"}));
    EXPECT_EQ(SoxSamples(folder + "/Take_1.wav"), fed);
    EXPECT_EQ(SoxSamples(first), fed);
}

TEST_F(Save, ACopyThatCannotBeWrittenKeepsTheOriginalOpenAndSaysSo)
{
    TAPVOX_REQUIRE_TOOL("sox");
    AutoName = true;
    Open();
    Record(10);
    const std::string first = CurrentName();
    LimitFileSize(3 * BufferBytes());
    EXPECT_TRUE(dialog->savefile((folder + "/copy.wav").c_str(), false));
    EXPECT_EQ(CurrentName(), first);
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"take_1.wav"});
    ASSERT_FALSE(hl::MessageBoxes().empty());
    EXPECT_NE(hl::MessageBoxes().back().text.find("could not be written"), std::string::npos);
    UnlimitFileSize();
    EXPECT_EQ(SoxSamples(first), fed);
}

TEST_F(Save, ACopyOfAFileOfThreeGigabytesCopiesUntilTheDiskIsFullNotNothing)
{
    Open();
    const std::string big = folder + "/big.wav";
    MakeSparseWave(big, 3u << 30);
    ASSERT_TRUE(dialog->openfile(big.c_str(), -1));
    LimitFileSize(8u << 20);
    EXPECT_TRUE(dialog->savefile((folder + "/copy.wav").c_str(), false));
    UnlimitFileSize();
    EXPECT_EQ(CurrentName(), big);
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"big.wav"});
    ASSERT_FALSE(hl::MessageBoxes().empty());
    EXPECT_NE(hl::MessageBoxes().back().text.find("could not be written"), std::string::npos);
    EXPECT_EQ(dialog->GetCurrentFile()->GetDataSize(), 3u << 30);
}

TEST_F(Save, ACancelledCopyDeletesThePartAndKeepsTheOriginal)
{
    TAPVOX_REQUIRE_TOOL("sox");
    AutoName = true;
    Open();
    Record(10);
    const std::string first = CurrentName();
    CancelTheNextCopy();
    EXPECT_TRUE(dialog->savefile((folder + "/copy.wav").c_str(), false));
    EXPECT_EQ(CurrentName(), first);
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"take_1.wav"});
    EXPECT_EQ(SoxSamples(first), fed);
}

TEST_F(Save, AReorderThatCannotBeWrittenKeepsTheRecordingAndSaysSoOnce)
{
    TAPVOX_REQUIRE_TOOL("sox");
    AutoName = true;
    FileSize = 1;
    FileAction = 1;
    Open();
    ClickRecord();
    Feed(200, true);
    ASSERT_TRUE(dialog->GetCurrentFile()->GetOverwrite());
    const std::string name = CurrentName();
    const std::size_t boxes = hl::MessageBoxes().size();
    // The second copy the reorder needs does not fit.
    LimitFileSize(600000);
    ClickStop();
    UnlimitFileSize();
    EXPECT_EQ(CurrentName(), name);
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"take_1.wav"});
    ASSERT_EQ(hl::MessageBoxes().size(), boxes + 1);
    EXPECT_NE(hl::MessageBoxes().back().text.find("not re-ordered"), std::string::npos);
    // Still the whole recording, in its loop order: the newest audio first, then the older.
    const auto samples = SoxSamples(name);
    ASSERT_GE(samples.size(), 1048576u);
    const std::size_t newer = fed.size() - 1049600;
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(newer),
                           fed.begin() + 1049600));
}

TEST_F(Save, ACancelledReorderKeepsTheRecording)
{
    TAPVOX_REQUIRE_TOOL("sox");
    AutoName = true;
    FileSize = 1;
    FileAction = 1;
    Open();
    ClickRecord();
    Feed(200, true);
    const std::string name = CurrentName();
    CancelTheNextCopy();
    dialog->stop();
    EXPECT_EQ(CurrentName(), name);
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"take_1.wav"});
    EXPECT_GE(SoxSamples(name).size(), 1048576u);
    EXPECT_NE(hl::MessageBoxes().back().text.find("cancelled"), std::string::npos);
}

TEST_F(Save, AGeneratedRecordingSavedOntoAnotherFileSystemLeavesNoTemporaryCopy)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string other = dir.file("other");
    if (!SmallFileSystem(other, "4m")) {
        GTEST_SKIP() << "no private mount namespace here";
    }
    Open();
    Record(5);
    hl::AnswerFileDialog({other + "/kept.wav", false});
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    EXPECT_EQ(SoxSamples(other + "/kept.wav"), fed);
    EXPECT_TRUE(WavesIn(folder).empty());
}

TEST_F(Save, ACopyOfAnMp3WithoutItsTagTakesItsCompanionFileAndSoItsMarkersAlong)
{
    struct TagSwitch {
        ~TagSwitch() { Mp3EnableTagSwitch = Mp3EnableTag = true; }
    } restore;
    Mp3EnableTagSwitch = Mp3EnableTag = false;
    AutoName = true;
    DefaultAudioFormat = 1;
    Open();
    Record(4);
    const std::string first = CurrentName();
    ASSERT_EQ(first, folder + "/take_1.mp3");
    // A link left under the copy's companion name is replaced, never written through.
    const std::string elsewhere = dir.file("elsewhere.txt");
    testsupport::WriteAll(elsewhere, {'k', 'e', 'e', 'p'});
    ASSERT_EQ(symlink(elsewhere.c_str(), (folder + "/copy.~p3").c_str()), 0);

    const std::string copy = folder + "/copy.mp3";
    ASSERT_TRUE(dialog->savefile(copy.c_str(), false));
    EXPECT_EQ(CurrentName(), copy);
    auto* open = dynamic_cast<RecFile*>(dialog->GetCurrentFile());
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->GetMarkerCount(), 1) << "the start marker";
    for (const std::string& name : {first, copy}) {
        Mp3File f(name.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(f.open()) << name;
        EXPECT_EQ(f.GetMarkerCount(), 1) << name;
        EXPECT_EQ(f.GetMarkerTime(0), open->GetMarkerTime(0)) << name;
    }
    struct stat st {};
    ASSERT_EQ(lstat((folder + "/copy.~p3").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(testsupport::ReadAll(elsewhere), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}
