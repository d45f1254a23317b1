// Property page templates of the preferences sheet and the three pages it does not show.
#include "resources/Form.h"
#include "resources/Resources.h"

namespace resources {
using namespace form;

namespace {
// Controls the template holds for the code but that this system does not show.
Item Hidden(Item item)
{
    item.style &= ~WS_VISIBLE;
    return item;
}

void Page(int id, const char* caption, std::vector<Item> items)
{
    auto t = Dialog(caption, 220, 150, kChild | WS_CAPTION);
    t.items = std::move(items);
    platform::AddDialog(MAKEINTRESOURCEA(id), t);
}
}

void RegisterPages()
{
    Page(270, "General", {
        Hidden(Check("&Launch program at system boot", 305, 8, 8, 200)),
        Check("Minimize on program start", 300, 8, 22, 200),
        Check("&Listen at start-up", 302, 8, 36, 200),
        Check("&Always on top", 217, 8, 50, 200),
        Check("Taskbar &Tray icon", 219, 8, 64, 200),
        Hidden(Check("&QuickLaunch icon", 2322, 8, 78, 200)),
        Hidden(Check("&Desktop icon", 2321, 8, 92, 200)),
    });
    Page(271, "Wave", {
        Label("Sample rate", -1, 8, 10, 50), Combo(186, 60, 8, 60, CBS_DROPDOWN), Text(161, 126, 10, 86),
        Group("&Resolution", 173, 8, 26, 100, 36),
        Radio("&8-bit", 171, 14, 36, 80, true), Radio("&16-bit", 172, 14, 48, 80),
        Group("&Channels", 223, 112, 26, 100, 36),
        Radio("&Mono", 224, 118, 36, 80, true), Radio("&Stereo", 225, 118, 48, 80),
        Label("Default Com&pression", 221, 8, 70, 204), Combo(220, 8, 80, 204, CBS_DROPDOWNLIST),
        Check("&Use WAV as default audio recording format", 813, 8, 100, 204),
    });
    Page(3700, "Mp3", {
        Label("Sample rate", -1, 8, 10, 50), Combo(3708, 60, 8, 60, CBS_DROPDOWN), Text(3710, 126, 10, 86),
        Group("&Channels", 3704, 8, 26, 100, 36),
        Radio("&Mono", 3705, 14, 36, 80, true), Radio("&Stereo", 3706, 14, 48, 80),
        Label("Default Com&pression Bit Rate", 3711, 8, 70, 204), Combo(3712, 8, 80, 204, CBS_DROPDOWNLIST),
        Check("&Use MP3 as default audio recording format", 3713, 8, 100, 204),
        Check("Enable ID3v2 &tags", 3714, 8, 114, 204),
    });
    Page(3860, "Vorbis", {
        Label("Sample rate", -1, 8, 10, 50), Combo(3865, 60, 8, 60, CBS_DROPDOWN), Text(3867, 126, 10, 86),
        Group("&Channels", 3861, 8, 26, 100, 36),
        Radio("&Mono", 3862, 14, 36, 80, true), Radio("&Stereo", 3863, 14, 48, 80),
        Label("Quality", -1, 8, 70, 40), Trackbar(3871, 50, 68, 140, 16, TBS_AUTOTICKS), Text(3875, 194, 70, 18),
        Check("Use Vorbis as default audio recording format", 3870, 8, 100, 204),
    });
    Page(272, "File", {
        Group("Directory", -1, 4, 2, 212, 30),
        Label("Default path", -1, 8, 12, 50), Text(199, 60, 12, 100, 8, SS_NOPREFIX), Button("&Browse...", 200, 164, 10, 48),
        Group("Names", -1, 4, 34, 212, 52),
        Check("&Automatic File Naming", 194, 8, 44, 120),
        Radio("&File name pattern (+ date/time)", 4206, 16, 56, 120, true), Button("&Edit...", 25802, 164, 54, 48),
        Radio("&Prompt for category", 102, 16, 68, 120), Text(104, 8, 78, 204, 8, SS_NOPREFIX),
        Group("Size", -1, 4, 88, 212, 58),
        Label("Recording file size &limit", -1, 8, 98, 90), Edit(164, 100, 96, 40), UpDown(167, 140, 96),
        Combo(101, 154, 96, 40, CBS_DROPDOWNLIST),
        Group("&At file limit", -1, 8, 110, 110, 34),
        Radio("&Loop (FIFO)", 227, 12, 118, 50, true), Radio("&Stop", 163, 64, 118, 50),
        Radio("N&ew File", 222, 12, 130, 50), Radio("&No action", 188, 64, 130, 50),
        Label("Total recording time at default sample rate", 183, 122, 112, 92, 16), Text(165, 122, 130, 92),
    });
    Page(273, "Record", {
        Group("Recording Modes", 189, 8, 6, 204, 70),
        Radio("&Manual", 201, 14, 16, 190, true),
        Radio("&Echo", 191, 14, 28, 190),
        Radio("&New file after quiet", 202, 14, 40, 120), Edit(203, 136, 38, 36), Label("seconds", 205, 176, 40, 32),
        Radio("New file when recording &starts", 231, 14, 52, 190),
        Radio("New file when recording sto&ps", 232, 14, 64, 190),
    });
    Page(210, "PlayBack", {
        Label("Time played at beginning of each segment in SoundByte mode", 212, 8, 8, 204, 16),
        Edit(211, 8, 28, 40), Label("seconds", -1, 52, 30, 40),
        Label("Enter SoundByte mode by double-clicking on Play button.", 213, 8, 48, 204, 16),
    });
    {
        std::vector<Item> items = {Check("&Enable Timer", 400, 8, 6, 100), Label("(HH:MM)", 405, 150, 6, 60)};
        const int starts[3] = {401, 420, 430};
        const int stops[3] = {402, 421, 431};
        const int news[3] = {406, 426, 436};
        const int prefixes[3] = {407, 427, 437};
        const int days[3] = {408, 428, 438};
        const int startLabels[3] = {403, 422, 432};
        const int stopLabels[3] = {404, 423, 433};
        const char* startText[3] = {"st&art time 1", "sta&rt time 2", "start time 3"};
        const char* stopText[3] = {"st&op time 1", "sto&p time 2", "stop time 3"};
        for (int i = 0; i < 3; ++i) {
            const int y = 22 + i * 42;
            items.push_back(Label(startText[i], startLabels[i], 8, y + 2, 50));
            items.push_back(Edit(starts[i], 60, y, 40));
            items.push_back(Label(stopText[i], stopLabels[i], 108, y + 2, 50));
            items.push_back(Edit(stops[i], 160, y, 40));
            items.push_back(Check("New file", news[i], 8, y + 16, 50));
            items.push_back(Edit(prefixes[i], 60, y + 14, 60));
            items.push_back(Combo(days[i], 124, y + 14, 80, i == 0 ? CBS_DROPDOWN : CBS_DROPDOWNLIST));
        }
        Page(28071, "Timer", std::move(items));
    }
    Page(1600, "Driver", {
        Label("Audio &Out Device    (Mapper recommended)", 1603, 8, 8, 204), Combo(1602, 8, 18, 204, CBS_DROPDOWNLIST),
        Label("Audio &In Device     (Mapper recommended)", 1604, 8, 38, 204), Combo(1601, 8, 48, 204, CBS_DROPDOWNLIST),
    });
    Page(500, "Switches", {
        Check("Enable &Joystick Button controls", 501, 8, 6, 200),
        Label("Joystick Button &1", 509, 8, 24, 70), Combo(502, 80, 22, 132, CBS_DROPDOWNLIST),
        Label("Joystick Button &2", 503, 8, 42, 70), Combo(504, 80, 40, 132, CBS_DROPDOWNLIST),
        Label("Joystick Button &3", 505, 8, 60, 70), Combo(506, 80, 58, 132, CBS_DROPDOWNLIST),
        Label("Joystick Button &4", 507, 8, 78, 70), Combo(508, 80, 76, 132, CBS_DROPDOWNLIST),
    });
    Page(900, "HotKey", {
        Label("Hot key for &Play-Toggle:", 902, 8, 8, 204), HotKey(901, 8, 18, 120),
        Label("Hot key for &Record-Toggle:", 904, 8, 38, 204), HotKey(903, 8, 48, 120),
        Label("Hot key for &Activate program window:", 906, 8, 68, 204), HotKey(905, 8, 78, 120),
    });
}
}
