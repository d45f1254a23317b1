// The main window's commands: menu items and keys reaching their handlers, the enabling rules in each state, and the file, comment and speed commands.
#include "tests/recorder/CommandsFixture.h"

#include "controls/CoolButton.h"
#include "owl/InputDialog.h"
#include "platform/kernel/Processes.h"
#include "platform/user/Keyboard.h"
#include "platform/user/WindowDC.h"
#include "recorder/PrivateMessages.h"
#include "settings/TimerSchedule.h"

namespace {
TEST_F(Commands, MenuItemsAndKeysReachTheirHandlers)
{
    OpenWithMenu();
    // Ctrl+N: a new default file.
    ASSERT_EQ(dialog->GetCurrentFile(), nullptr);
    hl::Key('N', {VK_CONTROL});
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 0);
    // The typed twins from the menu and by id.
    Command(24352);
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 1);
    Command(24354);
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 3);
    Command(24351);
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 0);

    // Ctrl+A: the comment box; the text becomes an open comment from the position.
    ClickRecord();
    Feed(10, true);
    ClickStop();
    dialog->GetCurrentFile()->position(BufferBytes() * 2);
    hl::AnswerDialog(OWL::TInputDialog::IDD_INPUTDIALOG, [](HWND box) {
        EXPECT_EQ(hl::Text(box), "Comment");
        EXPECT_EQ(hl::Text(GetDlgItem(box, OWL::TInputDialog::ID_PROMPT)), "Enter comment:");
        hl::Type(GetDlgItem(box, OWL::TInputDialog::ID_INPUT), "door opens");
        hl::Click(GetDlgItem(box, IDOK));
    });
    hl::Key('A', {VK_CONTROL});
    ASSERT_EQ(Current()->GetCommentCount(), 1);
    EXPECT_STREQ(Current()->GetCommentTextAt(0), "door opens");
    EXPECT_EQ(Current()->GetCommentStart(0), BufferBytes() * 2);
    EXPECT_EQ(Current()->GetCommentEndAt(0), 0u) << "open";

    // End comment and delete comment, by id only.
    dialog->GetCurrentFile()->position(BufferBytes() * 5);
    Command(23004);
    ASSERT_EQ(Current()->GetCommentCount(), 1);
    EXPECT_EQ(Current()->GetCommentEndAt(0), BufferBytes() * 5);
    Command(23005);
    EXPECT_EQ(Current()->GetCommentCount(), 1) << "no comment at this position";
    dialog->GetCurrentFile()->position(BufferBytes() * 3);
    Command(23005);
    EXPECT_EQ(Current()->GetCommentCount(), 0);

    // An empty or cancelled comment adds nothing.
    hl::AnswerDialog(OWL::TInputDialog::IDD_INPUTDIALOG, [](HWND box) { hl::Click(GetDlgItem(box, IDOK)); });
    hl::Key('A', {VK_CONTROL});
    hl::AnswerDialog(OWL::TInputDialog::IDD_INPUTDIALOG, [](HWND box) {
        hl::Type(GetDlgItem(box, OWL::TInputDialog::ID_INPUT), "never");
        hl::Click(GetDlgItem(box, IDCANCEL));
    });
    hl::Key('A', {VK_CONTROL});
    EXPECT_EQ(Current()->GetCommentCount(), 0);

    // Page Up and Page Down: the play rate.
    hl::Key(VK_PRIOR);
    EXPECT_FLOAT_EQ(PlayRate, 1.1f);
    hl::Key(VK_NEXT);
    hl::Key(VK_NEXT);
    EXPECT_FLOAT_EQ(PlayRate, 0.9f);

    // The keys without an action change nothing and ask nothing.
    const std::string name = CurrentName();
    const std::size_t boxes = hl::MessageBoxes().size();
    for (auto [vk, mods] : std::vector<std::pair<UINT, std::vector<UINT>>>{{'M', {VK_CONTROL}},
                                                                         {'C', {VK_CONTROL}},
                                                                         {'X', {VK_CONTROL}},
                                                                         {'V', {VK_CONTROL}},
                                                                         {'R', {VK_MENU, VK_SHIFT}},
                                                                         {'R', {VK_CONTROL, VK_MENU, VK_SHIFT}}}) {
        hl::Key(vk, mods);
    }
    for (UINT id : {23006u, 23009u, 23012u, 24350u, 103u}) {
        Command(id);
    }
    EXPECT_EQ(CurrentName(), name);
    EXPECT_FALSE(dialog->IsInputOpen());
    EXPECT_EQ(hl::MessageBoxes().size(), boxes);

    // The clipboard setting, by id only, with its check mark while it is off.
    EXPECT_EQ(Ask(25800).CheckState, OWL::TCommandEnabler::Unchecked);
    Command(25800);
    EXPECT_FALSE(UseWinClip);
    EXPECT_EQ(Ask(25800).CheckState, OWL::TCommandEnabler::Checked);
    Command(25800);
    EXPECT_TRUE(UseWinClip);

    // A device change is answered at once.
    EXPECT_EQ(SendMessage(dialog->GetHandle(), WM_DEVICECHANGE, 7, 0), TRUE);
}

