// Help on the preference pages: the sheet's Help button opens the topic of the
// page in front, F1 and right clicks over a control pop up that control's text,
// and the pattern dialog pops up the texts of the File page's map.
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <vector>

#include "controls/HelpMaps.h"
#include "platform/core/Strings.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/Processes.h"
#include "platform/user/Keyboard.h"
#include "prefs/PreferencesSheet.h"
#include "prefs/SetDriver.h"
#include "prefs/SetJoy.h"
#include "prefs/SetKey.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
using Argv = std::vector<std::string>;

// The maps of the eight pages in the sheet's order.
const HelpPair* const kPlacedMaps[] = {SetStartHelpMap, SetWaveHelpMap,   SetMp3HelpMap,      SetVorbisHelpMap,
                                       SetFileHelpMap,  SetRecordHelpMap, SetPlayBackHelpMap, SetTimerHelpMap};

class PageHelp : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        platform::SetProgramStarter([this](const Argv& argv) {
            started.push_back(argv);
            return true;
        });
    }
    void TearDown() override
    {
        CloseAnyPopup();
        platform::SetProgramStarter({});
        HelpFilePath[0] = HelpPopupPath[0] = '\0';
        PageTest::TearDown();
    }
    // The help folder that ships with the program.
    std::string UseInstalledHelp()
    {
        const std::string folder = testsupport::SourceDir() + "/resources/help";
        UseHelpFolder(folder);
        return folder;
    }
    // A help folder whose popup text for id N is "Text N.", for every text the maps name and the switches' ids.
    void UseNumberedPopups()
    {
        std::set<int> ids = {501, 502, 503, 504, 505, 506, 507, 508, 509};
        for (const HelpPair* map : {SetStartHelpMap, SetWaveHelpMap, SetMp3HelpMap, SetVorbisHelpMap, SetFileHelpMap,
                                    SetRecordHelpMap, SetPlayBackHelpMap, SetTimerHelpMap, SetDriverHelpMap, SetKeyHelpMap}) {
            for (const HelpPair* p = map; p->controlId; ++p) {
                ids.insert(p->textId ? p->textId : p->controlId);
            }
        }
        const std::string folder = dir.file("help");
        ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
        std::ofstream out(folder + "/CSTapvox.txt");
        for (int id : ids) {
            if (id > 0) {
                out << ".topic " << id << "\nText " << id << ".\n\n";
            }
        }
        UseHelpFolder(folder);
    }
    static void UseHelpFolder(const std::string& folder)
    {
        platform::CopyBounded(HelpFilePath, MAX_PATH, folder);
        platform::CopyBounded(HelpPopupPath, MAX_PATH, folder + "::/CSTapvox.txt");
    }
    static HWND Popup() { return FindWindowA("TapvoxHelpPopup", nullptr); }
    // The text of the popup that is up, closing it; "(no popup)" when none is.
    static std::string TakePopup()
    {
        HWND p = Popup();
        if (!p) {
            return "(no popup)";
        }
        const std::string text = hl::Text(p);
        DestroyWindow(p);
        return text;
    }
    static void CloseAnyPopup()
    {
        if (HWND p = Popup()) {
            DestroyWindow(p);
        }
    }
    // F1 with the focus on the control, as the user presses it.
    static std::string F1On(HWND control)
    {
        CloseAnyPopup();
        SetFocus(control);
        hl::Key(VK_F1);
        return TakePopup();
    }
    static std::string RightClickOn(HWND page, HWND control)
    {
        CloseAnyPopup();
        POINT at = Middle(control);
        ClientToScreen(control, &at);
        ScreenToClient(page, &at);
        hl::RightClickAt(page, at);
        return TakePopup();
    }
    static POINT Middle(HWND control)
    {
        RECT r{};
        GetClientRect(control, &r);
        return POINT{r.right / 2, r.bottom / 2};
    }
    // What the map pops up for a control: the first pair's text, "(no popup)" for text -1.
    static std::string Expected(const HelpPair* map, int control)
    {
        for (const HelpPair* p = map; p->controlId; ++p) {
            if (p->controlId == control) {
                return p->textId == -1 ? "(no popup)" : "Text " + std::to_string(p->textId ? p->textId : control) + ".";
            }
        }
        return "(no popup)";
    }
    static void ShowPage(HWND sheet, int index) { SendMessage(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0); }
    std::string TopicUrl(const std::string& folder, const std::string& topic) { return "file://" + folder + "/" + topic; }

    std::vector<Argv> started;
};

