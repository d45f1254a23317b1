// ContextHelpWin: help requests and right clicks mapped to popup texts, the
// keyboard's context menu, the Help button's topics, and a missing help folder.
#include <sys/stat.h>

#include <fstream>

#include "ControlsTestSupport.h"
#include "controls/ContextHelpWin.h"
#include "controls/HelpMaps.h"
#include "owl/Application.h"
#include "owl/FrameWindow.h"
#include "platform/core/Strings.h"
#include "platform/ipc/Ipc.h"
#include "platform/kernel/Processes.h"
#include "platform/user/Keyboard.h"
#include "tests/support/TestSupport.h"

using namespace controlstest;
namespace hl = platform::headless;

namespace {
// A dialog with the main window's map over the panel template.
class HelpPanel : public OWL::TDialog, public ContextHelpWin {
public:
    HelpPanel(OWL::TWindow* parent, const HelpPair* map, std::int32_t context)
        : OWL::TDialog(parent, kPanel), ContextHelpWin(parent, map, context)
    {
    }
    DECLARE_RESPONSE_TABLE(HelpPanel)
};
DEFINE_RESPONSE_TABLE2(HelpPanel, ContextHelpWin, OWL::TDialog)
END_RESPONSE_TABLE

class ContextHelp : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        const std::string folder = dir.file("tapvox.chm");
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        Write(folder + "/CSTapvox.txt",
              ".topic 150\nStarts recording.\n\n.topic 151\nPlays the recording.\n.topic 154\nStops.\n"
              ".topic 112\nThe level meter.\n.topic 160\nAn edit box.\n");
        Write(folder + "/Contexts.txt", "# context id, topic\n272 File.html\n");
        Write(folder + "/File.html", "<p>File</p>");
        Write(folder + "/Controls.html", "<p>Controls</p>");
        platform::CopyBounded(HelpFilePath, MAX_PATH, folder);
        platform::CopyBounded(HelpPopupPath, MAX_PATH, folder + "::/CSTapvox.txt");
        platform::SetProgramStarter([this](const std::vector<std::string>& argv) {
            started.push_back(argv);
            return true;
        });
        app = std::make_unique<OWL::TApplication>("Tapvox");
        frame = new OWL::TFrameWindow(nullptr, "Tapvox");
        app->SetMainWindow(frame);
        ASSERT_TRUE(frame->Create());
    }
    void TearDown() override
    {
        delete panel;
        app.reset();
        platform::SetProgramStarter({});
        HelpFilePath[0] = HelpPopupPath[0] = '\0';
        ControlsTest::TearDown();
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    HWND Make(const HelpPair* map, std::int32_t context = 0)
    {
        panel = new HelpPanel(nullptr, map, context);
        EXPECT_TRUE(panel->Create());
        Settle();
        return panel->GetHandle();
    }
    static HWND Popup() { return FindWindowA("TapvoxHelpPopup", nullptr); }
    static std::string PopupText()
    {
        HWND p = Popup();
        return p ? hl::Text(p) : std::string("(no popup)");
    }
    static void CloseAnyPopup()
    {
        if (HWND p = Popup()) {
            DestroyWindow(p);
        }
    }
    static void Help(HWND dlg, int id, HWND item = nullptr, int type = HELPINFO_WINDOW)
    {
        CloseAnyPopup();
        HELPINFO info{sizeof(HELPINFO), type, id, item, 0, POINT{0, 0}};
        SendMessage(dlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    }
    static void RightClick(HWND dlg, HWND target, POINT screen)
    {
        CloseAnyPopup();
        SendMessage(dlg, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), MAKELPARAM(screen.x, screen.y));
    }
    static POINT ScreenMiddle(HWND h)
    {
        POINT p = Middle(h);
        ClientToScreen(h, &p);
        return p;
    }

    testsupport::TempDir dir;
    std::unique_ptr<OWL::TApplication> app;
    OWL::TFrameWindow* frame = nullptr;
    HelpPanel* panel = nullptr;
    std::vector<std::vector<std::string>> started;
};
}