TEST_F(Commands, EnablersFollowTheStateOfTheRecorder)
{
    OpenWithMenu();
    // No file.
    EXPECT_TRUE(Item(150).enabled);
    EXPECT_FALSE(Item(24333).enabled);
    EXPECT_FALSE(Item(24334).enabled);
    EXPECT_FALSE(Ask(24350).Enabled);
    EXPECT_FALSE(Ask(25210).Enabled);
    EXPECT_EQ(Ask(25210).Text, "Play at speed 1.0");

    // An empty new file.
    Command(24331);
    EXPECT_TRUE(Item(150).enabled);
    EXPECT_TRUE(Item(24333).enabled);
    EXPECT_TRUE(Item(24334).enabled);
    EXPECT_FALSE(Ask(24350).Enabled);
    EXPECT_FALSE(Ask(25210).Enabled);

    // Recording: the file has data.
    ClickRecord();
    Feed(3, true);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_TRUE(Item(150).enabled);
    EXPECT_TRUE(Item(24333).enabled);
    EXPECT_TRUE(Ask(24350).Enabled);
    hl::Key(VK_PRIOR);
    const OWL::TCommandEnabler speed = Ask(25210);
    EXPECT_TRUE(speed.Enabled);
    EXPECT_EQ(speed.Text, "Play at speed 1.1");
    EXPECT_EQ(speed.CheckState, OWL::TCommandEnabler::Unchecked);
    ClickStop();

    // A file opened with the read-only box ticked.
    const std::string path = CurrentName();
    Command(24331);
    hl::AnswerFileDialog({path, true});
    hl::Key('O', {VK_CONTROL});
    ASSERT_EQ(CurrentName(), path);
    EXPECT_TRUE(dialog->GetCurrentFile()->IsReadOnly());
    EXPECT_NE(frame->GetWindowText().find(" R Tapvox"), std::string::npos) << frame->GetWindowText();
    EXPECT_FALSE(Item(150).enabled);
    EXPECT_FALSE(Item(24333).enabled);
    EXPECT_FALSE(Item(24334).enabled);
    EXPECT_TRUE(Ask(24350).Enabled);
    EXPECT_TRUE(Ask(25210).Enabled);

    // Opened again without the box: writable.
    hl::AnswerFileDialog({path, false});
    Command(24332);
    EXPECT_FALSE(dialog->GetCurrentFile()->IsReadOnly());
    EXPECT_EQ(frame->GetWindowText().find(" R "), std::string::npos);
    EXPECT_TRUE(Item(150).enabled);
    EXPECT_TRUE(Item(24333).enabled);
}