TEST_F(PageHelp, TheHelpButtonOpensTheTopicOfThePageInFront)
{
    const std::string folder = UseInstalledHelp();
    const char* const topics[] = {"General.html", "Wave.html",   "Mp3.html",      "Vorbis.html",
                                  "File.html",    "Record.html", "Playback.html", "Timer.html"};
    TPreferencesSheet prefs(nullptr);
    ASSERT_EQ(IDCANCEL, Run(prefs.Sheet(), [&](HWND h) {
        for (int i = 7; i >= 0; --i) {
            ShowPage(h, i);
            ASSERT_EQ(i, prefs.Sheet().GetCurrentIndex());
            hl::Click(GetDlgItem(h, IDHELP));
            ASSERT_EQ(static_cast<std::size_t>(8 - i), started.size()) << "page " << i;
            EXPECT_EQ((Argv{"xdg-open", TopicUrl(folder, topics[i])}), started.back()) << "page " << i;
        }
        Cancel(h);
    }));
    EXPECT_TRUE(hl::MessageBoxes().empty());
}

TEST_F(PageHelp, ThePagesOutsideTheSheetOpenTheirTopicsToo)
{
    const std::string folder = UseInstalledHelp();
    OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
    TSetDriver driver(&sheet);
    TSetJoy joy(&sheet);
    TSetKey key(&sheet);
    const char* const topics[] = {"Devices.html", "Switches.html", "HotKeys.html"};
    ASSERT_EQ(IDCANCEL, Run(sheet, [&](HWND h) {
        for (int i = 0; i < 3; ++i) {
            ShowPage(h, i);
            SendMessage(h, PSM_PRESSBUTTON, PSBTN_HELP, 0);
            ASSERT_EQ(static_cast<std::size_t>(i + 1), started.size());
            EXPECT_EQ((Argv{"xdg-open", TopicUrl(folder, topics[i])}), started.back());
        }
        Cancel(h);
    }));
}

TEST_F(PageHelp, F1OnEachMappedControlOfAPagePopsUpItsText)
{
    UseNumberedPopups();
    TPreferencesSheet prefs(nullptr);
    ASSERT_EQ(IDCANCEL, Run(prefs.Sheet(), [&](HWND h) {
        for (int i = 0; i < 8; ++i) {
            ShowPage(h, i);
            const OWL::TPropertyPage& page = *prefs.Sheet().GetPage(i);
            int asked = 0;
            for (const HelpPair* p = kPlacedMaps[i]; p->controlId; ++p) {
                HWND control = Item(page, p->controlId);
                // The File page's map also names the pattern dialog's controls; the General page hides three boxes.
                if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control)) {
                    continue;
                }
                ++asked;
                EXPECT_EQ(Expected(kPlacedMaps[i], p->controlId), F1On(control))
                    << "page " << i << ", control " << p->controlId;
            }
            EXPECT_GE(asked, 3) << "page " << i;
            // A control the map lacks (the sheet's own OK button) gets nothing from the page.
            EXPECT_EQ("(no popup)", F1On(GetDlgItem(h, IDOK)));
        }
        Cancel(h);
    }));
}