TEST_F(ContextHelp, HelpRequestsFollowTheMap)
{
    HWND dlg = Make(AppDialogHelpMap);
    hl::MoveMouse(GetDlgItem(dlg, 150), POINT{3, 4});
    Help(dlg, 150);
    EXPECT_EQ(PopupText(), "Starts recording.") << "text 0 in the map: the control's own id";
    RECT r{};
    GetWindowRect(Popup(), &r);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(r.left, cursor.x);
    EXPECT_EQ(r.top, cursor.y);
    EXPECT_EQ(GetParent(Popup()), frame->GetHandle()) << "popups belong to the main window";

    Help(dlg, 0, GetDlgItem(dlg, 151));
    EXPECT_EQ(PopupText(), "Plays the recording.") << "no id: the control of the handle";
    Help(dlg, kMeter);
    EXPECT_EQ(PopupText(), "The level meter.") << "116 shows text 112";
    Help(dlg, kEdit);
    EXPECT_EQ(Popup(), nullptr) << "a control the map lacks gets no popup";
    Help(dlg, 150, nullptr, HELPINFO_MENUITEM);
    EXPECT_EQ(Popup(), nullptr);
    Help(dlg, 143);
    EXPECT_EQ(Popup(), nullptr) << "text -1 is passed on and the popup file has none";
}

TEST_F(ContextHelp, RightClicksFindTheControlUnderThePoint)
{
    HWND dlg = Make(AppDialogHelpMap);
    HWND stop = GetDlgItem(dlg, 154);
    RightClick(dlg, stop, ScreenMiddle(stop));
    EXPECT_EQ(PopupText(), "Stops.");
    POINT empty{200, 120};
    ClientToScreen(dlg, &empty);
    RightClick(dlg, dlg, empty);
    EXPECT_EQ(Popup(), nullptr) << "nothing mapped there";
    RightClick(dlg, stop, POINT{-1, -1});
    EXPECT_EQ(Popup(), nullptr) << "the keyboard's context menu finds no control";
}

TEST_F(ContextHelp, WithoutAMapEveryControlShowsItsOwnId)
{
    HWND dlg = Make(nullptr, SetJoyHelpContext);
    Help(dlg, kEdit);
    EXPECT_EQ(PopupText(), "An edit box.");
    RightClick(dlg, GetDlgItem(dlg, 154), POINT{-1, -1});
    EXPECT_EQ(PopupText(), "Stops.");
}

TEST_F(ContextHelp, PopupClosesOnAKeyOrAClickAndGivesTheFocusBack)
{
    HWND dlg = Make(AppDialogHelpMap);
    HWND edit = GetDlgItem(dlg, kEdit);
    SetFocus(edit);
    Help(dlg, 150);
    ASSERT_NE(Popup(), nullptr);
    hl::Key(VK_ESCAPE);
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(GetFocus(), edit);
    Help(dlg, 151);
    hl::ClickAt(dlg, POINT{5, 5});
    EXPECT_EQ(Popup(), nullptr);
    Help(dlg, 151);
    Help(dlg, 154);
    EXPECT_EQ(PopupText(), "Stops.") << "one popup at a time";
}

TEST_F(ContextHelp, HelpButtonOpensTheTopicOfTheContextOrControls)
{
    HWND dlg = Make(SetFileHelpMap, SetFileHelpContext);
    PSHNOTIFY n{{dlg, PS_NOTIFY_ID, PSN_HELP}, 0};
    SendMessage(dlg, WM_NOTIFY, PS_NOTIFY_ID, reinterpret_cast<LPARAM>(&n));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0][0], "xdg-open");
    EXPECT_EQ(started[0][1], "file://" + dir.file("tapvox.chm") + "/File.html");
    delete panel;
    panel = nullptr;

    dlg = Make(PositionDialogHelpMap, PositionDialogHelpContext);
    n.hdr.hwndFrom = dlg;
    SendMessage(dlg, WM_NOTIFY, PS_NOTIFY_ID, reinterpret_cast<LPARAM>(&n));
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1][1], "file://" + dir.file("tapvox.chm") + "/Controls.html");
    EXPECT_TRUE(hl::MessageBoxes().empty());
}