TEST_F(Commands, FileNewWhileRecordingSavesTheTakeAndRecordsIntoTheNewFile)
{
    OpenWithMenu();
    ClickRecord();
    Feed(4, true);
    const std::string first = CurrentName();
    hl::Key('N', {VK_CONTROL});
    EXPECT_TRUE(dialog->IsRecording());
    const std::string second = CurrentName();
    EXPECT_NE(second, first);
    const std::uint32_t split = next;
    Feed(3, true);
    ClickStop();
    Command(24331);
    // Every frame is in one of the two files, in order, none twice.
    const auto a = SoxSamples(first);
    const auto b = SoxSamples(second);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(a, FedFrames(0, static_cast<std::uint32_t>(a.size() / 4)));
    EXPECT_EQ(a.size() + b.size(), fed.size());
    EXPECT_LE(a.size() / 4, split);
    EXPECT_EQ(b, FedFrames(static_cast<std::uint32_t>(a.size() / 4), static_cast<std::uint32_t>(b.size() / 4)));
}

TEST_F(Commands, FileNewCancelledInTheSaveQuestionKeepsRecordingIntoTheSameFile)
{
    AutoName = false;
    OpenWithMenu();
    ClickRecord();
    Feed(4, true);
    ASSERT_TRUE(dialog->GetCurrentFile()->HasTempName());
    const std::string generated = CurrentName();
    hl::AnswerMessageBox(IDCANCEL);
    hl::Key('N', {VK_CONTROL});
    EXPECT_EQ(hl::MessageBoxes().back().result, IDCANCEL);
    EXPECT_EQ(CurrentName(), generated);
    EXPECT_TRUE(dialog->IsRecording());
    Feed(3, true);
    ClickStop();
    ASSERT_TRUE(dialog->GetCurrentFile()->update());
    EXPECT_EQ(SoxSamples(generated), fed) << "appended after the pause, nothing lost";
}

TEST_F(Commands, SaveOnAGeneratedFileAsksForANameAndSaveAsWhileRecordingStopsFirst)
{
    AutoName = false;
    OpenWithMenu();
    ClickRecord();
    Feed(4, true);
    ClickStop();
    ASSERT_TRUE(dialog->GetCurrentFile()->HasTempName());
    const std::string named = folder + "/named.wav";
    hl::AnswerFileDialog({named, false});
    hl::Key('S', {VK_CONTROL});
    EXPECT_EQ(CurrentName(), named);
    EXPECT_FALSE(dialog->GetCurrentFile()->HasTempName());
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_TRUE(dialog->GetCurrentFile()->IsOpen()) << "Save keeps the file open";

    // Save As to another name while recording: the take is stopped and whole
    // under the new name before the file moves, and recording goes on into it.
    ClickRecord();
    Feed(3, true);
    const std::string other = folder + "/other.wav";
    hl::AnswerFileDialog({other, false});
    Command(24334);
    EXPECT_EQ(CurrentName(), other);
    EXPECT_TRUE(dialog->IsRecording());
    Feed(2, true);
    ClickStop();
    ASSERT_TRUE(dialog->GetCurrentFile()->update());
    EXPECT_EQ(SoxSamples(other), fed);

    // Save on a named file writes it in place; a cancelled Save As changes nothing.
    hl::Key('S', {VK_CONTROL});
    EXPECT_EQ(CurrentName(), other);
    hl::AnswerFileDialog({std::nullopt, false});
    Command(24334);
    EXPECT_EQ(CurrentName(), other);
    EXPECT_TRUE(dialog->GetCurrentFile()->IsOpen());
}

