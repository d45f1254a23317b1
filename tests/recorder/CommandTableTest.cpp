// Menu 100 and accelerator table 100 against the main window in each state of the
// recorder (no file, idle, recording, playing, a file opened read-only): every item
// and key the main window handles reaches its handler, and every enabler follows its rule.
#include "tests/recorder/CommandsFixture.h"
#include "tests/recorder/PlaybackFixture.h"

#include <functional>

#include "controls/PositionDialog.h"
#include "owl/InputDialog.h"
#include "platform/kernel/Processes.h"
#include "platform/user/Keyboard.h"

namespace {
enum class State { NoFile, Idle, Recording, Playing, ReadOnly };
constexpr State kStates[] = {State::NoFile, State::Idle, State::Recording, State::Playing, State::ReadOnly};

const char* StateName(State s)
{
    switch (s) {
    case State::NoFile:
        return "no file";
    case State::Idle:
        return "idle";
    case State::Recording:
        return "recording";
    case State::Playing:
        return "playing";
    case State::ReadOnly:
        return "read-only file";
    }
    return "";
}

// The recording of every case: 10 s of 8 kHz 16-bit stereo, markers at 0 and 8 s,
// comments over 2..3 s and 7..7.5 s; each case starts at 5 s.
constexpr DWORD kSecond = 32000;
constexpr DWORD kLength = 10 * kSecond;
constexpr DWORD kMiddle = 5 * kSecond;

struct Keys {
    UINT vk;
    std::vector<UINT> modifiers;
};

struct Snapshot {
    std::string name;
    bool input = false;
    bool output = false;
    DWORD position = 0;
    DWORD playPosition = 0;
    int comments = 0;
    std::size_t boxes = 0;
};

class CommandTable : public Commands {
protected:
    void SetUp() override
    {
        Commands::SetUp();
        platform::SetProgramStarter([this](const std::vector<std::string>& argv) {
            started.push_back(argv);
            return true;
        });
        source = dir.file("source.wav");
        WritePcmWave(source, MakePcmFormat(2, 8000, 16), CountedPcm(kLength / 4));
        {
            WaveFile f(source.c_str(), nullptr, MMIO_READWRITE);
            ASSERT_TRUE(f.open());
            f.AddMarker(0, kStartTime);
            f.AddMarker(8 * kSecond, kStartTime + 100);
            f.AddComment("early", 2 * kSecond, 3 * kSecond);
            f.AddComment("late", 7 * kSecond, 15 * kSecond / 2);
            ASSERT_TRUE(f.close());
        }
        OpenWithMenu();
    }
    void TearDown() override
    {
        platform::SetProgramStarter({});
        Commands::TearDown();
    }

    // A fresh copy of the recording, with the recorder brought into the state.
    void Enter(State s)
    {
        dialog->stop();
        if (dialog->GetCurrentFile()) {
            dialog->savefile(nullptr, true);
        }
        ASSERT_EQ(dialog->GetCurrentFile(), nullptr);
        PlayRate = 1.0f;
        hl::RunUntilIdle();
        if (s == State::NoFile) {
            return;
        }
        const std::string copy = FreshCopy();
        if (s == State::ReadOnly) {
            hl::AnswerFileDialog({copy, true});
            Command(24332);
            ASSERT_TRUE(dialog->GetCurrentFile()->IsReadOnly());
        } else {
            ASSERT_TRUE(dialog->openfile(copy.c_str(), -1));
        }
        ASSERT_EQ(Current()->GetMarkerCount(), 2);
        dialog->position(kMiddle, true);
        if (s == State::Recording) {
            ClickRecord();
            Feed(1, true);
            ASSERT_TRUE(dialog->IsRecording());
        } else if (s == State::Playing) {
            Command(151);
            ASSERT_TRUE(dialog->IsOutputOpen());
        }
    }
    std::string FreshCopy()
    {
        const std::string copy = folder + "/case" + std::to_string(++copies) + ".wav";
        testsupport::WriteAll(copy, testsupport::ReadAll(source));
        return copy;
    }
    Snapshot Take()
    {
        Snapshot s;
        s.name = CurrentName();
        s.input = dialog->IsInputOpen();
        s.output = dialog->IsOutputOpen();
        if (MediaFile* f = dialog->GetCurrentFile()) {
            s.position = f->GetPosition();
        }
        s.playPosition = dialog->GetPlayPosition();
        s.comments = Current() ? Current()->GetCommentCount() : 0;
        s.boxes = hl::MessageBoxes().size();
        return s;
    }
    // What the enabler of the command decides, asked through the frame as the menu asks.
    OWL::TCommandEnabler AskFrame(UINT id)
    {
        OWL::TCommandEnabler enabler(id, frame->GetHandle());
        frame->EvCommandEnable(enabler);
        return enabler;
    }