TEST_F(PageHelp, RightClicksFindTheControlUnderTheMouse)
{
    UseNumberedPopups();
    TPreferencesSheet prefs(nullptr);
    ASSERT_EQ(IDCANCEL, Run(prefs.Sheet(), [&](HWND h) {
        ShowPage(h, 4);
        HWND page = prefs.Sheet().GetPage(4)->GetHandle();
        EXPECT_EQ("Text 200.", RightClickOn(page, Item(*prefs.Sheet().GetPage(4), 200))) << "Browse: its own text";
        EXPECT_EQ("Text 22.", RightClickOn(page, Item(*prefs.Sheet().GetPage(4), 164))) << "the limit: text 22";
        EXPECT_EQ("Text 166.", RightClickOn(page, Item(*prefs.Sheet().GetPage(4), 4206))) << "the pattern radio: text 166";
        CloseAnyPopup();
        SetFocus(Item(*prefs.Sheet().GetPage(4), 200));
        hl::Key(VK_F10, {VK_SHIFT});
        EXPECT_EQ("(no popup)", TakePopup()) << "the keyboard's context menu finds no control";

        EXPECT_EQ("Text 24.", RightClickOn(page, Item(*prefs.Sheet().GetPage(4), 183))) << "a label: text 24";
        RECT browse{};
        GetWindowRect(Item(*prefs.Sheet().GetPage(4), 200), &browse);
        POINT inGroupOnly{browse.left + 4, browse.top - 4};
        ScreenToClient(page, &inGroupOnly);
        CloseAnyPopup();
        hl::RightClickAt(page, inGroupOnly);
        EXPECT_EQ("(no popup)", TakePopup()) << "inside the Directory box, beside its controls";

        ShowPage(h, 7);
        HWND timer = prefs.Sheet().GetPage(7)->GetHandle();
        EXPECT_EQ("Text 34.", RightClickOn(timer, Item(*prefs.Sheet().GetPage(7), 401))) << "a start time: text 34";
        // Below a drop-down list, not under its open list.
        EXPECT_EQ("Text 35.", RightClickOn(timer, Item(*prefs.Sheet().GetPage(7), 421))) << "a stop time: text 35";
        ShowPage(h, 1);
        EXPECT_EQ("Text 813.", RightClickOn(prefs.Sheet().GetPage(1)->GetHandle(), Item(*prefs.Sheet().GetPage(1), 813)));
        Cancel(h);
    }));
}

TEST_F(PageHelp, TheSwitchesPageWithoutAMapShowsEachControlsOwnText)
{
    UseNumberedPopups();
    OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
    TSetDriver driver(&sheet);
    TSetJoy joy(&sheet);
    ASSERT_EQ(IDCANCEL, Run(sheet, [&](HWND h) {
        ShowPage(h, 1);
        EXPECT_EQ("Text 502.", F1On(Item(joy, 502)));
        EXPECT_EQ("Text 501.", F1On(Item(joy, 501)));
        CloseAnyPopup();
        hl::Key(VK_APPS);
        EXPECT_EQ("Text 501.", TakePopup()) << "without a map, the keyboard's menu asks about the focused control";
        ShowPage(h, 0);
        EXPECT_EQ("Text 1602.", F1On(Item(driver, 1602)));
        EXPECT_EQ("Text 1601.", F1On(Item(driver, 1603))) << "the first pair of 1603 wins";
        Cancel(h);
    }));
}

TEST_F(PageHelp, ThePatternDialogPopsUpTheTextsOfTheFilePagesMap)
{
    UseNumberedPopups();
    TPreferencesSheet prefs(nullptr);
    ASSERT_EQ(IDCANCEL, Run(prefs.Sheet(), [&](HWND h) {
        ShowPage(h, 4);
        bool ran = false;
        hl::AnswerDialog(4200, [&](HWND d) {
            ran = true;
            EXPECT_EQ("Text 4201.", F1On(GetDlgItem(d, 4201)));
            EXPECT_EQ("Text 4205.", F1On(GetDlgItem(d, 4205)));
            EXPECT_EQ("Text 4204.", RightClickOn(d, GetDlgItem(d, 4204)));
            EXPECT_EQ("(no popup)", F1On(GetDlgItem(d, IDOK))) << "OK is not in the map";
            hl::Click(GetDlgItem(d, IDCANCEL));
        });
        hl::Click(Item(*prefs.Sheet().GetPage(4), 25802));
        EXPECT_TRUE(ran);
        Cancel(h);
    }));
}
}