TEST_F(Commands, WhatArrivesWhileTheOpenOrSaveDialogIsUpWaitsForIt)
{
    // The click is queued behind the command, so it arrives while the command's dialog is up.
    const auto CommandThenRecordClick = [this](UINT id) {
        PostMessage(frame->GetHandle(), WM_COMMAND, id, 0);
        PostMessage(dialog->GetHandle(), WM_COMMAND, 150, 0);
        hl::RunUntilIdle();
    };
    AutoName = false;
    OpenWithMenu();
    ClickRecord();
    Feed(3, true);
    ClickStop();
    const std::string named = folder + "/named.wav";
    hl::AnswerFileDialog({named, false});
    Command(24334);
    ASSERT_EQ(CurrentName(), named);

    // A Record click that arrives while the Save As dialog is up starts no take
    // in the file the dialog is about to move: it records after the move, into it.
    const std::string other = folder + "/other.wav";
    hl::AnswerFileDialog({other, false});
    CommandThenRecordClick(24334);
    EXPECT_EQ(CurrentName(), other);
    EXPECT_TRUE(dialog->IsRecording()) << "the click ran after the dialog";
    Feed(2, true);
    ClickStop();
    ASSERT_TRUE(dialog->GetCurrentFile()->update());
    EXPECT_EQ(SoxSamples(other), fed) << "every sample once, in the moved file";

    // The same for Open: the file chosen is opened before the click records into it.
    hl::AnswerFileDialog({named, false});
    CommandThenRecordClick(24332);
    EXPECT_EQ(CurrentName(), named);
    EXPECT_TRUE(dialog->IsRecording());
    ClickStop();
}

TEST_F(Commands, PlayRateStepsInTenthsAndHoldsAtItsBounds)
{
    OpenWithMenu();
    for (int i = 0; i < 15; ++i) {
        hl::Key(VK_PRIOR);
    }
    EXPECT_EQ(PlayRate, 2.0f);
    hl::Key(VK_PRIOR);
    EXPECT_EQ(PlayRate, 2.0f);
    for (int i = 0; i < 25; ++i) {
        hl::Key(VK_NEXT);
    }
    EXPECT_EQ(PlayRate, 0.2f);
    EXPECT_EQ(Ask(25210).Text, "Play at speed 0.2");
    // Not playing: the speed mode and the Play button stay as they were.
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 151)).find("0.2"), std::string::npos);
}

TEST_F(Commands, ASettingsChangeReplacesOnlyAnUntouchedGeneratedFile)
{
    AutoName = false;
    OpenWithMenu();
    const auto settingsChanged = [this] {
        PostMessage(dialog->GetHandle(), UM_SETTINGS_CHANGED, 0, 0);
        hl::RunUntilIdle();
    };
    // A file just made is dirty until its first update: it stays.
    SoundLevel = 50;
    Command(24331);
    const std::string made = CurrentName();
    ASSERT_TRUE(dialog->GetCurrentFile()->HasTempName());
    DefaultAudioFormat = 1;
    settingsChanged();
    EXPECT_EQ(CurrentName(), made);

    // Listened into without a sound and stopped, it is untouched: while listening
    // again it is stopped, replaced by an MP3 (the new default type) and listened into again.
    DefaultAudioFormat = 0;
    ClickRecord();
    Feed(2, false);
    ClickStop();
    ASSERT_EQ(dialog->GetCurrentFile()->GetDataSize(), 0u);
    ClickRecord();
    Feed(1, false);
    ASSERT_TRUE(dialog->IsRecording());
    DefaultAudioFormat = 1;
    settingsChanged();
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 1);
    EXPECT_NE(CurrentName(), made);
    EXPECT_FALSE(platform::NameExists(made)) << "the untouched file is gone";
    EXPECT_TRUE(dialog->IsRecording());

    // Not listening: replaced, and nothing starts.
    ClickStop();
    const std::string mp3 = CurrentName();
    DefaultAudioFormat = 0;
    settingsChanged();
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 0);
    EXPECT_NE(CurrentName(), mp3);
    EXPECT_FALSE(platform::NameExists(mp3));
    EXPECT_FALSE(dialog->IsInputOpen());

    // A file with audio stays, recording or not.
    ClickRecord();
    Feed(3, true);
    const std::string take = CurrentName();
    DefaultAudioFormat = 1;
    settingsChanged();
    EXPECT_EQ(CurrentName(), take);
    EXPECT_TRUE(dialog->IsRecording());
    ClickStop();
    settingsChanged();
    EXPECT_EQ(CurrentName(), take);
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 0);

    // The recording folder is checked again.
    std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", dir.file("gone").c_str());
    settingsChanged();
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 181)), "Default directory does not exist!");
}