    std::string source;
    std::string chosen;
    int copies = 0;
    std::vector<std::vector<std::string>> started;
};

// A row: the command, whether it is a menu item, its keys, the answers for what it
// shows in a state, and what must have happened afterwards.
struct Row {
    UINT id;
    bool menuItem;
    std::vector<Keys> keys;
    std::function<void(State)> prepare;
    std::function<void(State, const Snapshot&)> check;
};

// Where a seek command and its keys lead from 5 s in the idle recording.
struct SeekCase {
    UINT id;
    bool menuItem;
    std::vector<Keys> keys;
    DWORD expected;
};
}

TEST_F(CommandTable, EveryItemAndKeyReachesItsHandlerWithItsRuleInEveryState)
{
    const auto noAnswer = [](State) {};
    auto playingOrIdle = [](State s) { return s == State::Idle || s == State::Playing; };
    std::vector<Row> rows = {
        {150, true, {{'R', {VK_MENU}}}, noAnswer,
         [this](State s, const Snapshot&) {
             EXPECT_EQ(dialog->IsInputOpen(), s != State::ReadOnly);
             EXPECT_FALSE(dialog->IsOutputOpen());
             ASSERT_NE(dialog->GetCurrentFile(), nullptr);
         }},
        {151, true, {{'P', {VK_MENU}}}, noAnswer,
         [this](State s, const Snapshot&) {
             EXPECT_EQ(dialog->IsOutputOpen(), s != State::NoFile);
             EXPECT_FALSE(dialog->IsInputOpen());
         }},
        {154, true, {{'S', {VK_MENU}}}, noAnswer,
         [this](State, const Snapshot&) {
             EXPECT_FALSE(dialog->IsOutputOpen());
             EXPECT_FALSE(dialog->IsInputOpen());
         }},
        {25000, true, {{VK_SPACE, {}}}, noAnswer,
         [this](State s, const Snapshot&) {
             EXPECT_EQ(dialog->IsOutputOpen(), s != State::NoFile && s != State::Playing);
             EXPECT_FALSE(dialog->IsInputOpen());
         }},
        {24331, true, {{'N', {VK_CONTROL}}}, noAnswer,
         [this](State s, const Snapshot& before) {
             ASSERT_NE(dialog->GetCurrentFile(), nullptr);
             EXPECT_NE(CurrentName(), before.name);
             EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 0);
             EXPECT_EQ(dialog->IsInputOpen(), s == State::Recording) << "recording goes on into the new file";
         }},
        {24351, true, {}, noAnswer,
         [this](State, const Snapshot& before) {
             ASSERT_NE(dialog->GetCurrentFile(), nullptr);
             EXPECT_NE(CurrentName(), before.name);
             EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 0);
         }},
        {24352, true, {}, noAnswer,
         [this](State, const Snapshot& before) {
             ASSERT_NE(dialog->GetCurrentFile(), nullptr);
             EXPECT_NE(CurrentName(), before.name);
             EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 1);
         }},
        {24332, true, {{'O', {VK_CONTROL}}},
         [this](State) {
             chosen = FreshCopy();
             hl::AnswerFileDialog({chosen, false});
         },
         [this](State, const Snapshot&) {
             EXPECT_EQ(CurrentName(), chosen);
             EXPECT_FALSE(dialog->IsInputOpen());
             EXPECT_FALSE(dialog->IsOutputOpen());
         }},
        {24333, true, {{'S', {VK_CONTROL}}}, noAnswer,
         [this](State s, const Snapshot& before) {
             EXPECT_EQ(CurrentName(), before.name);
             EXPECT_EQ(dialog->IsInputOpen(), before.input);
             if (s == State::Recording) {
                 // Saved in place while recording: the header on disk counts what was written.
                 EXPECT_EQ(ReadWave(before.name)->GetDataSize(), dialog->GetCurrentFile()->GetDataSize());
             }
         }},
        {24334, true, {},
         [this, playingOrIdle](State s) {
             chosen = folder + "/saved" + std::to_string(copies) + ".wav";
             if (playingOrIdle(s) || s == State::Recording) {
                 hl::AnswerFileDialog({chosen, false});
             }
         },
         [this, playingOrIdle](State s, const Snapshot& before) {
             const bool saves = playingOrIdle(s) || s == State::Recording;
             EXPECT_EQ(CurrentName(), saves ? chosen : before.name);
             EXPECT_EQ(dialog->IsInputOpen(), s == State::Recording);
         }},
        {24353, true, {}, noAnswer,
         [this](State, const Snapshot&) {
             ASSERT_FALSE(started.empty());
             EXPECT_EQ(started.back(), (std::vector<std::string>{"xdg-open", SMsg::LogPath()}));
         }},
        {23003, false, {{'A', {VK_CONTROL}}},
         [](State s) {
             if (s != State::NoFile) {
                 hl::AnswerDialog(OWL::TInputDialog::IDD_INPUTDIALOG, [](HWND box) {
                     hl::Type(GetDlgItem(box, OWL::TInputDialog::ID_INPUT), "note");
                     hl::Click(GetDlgItem(box, IDOK));
                 });
             }
         },
         [this](State s, const Snapshot& before) {
             const bool adds = s != State::NoFile && s != State::ReadOnly;
             EXPECT_EQ(Current() ? Current()->GetCommentCount() : 0, before.comments + (adds ? 1 : 0));
         }},
        {25210, false, {{'P', {VK_CONTROL, VK_MENU}}}, noAnswer,
         [this](State s, const Snapshot&) {
             EXPECT_EQ(dialog->GetSpeedMode(), s == State::NoFile ? 0 : 2);
             EXPECT_EQ(dialog->IsOutputOpen(), s != State::NoFile);
             EXPECT_FALSE(dialog->IsInputOpen());
         }},
        {25212, false, {{VK_PRIOR, {}}}, noAnswer,
         [this](State s, const Snapshot&) {
             EXPECT_FLOAT_EQ(PlayRate, 1.1f);
             EXPECT_EQ(dialog->GetSpeedMode(), s == State::Playing ? 1 : 0);
             EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 151)) == "1.1", s == State::Playing);
         }},
        {25213, false, {{VK_NEXT, {}}}, noAnswer,
         [this](State s, const Snapshot&) {
             EXPECT_FLOAT_EQ(PlayRate, 0.9f);
             EXPECT_EQ(dialog->GetSpeedMode(), s == State::Playing ? 1 : 0);
         }},
    };
    // The keys without an action: nothing moves, opens or asks.
    for (auto [id, keys] : std::vector<std::pair<UINT, Keys>>{{23000, {'M', {VK_CONTROL}}},
                                                             {23001, {'C', {VK_CONTROL}}},
                                                             {23007, {'X', {VK_CONTROL}}},
                                                             {23008, {'V', {VK_CONTROL}}},
                                                             {23010, {'R', {VK_MENU, VK_SHIFT}}},
                                                             {23011, {'R', {VK_CONTROL, VK_MENU, VK_SHIFT}}}}) {
        rows.push_back({id, false, {keys}, noAnswer, [this](State, const Snapshot& before) {
                            const Snapshot after = Take();
                            EXPECT_EQ(after.name, before.name);
                            EXPECT_EQ(after.input, before.input);
                            EXPECT_EQ(after.output, before.output);
                            EXPECT_EQ(after.position, before.position);
                            EXPECT_EQ(after.comments, before.comments);
                            EXPECT_EQ(after.boxes, before.boxes);
                        }});
    }
    // The seek commands and keys: from 5 s, by the unit of the item or the modifiers held.
    const std::vector<SeekCase> seeks = {
        {153, true, {{VK_RIGHT, {}}}, kLength},
        {25301, true, {{VK_RIGHT, {VK_CONTROL}}}, 8 * kSecond},
        {25300, true, {{VK_RIGHT, {VK_SHIFT}}}, 6 * kSecond},
        {25306, true, {{VK_RIGHT, {VK_CONTROL, VK_SHIFT}}}, 7 * kSecond},
        {152, true, {{VK_LEFT, {}}}, 0},
        {25303, true, {{VK_LEFT, {VK_CONTROL}}}, 0},
        {25302, true, {{VK_LEFT, {VK_SHIFT}}}, 4 * kSecond},
        {25307, true, {{VK_LEFT, {VK_CONTROL, VK_SHIFT}}}, 2 * kSecond},
        {25304, false, {}, kLength},
        {25305, false, {}, 0},
    };
    for (const SeekCase& seek : seeks) {
        const bool forward = seek.id == 153 || seek.id == 25300 || seek.id == 25301 || seek.id == 25304 || seek.id == 25306;
        const DWORD expected = seek.expected;
        rows.push_back({seek.id, seek.menuItem, seek.keys, noAnswer,
                        [this, forward, expected](State s, const Snapshot& before) {
                            if (s == State::NoFile) {
                                EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
                                return;
                            }
                            const DWORD at = dialog->GetCurrentFile()->GetPosition();
                            if (s == State::Recording) {
                                // The recording stops; the step goes from where it was writing.
                                EXPECT_FALSE(dialog->IsInputOpen());
                                if (forward) {
                                    EXPECT_EQ(at, dialog->GetCurrentFile()->GetLength());
                                } else {
                                    EXPECT_LT(at, before.position);
                                }
                                return;
                            }
                            if (s == State::Playing) {
                                // Playback goes on from the new place (from the start when that is the end).
                                EXPECT_TRUE(dialog->IsOutputOpen());
                                EXPECT_EQ(dialog->GetPlayPosition(), expected == kLength ? 0 : expected);
                                return;
                            }
                            EXPECT_EQ(at, expected);
                        }});
    }

    for (State s : kStates) {
        for (const Row& row : rows) {
            std::vector<std::function<void()>> ways;
            if (row.menuItem) {
                ways.push_back([this, &row] { Command(row.id); });
            }
            for (const Keys& k : row.keys) {
                ways.push_back([k] { hl::Key(k.vk, k.modifiers); });
            }
            if (ways.empty()) {
                ways.push_back([this, &row] { Command(row.id); });
            }
            for (std::size_t way = 0; way < ways.size(); ++way) {
                SCOPED_TRACE(std::string(StateName(s)) + ", command " + std::to_string(row.id) +
                             (row.menuItem && way == 0 ? " from the menu" : " from its key"));
                Enter(s);
                if (HasFatalFailure()) {
                    return;
                }
                const Snapshot before = Take();
                row.prepare(s);
                ways[way]();
                row.check(s, before);
            }
        }
    }
}