TEST_F(ContextHelp, MissingHelpFolderGivesAMessageForTopicsAndNothingForPopups)
{
    HWND dlg = Make(SetFileHelpMap, SetFileHelpContext);
    platform::CopyBounded(HelpFilePath, MAX_PATH, dir.file("gone/tapvox.chm"));
    platform::CopyBounded(HelpPopupPath, MAX_PATH, dir.file("gone/tapvox.chm::/CSTapvox.txt"));
    Help(dlg, 180);
    EXPECT_EQ(Popup(), nullptr);
    PSHNOTIFY n{{dlg, PS_NOTIFY_ID, PSN_HELP}, 0};
    SendMessage(dlg, WM_NOTIFY, PS_NOTIFY_ID, reinterpret_cast<LPARAM>(&n));
    ASSERT_EQ(hl::MessageBoxes().size(), 1u);
    EXPECT_NE(hl::MessageBoxes()[0].text.find("help folder was not found"), std::string::npos);

    HelpFilePath[0] = HelpPopupPath[0] = '\0';
    Help(dlg, 180);
    EXPECT_EQ(Popup(), nullptr);
    SendMessage(dlg, WM_NOTIFY, PS_NOTIFY_ID, reinterpret_cast<LPARAM>(&n));
    ASSERT_EQ(hl::MessageBoxes().size(), 2u);
    EXPECT_NE(hl::MessageBoxes()[1].text.find("No help is installed"), std::string::npos);
    EXPECT_TRUE(started.empty());
}

TEST(HelpMaps, FirstPairOfAControlWins)
{
    int seen = 0;
    for (const HelpPair* p = SetDriverHelpMap; p->controlId; ++p) {
        if (p->controlId == 1603) {
            ++seen;
            EXPECT_EQ(p->textId, 1601);
        }
    }
    EXPECT_EQ(seen, 2);
}

TEST_F(ContextHelp, F1TheContextMenuKeyAndRightClicksComeFromInput)
{
    HWND dlg = Make(AppDialogHelpMap);
    HWND play = GetDlgItem(dlg, 151);
    SetFocus(play);
    hl::Key(VK_F1);
    EXPECT_EQ(PopupText(), "Plays the recording.") << "F1 asks about the focused control";
    CloseAnyPopup();
    SetFocus(play);
    hl::Key(VK_F10, {VK_SHIFT});
    EXPECT_EQ(Popup(), nullptr) << "with a map, the keyboard's context menu finds no control";
    HWND stop = GetDlgItem(dlg, 154);
    POINT at = ScreenMiddle(stop);
    ScreenToClient(dlg, &at);
    hl::RightClickAt(dlg, at);
    EXPECT_EQ(PopupText(), "Stops.");
    CloseAnyPopup();
    delete panel;
    panel = nullptr;

    dlg = Make(nullptr);
    SetFocus(GetDlgItem(dlg, kEdit));
    hl::Key(VK_APPS);
    EXPECT_EQ(PopupText(), "An edit box.") << "without a map the focused control's own id";
}

TEST_F(ContextHelp, APopupWrapsItsTextOnItsOwnBackground)
{
    const std::string folder = dir.file("tapvox.chm");
    Write(folder + "/CSTapvox.txt",
          ".topic 150\nRecord. Starts recording into the open file, or into a new one when no file is open, "
          "and keeps going until Stop is pressed or a limit is reached.\n");
    HWND dlg = Make(AppDialogHelpMap);
    Help(dlg, 150);
    HWND popup = Popup();
    ASSERT_NE(popup, nullptr);
    Settle();
    RECT rc{};
    GetClientRect(popup, &rc);
    const int lineHeight = MeasureText(popup, "Record").extent.cy;
    EXPECT_LE(rc.right, 320 + 12) << "long texts wrap";
    EXPECT_GE(rc.bottom, 2 * lineHeight + 10);
    EXPECT_EQ(platform::WindowPixel(popup, 3, 3), static_cast<COLORREF>(0x00D0FFFF)) << "the popup's light yellow";
    EXPECT_EQ(platform::WindowPixel(popup, 0, 0), GetSysColor(COLOR_INFOTEXT)) << "a thin frame in the text colour";
}