TEST_F(Commands, ASettingsChangeStartsTheSchedulePollAgain)
{
    TimerSettings.TimerEnable = 1;
    for (auto& s : TimerSettings.Schedule) {
        s.TimeDay = 127;
    }
    std::snprintf(TimerSettings.Schedule[0].TimeStart, sizeof TimerSettings.Schedule[0].TimeStart, "9:00");
    std::snprintf(TimerSettings.Schedule[0].TimeStop, sizeof TimerSettings.Schedule[0].TimeStop, "9:30");
    platform::SetManualWallClock(testsupport::LocalTime(2024, 3, 22, 8, 59, 50, -1));
    OpenWithMenu();
    dialog->ReplaceSchedule(new TimerSchedule(TimerSettings));
    // With its timer gone the poll misses the start.
    KillTimer(dialog->GetHandle(), TIMER_SCHEDULE);
    hl::Advance(20000);
    EXPECT_FALSE(dialog->IsRecording());
    PostMessage(dialog->GetHandle(), UM_SETTINGS_CHANGED, 0, 0);
    hl::Advance(3000);
    EXPECT_TRUE(dialog->IsRecording());
}

TEST_F(Commands, ViewLogOpensTheLogWithTheDesktopsOpener)
{
    std::vector<std::vector<std::string>> started;
    platform::SetProgramStarter([&](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    OpenWithMenu();
    const std::string log = dir.file("my logs/Tapvox.log");
    SMsg::SetLogPath(log);
    Command(24353);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"xdg-open", log})) << "the blank stays inside the one argument";
    // Logging switched off: no log to show.
    SMsg::SetLogPath("");
    Command(24353);
    EXPECT_EQ(started.size(), 1u);
    platform::SetProgramStarter({});
}

TEST_F(Commands, AFileOpenedReadOnlyIsNeverRecordedInto)
{
    OpenWithMenu();
    ClickRecord();
    Feed(5, true);
    ClickStop();
    const std::string path = CurrentName();
    Command(24331);
    hl::AnswerFileDialog({path, true});
    hl::Key('O', {VK_CONTROL});
    ASSERT_TRUE(dialog->GetCurrentFile()->IsReadOnly());
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);

    // The Record button, its key and the toggle other windows post.
    ClickRecord();
    Feed(2, true);
    EXPECT_FALSE(dialog->IsInputOpen());
    hl::Key('R', {VK_MENU});
    Feed(2, true);
    EXPECT_FALSE(dialog->IsInputOpen());
    PostMessage(dialog->GetHandle(), UM_TOGGLE_RECORD, 0, 0);
    hl::RunUntilIdle();
    Feed(2, true);
    EXPECT_FALSE(dialog->IsInputOpen());
    // While it plays, Record stops the playback and records nothing.
    dialog->position(0, true);
    Command(151);
    ASSERT_TRUE(dialog->IsOutputOpen());
    ClickRecord();
    EXPECT_FALSE(dialog->IsOutputOpen());
    EXPECT_FALSE(dialog->IsInputOpen());
    EXPECT_EQ(CurrentName(), path);
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    EXPECT_EQ(testsupport::ReadAll(path), bytes);
}