TEST_F(CommandTable, EveryEnablerFollowsItsRuleInEveryState)
{
    // The items of the menu that the main window handles, and the rule of each that has one.
    const std::vector<UINT> plain = {151, 154, 25000, 153, 25300, 25301, 25306, 152, 25302, 25303, 25307,
                                     24331, 24351, 24352, 24332, 24353};
    for (State s : kStates) {
        SCOPED_TRACE(StateName(s));
        Enter(s);
        const bool file = s != State::NoFile;
        const bool writable = s != State::ReadOnly;
        EXPECT_EQ(Item(150).enabled, writable);
        EXPECT_EQ(Item(24333).enabled, file && writable);
        EXPECT_EQ(Item(24334).enabled, file && writable);
        for (UINT id : plain) {
            EXPECT_TRUE(Item(id).enabled) << id;
        }
        // Commands without an item, as the frame asks for them.
        EXPECT_EQ(AskFrame(24339).Enabled, file);
        EXPECT_EQ(AskFrame(24350).Enabled, file);
        EXPECT_EQ(AskFrame(23002).Enabled, file) << "a recording with data and a time at its start";
        const OWL::TCommandEnabler speed = AskFrame(25210);
        EXPECT_EQ(speed.Enabled, file);
        EXPECT_EQ(speed.Text, "Play at speed 1.0");
        EXPECT_EQ(speed.CheckState, OWL::TCommandEnabler::Unchecked);
        // While playing at speed the item has its check mark, and the rate it plays at.
        if (file) {
            hl::Key('P', {VK_CONTROL, VK_MENU});
            hl::Key(VK_PRIOR);
            const OWL::TCommandEnabler on = AskFrame(25210);
            EXPECT_EQ(on.CheckState, OWL::TCommandEnabler::Checked);
            EXPECT_EQ(on.Text, "Play at speed 1.1");
            EXPECT_EQ(Item(150).enabled, writable) << "while playing";
            EXPECT_EQ(Item(24333).enabled, writable) << "while playing";
            hl::Key('P', {VK_CONTROL, VK_MENU});
            EXPECT_EQ(AskFrame(25210).CheckState, OWL::TCommandEnabler::Unchecked);
        }
    }
}
