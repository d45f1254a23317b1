// The main window's transport buttons, level meter and context help: pictures
// without captions, the button of what runs held down through record, stop, play
// and the end of playback, the seek buttons repeating while held, the meter
// following the input's peaks in mono and stereo, and What's-this popups.
#include "tests/recorder/PlaybackFixture.h"

#include <fstream>

#include "controls/CoolButton.h"
#include "controls/ContextHelpWin.h"
#include "owl/Application.h"
#include "owl/Gauge.h"
#include "platform/core/Strings.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/WindowDC.h"

namespace {
constexpr int kRecord = 150;
constexpr int kPlay = 151;
constexpr int kRewind = 152;
constexpr int kForward = 153;
constexpr int kStop = 154;
constexpr int kMeter = 116;
// What the Record button's picture is drawn in, up and down.
constexpr COLORREF kRecordInk = RGB(170, 0, 0);
constexpr COLORREF kRecordDownInk = RGB(255, 32, 32);
// 8-bit mono at 8 kHz: a second is 8000 bytes.
const WAVEFORMATEX kMono8 = MakePcmFormat(1, 8000, 8);
constexpr DWORD kSecond = 8000;

class Transport : public PlaybackTest {
protected:
    HWND Item(int id) const { return GetDlgItem(dialog->GetHandle(), id); }
    CoolButton* Button(int id) const { return dynamic_cast<CoolButton*>(dialog->ChildWithId(id)); }
    int State(int id) const { return Button(id)->GetState(); }
    // Which of Record, Stop and Play are down (1 or 3), as "R S P" with "-" for up.
    std::string Down() const
    {
        std::string out;
        for (auto [id, letter] : {std::pair{kRecord, 'R'}, {kStop, 'S'}, {kPlay, 'P'}}) {
            const int s = State(id);
            out += s == 1 || s == 3 ? letter : '-';
        }
        return out;
    }
    // Whether the button's surface, repainted now, holds a pixel of this colour.
    bool Shows(int id, COLORREF colour) const
    {
        HWND b = Item(id);
        InvalidateRect(b, nullptr, TRUE);
        hl::RunUntilIdle();
        RECT rc{};
        GetClientRect(b, &rc);
        for (int y = 0; y < rc.bottom; ++y) {
            for (int x = 0; x < rc.right; ++x) {
                if (platform::WindowPixel(b, x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    }
    OWL::TGauge* Gauge(int offset) const { return dynamic_cast<OWL::TGauge*>(dialog->ChildWithId(kMeter + offset)); }
    // Shown by the meter (the frame itself is never shown on the headless backend).
    bool Visible(int offset) const { return (GetWindowLongA(Item(kMeter + offset), GWL_STYLE) & WS_VISIBLE) != 0; }
    // Buffers of 16-bit samples whose channels peak at these values.
    void FeedPeaks(int buffers, std::int16_t left, std::int16_t right)
    {
        const WAVEFORMATEX& f = dialog->GetDeviceFormat();
        std::vector<std::uint8_t> block(BufferBytes());
        for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
            const bool rightChannel = f.nChannels == 2 && (i / 2) % 2 == 1;
            // Every other frame is silent, so the peak is the one value.
            const bool quiet = (i / f.nBlockAlign) % 2 == 1;
            const std::int16_t v = quiet ? 0 : rightChannel ? right : left;
            platform::StoreLe16(&block[i], static_cast<std::uint16_t>(v));
        }
        for (int n = 0; n < buffers; ++n) {
            script::FeedInput(block.data(), block.size());
            platform::AdvanceClock(200);
            hl::RunUntilIdle();
        }
    }
    std::string LevelText() const { return hl::Text(Item(114)); }
};
}

TEST_F(Transport, ButtonsShowTheirPicturesWithoutCaptionsAndStopIsDownAtStart)
{
    Open();
    for (int id : {kRecord, kStop, kPlay, kRewind, kForward}) {
        HWND b = Item(id);
        EXPECT_EQ(GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK, static_cast<LONG>(BS_OWNERDRAW)) << id;
        InvalidateRect(b, nullptr, TRUE);
        hl::RunUntilIdle();
        EXPECT_EQ(platform::WindowDrawnText(b), "") << id << ": the picture only, no caption";
    }
    EXPECT_EQ(Down(), "-S-");
    EXPECT_EQ(State(kStop), 3);
    EXPECT_TRUE(Shows(kRecord, kRecordInk));
    EXPECT_FALSE(Shows(kRecord, kRecordDownInk));
    // The seek buttons are no part of the latch group.
    EXPECT_LE(State(kRewind), 0);
    EXPECT_LE(State(kForward), 0);
}

TEST_F(Transport, TheButtonOfWhatRunsIsDownThroughRecordStopPlayAndTheEndOfPlayback)
{
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    EXPECT_EQ(Down(), "R--");
    EXPECT_TRUE(Shows(kRecord, kRecordDownInk));
    EXPECT_FALSE(Shows(kRecord, kRecordInk));
    EXPECT_EQ(GetFocus(), Item(kStop));
    Feed(10, true);

    ClickStop();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(Down(), "-S-");
    EXPECT_TRUE(Shows(kRecord, kRecordInk));

    dialog->position(0, true);
    ClickPlay();
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(Down(), "--P");
    PlayToEnd();
    EXPECT_EQ(stopsPosted, 1);
    EXPECT_EQ(Down(), "-S-") << "the end of playback stops";

    // Play while recording: the recording stops and Play stays down.
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    Feed(3, true);
    ClickPlay();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(Down(), "--P");

    // The keys and the remote's toggles go the same way as the buttons.
    SendMessage(dialog->GetHandle(), WM_COMMAND, kStop, 0);
    EXPECT_EQ(Down(), "-S-");
    SendMessage(dialog->GetHandle(), UM_TOGGLE_RECORD, 0, 0);
    EXPECT_EQ(Down(), "R--");
    SendMessage(dialog->GetHandle(), UM_TOGGLE_RECORD, 0, 0);
    EXPECT_EQ(Down(), "-S-");
}

TEST_F(Transport, PlayWithNothingRecordedLeavesStopDown)
{
    Open();
    ClickPlay();
    EXPECT_FALSE(dialog->IsOutputOpen());
    EXPECT_EQ(Down(), "-S-");
}

TEST_F(Transport, TheSeekButtonsStepOnceForAClickAndEveryFifthOfASecondWhileHeld)
{
    OpenFile(WavWith(std::vector<std::uint8_t>(10 * 60 * kSecond, 0x80), kMono8));
    auto at = [&] { return dialog->GetCurrentFile()->GetPosition(); };
    dialog->position(0, true);
    HWND forward = Item(kForward);
    const POINT middle{4, 4};
    hl::PressAt(forward, middle);
    EXPECT_EQ(State(kForward), 3);
    hl::Advance(650);
    EXPECT_EQ(at(), 3 * 60 * kSecond) << "one minute per repeat, three repeats in 650 ms";
    hl::ReleaseAt(forward, middle);
    EXPECT_EQ(at(), 3 * 60 * kSecond) << "nothing more at the release after repeats";
    EXPECT_EQ(State(kForward), 0);

    hl::ClickAt(Item(kRewind), middle);
    EXPECT_EQ(at(), 2 * 60 * kSecond);
    hl::Advance(1000);
    EXPECT_EQ(at(), 2 * 60 * kSecond) << "a click repeats nothing";
    EXPECT_EQ(Down(), "-S-") << "the seek buttons leave the group alone";
}

TEST_F(Transport, TheMeterFollowsTheInputsPeaksInStereo)
{
    Open();
    // Mono until stereo input arrives.
    EXPECT_TRUE(Visible(1));
    EXPECT_FALSE(Visible(2));
    EXPECT_FALSE(Visible(3));
    int low = -1;
    int high = -1;
    Gauge(2)->GetRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    ClickRecord();
    ASSERT_EQ(dialog->GetDeviceFormat().nChannels, 2);
    // The newest finished buffer is held back: two buffers show the first.
    FeedPeaks(2, 0x3F00, -0x7F00);
    EXPECT_FALSE(Visible(1));
    EXPECT_TRUE(Visible(2));
    EXPECT_TRUE(Visible(3));
    EXPECT_EQ(Gauge(2)->GetValue(), 63 * 100 / 127);
    EXPECT_EQ(Gauge(3)->GetValue(), 100);
    EXPECT_EQ(LevelText(), "100") << "the number is the louder channel";

    FeedPeaks(3, 0x2000, 0x1000);
    EXPECT_EQ(Gauge(2)->GetValue(), 32 * 100 / 127);
    EXPECT_EQ(Gauge(3)->GetValue(), 16 * 100 / 127);
    EXPECT_EQ(LevelText(), std::to_string(32 * 100 / 127));

    ClickStop();
    EXPECT_EQ(Gauge(2)->GetValue(), 0);
    EXPECT_EQ(Gauge(3)->GetValue(), 0);
}

TEST_F(Transport, TheMeterFollowsTheInputsPeaksInMono)
{
    Stereo = false;
    Open();
    ClickRecord();
    ASSERT_EQ(dialog->GetDeviceFormat().nChannels, 1);
    FeedPeaks(2, -0x5000, 0);
    EXPECT_TRUE(Visible(1));
    EXPECT_FALSE(Visible(2));
    EXPECT_EQ(Gauge(1)->GetValue(), 80 * 100 / 127);
    EXPECT_EQ(LevelText(), std::to_string(80 * 100 / 127));
    FeedPeaks(3, 0x0A00, 0);
    EXPECT_EQ(Gauge(1)->GetValue(), 10 * 100 / 127);
    ClickStop();
    EXPECT_EQ(Gauge(1)->GetValue(), 0);
    EXPECT_EQ(LevelText(), "");
}

TEST_F(Transport, ThePlayedBuffersPeaksShowOnTheMeter)
{
    std::vector<std::uint8_t> data(10 * kSecond, 0x80);
    for (std::size_t i = 0; i < data.size(); i += 2) {
        data[i] = 0x80 + 0x60;  // 8-bit peaks measure 127 - |signed byte|: 95 here
    }
    OpenFile(WavWith(data, kMono8));
    ClickPlay();
    PlayBuffers(2);
    EXPECT_EQ(Gauge(1)->GetValue(), 95 * 100 / 127);
}

TEST_F(Transport, WhatsThisOnATransportButtonOrTheMeterShowsItsText)
{
    const std::string help = dir.file("tapvox.chm");
    ASSERT_EQ(mkdir(help.c_str(), 0700), 0);
    std::ofstream(help + "/CSTapvox.txt") << ".topic 150\nStarts recording.\n\n.topic 153\nSteps forward.\n\n"
                                             ".topic 112\nThe input level.\n";
    platform::CopyBounded(HelpFilePath, MAX_PATH, help);
    platform::CopyBounded(HelpPopupPath, MAX_PATH, help + "::/CSTapvox.txt");
    OWL::TApplication app("Tapvox");
    Open();
    app.SetMainWindow(frame);
    auto popupText = [] {
        HWND p = FindWindowA("TapvoxHelpPopup", nullptr);
        std::string text = p ? hl::Text(p) : std::string("(no popup)");
        if (p) {
            DestroyWindow(p);
        }
        return text;
    };
    const HWND w = dialog->GetHandle();

    // F1 over the Record button.
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, kRecord, Item(kRecord), 0, POINT{0, 0}};
    SendMessage(w, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(popupText(), "Starts recording.");

    // A right click on the Forward button and on the meter's bar (a gauge laid over control 116).
    auto rightClick = [&](HWND target) {
        RECT r{};
        GetWindowRect(target, &r);
        SendMessage(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target),
                    MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        return popupText();
    };
    EXPECT_EQ(rightClick(Item(kForward)), "Steps forward.");
    EXPECT_EQ(rightClick(Item(kMeter + 1)), "The input level.");
    // The keyboard's context menu finds no control.
    SendMessage(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w), MAKELPARAM(-1, -1));
    EXPECT_EQ(popupText(), "(no popup)");

    app.SetMainWindow(nullptr);
    HelpFilePath[0] = HelpPopupPath[0] = '\0';
}