TEST_F(Commands, PlayAtSpeedShowsItsCheckAndTheRateOnThePlayButton)
{
    OpenWithMenu([this] {
        // The transport button as the main window has it.
        if (!dynamic_cast<CoolButton*>(dialog->ChildWithId(151))) {
            new CoolButton(dialog, 151, 150, 154);
        }
    });
    auto* playButton = dynamic_cast<CoolButton*>(dialog->ChildWithId(151));
    ASSERT_NE(playButton, nullptr);
    playButton->SetBitmapOnly(true);
    HWND button = playButton->GetHandle();
    const auto drawn = [button] {
        InvalidateRect(button, nullptr, TRUE);
        hl::RunUntilIdle();
        return platform::WindowDrawnText(button);
    };
    ClickRecord();
    Feed(10, true);
    ClickStop();
    dialog->position(0, true);

    hl::Key('P', {VK_CONTROL, VK_MENU});
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(dialog->GetSpeedMode(), 2);
    EXPECT_EQ(Ask(25210).CheckState, OWL::TCommandEnabler::Checked);
    EXPECT_EQ(drawn(), "") << "the picture alone";
    // A new rate while playing: the button shows it.
    hl::Key(VK_PRIOR);
    EXPECT_EQ(dialog->GetSpeedMode(), 1);
    EXPECT_EQ(Ask(25210).CheckState, OWL::TCommandEnabler::Checked);
    EXPECT_EQ(hl::Text(button), "1.1");
    EXPECT_EQ(drawn(), "1.1");
    // Switched off while playing: normal speed, and the button is the Play button again.
    hl::Key('P', {VK_CONTROL, VK_MENU});
    EXPECT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(dialog->GetSpeedMode(), 0);
    EXPECT_EQ(Ask(25210).CheckState, OWL::TCommandEnabler::Unchecked);
    EXPECT_EQ(hl::Text(button), "Pla&y");
    EXPECT_EQ(drawn(), "");
    // Stopping does the same.
    hl::Key(VK_NEXT);
    EXPECT_EQ(drawn(), "1.0");
    hl::Key('S', {VK_MENU});
    EXPECT_EQ(hl::Text(button), "Pla&y");
    EXPECT_EQ(drawn(), "");
    EXPECT_EQ(Ask(25210).CheckState, OWL::TCommandEnabler::Unchecked);
}

TEST_F(Commands, SpaceTogglesPlayWhicheverButtonHasTheFocus)
{
    OpenWithMenu();
    ClickRecord();
    Feed(10, true);
    ClickStop();
    dialog->position(0, true);
    for (int button : {154, 151, 150}) {
        SetFocus(GetDlgItem(dialog->GetHandle(), button));
        hl::Key(VK_SPACE);
        EXPECT_TRUE(dialog->IsOutputOpen()) << button;
        EXPECT_FALSE(dialog->IsInputOpen()) << button;
        hl::Key(VK_SPACE);
        EXPECT_FALSE(dialog->IsOutputOpen()) << button;
    }
}

TEST_F(Commands, ACommentTypedWhileAnotherProgramSavesTheFileReachesTheSavedFile)
{
    OpenWithMenu();
    ClickRecord();
    Feed(5, true);
    ClickStop();
    const std::string path = CurrentName();
    hl::AnswerDialog(OWL::TInputDialog::IDD_INPUTDIALOG, [this](HWND box) {
        PostMessage(dialog->GetHandle(), UM_STOP_AND_SAVE, 0, 0);
        hl::RunUntilIdle();
        ASSERT_NE(dialog->GetCurrentFile(), nullptr) << "the file stays while the box is open";
        hl::Type(GetDlgItem(box, OWL::TInputDialog::ID_INPUT), "applause");
        hl::Click(GetDlgItem(box, IDOK));
    });
    hl::Key('A', {VK_CONTROL});
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr) << "saved and closed after the box";
    auto saved = ReadWave(path);
    ASSERT_EQ(saved->GetCommentCount(), 1);
    EXPECT_STREQ(saved->GetCommentTextAt(0), "applause");
}
}
