// Modal user interface on the desktop: message boxes, dialogs, file and folder choosers and menus, answered with real input while the queue keeps running.
#include "tests/platform/display/DesktopFixture.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "platform/ipc/Ipc.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Menus.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Resources.h"
#include "tests/support/TestSupport.h"

namespace desktoptest {
namespace {
// Runs a modal call from inside the loop, as the program would from a handler, while the test acts as the user.
struct Modal {
    std::function<void()> call;
    bool done = false;
};

LRESULT ModalProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 99) {
        auto* m = reinterpret_cast<Modal*>(lp);
        m->call();
        m->done = true;
        return 0;
    }
    Log().push_back(Received{hwnd, msg, wp, lp, false, false, false});
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A frame of its own class, whose procedure logs what it gets (ModalProc, or one that does more first).
HWND ModalFrame(WNDPROC proc = ModalProc, const char* className = "DeskModal")
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "Owner", WS_OVERLAPPEDWINDOW, 40, 40, 300, 200, nullptr, nullptr, nullptr, nullptr);
}

INT_PTR EndingProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_COMMAND && (LOWORD(static_cast<DWORD_PTR>(wp)) == IDOK || LOWORD(static_cast<DWORD_PTR>(wp)) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(static_cast<DWORD_PTR>(wp)));
        return TRUE;
    }
    return FALSE;
}

OPENFILENAMEA FileRequest(HWND owner, char* buffer, DWORD size)
{
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = size;
    return ofn;
}

void Start(HWND frame, Modal& m) { PostMessage(frame, WM_USER + 99, 0, reinterpret_cast<LPARAM>(&m)); }

TEST_F(Desktop, AMessageBoxIsAnsweredByClickingItsButtonWhileTheQueueRuns)
{
    HWND frame = ModalFrame();
    ShowAndSettle(frame);
    int result = 0;
    std::optional<dt::OpenBox> box;
    bool enabledMeanwhile = true;
    bool doneMeanwhile = true;
    Script user({
        {[&] { return (box = dt::MessageBoxOnScreen()).has_value() && box->buttons.size() == 3; },
         [&] {
             enabledMeanwhile = IsWindowEnabled(frame) != FALSE;
             // A device thread's message is handled while the box waits for the user.
             std::thread([frame] { PostMessage(frame, WM_USER + 3, 0, 0); }).join();
         }},
        {[] { return !Seen(WM_USER + 3).empty(); },
         [&] {
             for (const auto& [label, at] : box->buttons) {
                 if (label == "No") {
                     dt::ClickAt(at);
                 }
             }
         }},
    });
    Modal m{[&] {
        result = MessageBoxA(frame, "Save the recording?", "Tapvox", MB_YESNOCANCEL | MB_ICONQUESTION);
        doneMeanwhile = false;
    }};
    Start(frame, m);
    ASSERT_TRUE(dt::RunUntil([&] { return m.done; }, 10000));
    EXPECT_TRUE(user.Finished());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Save the recording?");
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_FALSE(doneMeanwhile);
    EXPECT_EQ(result, IDNO);
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_TRUE(dt::RunUntil([] { return !dt::MessageBoxOnScreen(); }));
}

TEST_F(Desktop, AModalDialogIsAnsweredWithTheMouseAndKeysWhileItsOwnerTakesNoInput)
{
    platform::DialogTemplate t;
    t.caption = "Position";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.cx = 160;
    t.cy = 60;
    t.items = {{WC_EDIT, "", 10, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 8, 8, 80, 12},
               {WC_BUTTON, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 8, 40, 50, 14},
               {WC_BUTTON, "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 64, 40, 50, 14}};
    platform::AddDialog("DESKMODAL", t);
    HWND frame = ModalFrame();
    HWND ownerButton = Child(frame, WC_BUTTON, "Owner's", BS_PUSHBUTTON, 77, {10, 10, 90, 34});
    ShowAndSettle(frame);
    HWND dialog = nullptr;
    const auto up = [&dialog] {
        dialog = FindWindowA(WC_DIALOG, "Position");
        return dialog && dt::Shown(dialog) && dt::ScreenRect(GetDlgItem(dialog, IDOK));
    };
    std::string typed;
    Script user({
        {up, [&] { dt::Click(ownerButton); dt::Click(GetDlgItem(dialog, 10)); }},
        {[&] { return GetFocus() == GetDlgItem(dialog, 10); }, [] { dt::Type("12"); }},
        {[&] { return platform::headless::Text(GetDlgItem(dialog, 10)) == "12"; },
         [&] {
             typed = platform::headless::Text(GetDlgItem(dialog, 10));
             dt::Key(VK_ESCAPE);  // Escape is the dialog's Cancel
         }},
    });
    INT_PTR result = 0;
    Modal m{[&] { result = DialogBoxParamA(nullptr, "DESKMODAL", frame, EndingProc, 0); }};
    Start(frame, m);
    ASSERT_TRUE(dt::RunUntil([&] { return m.done; }, 10000));
    EXPECT_EQ(typed, "12");
    EXPECT_EQ(result, IDCANCEL);
    for (const Received& r : Seen(WM_COMMAND)) {
        EXPECT_NE(LOWORD(static_cast<DWORD_PTR>(r.wParam)), 77) << "a click reached the disabled owner";
    }

    Script again({{up, [&] { dt::Click(GetDlgItem(dialog, IDOK)); }}});
    Modal second{[&] { result = DialogBoxParamA(nullptr, "DESKMODAL", frame, EndingProc, 0); }};
    Start(frame, second);
    ASSERT_TRUE(dt::RunUntil([&] { return second.done; }, 10000));
    EXPECT_EQ(result, IDOK);
}

TEST_F(Desktop, TheSaveChooserFiltersWithoutCaseAndAsksBeforeReplacingTheNameTheLayerWillUse)
{
    testsupport::TempDir dir;
    std::ofstream(dir.file("take.wav")) << "x";
    HWND frame = ModalFrame();
    ShowAndSettle(frame);
    char name[260] = "take";
    OPENFILENAMEA ofn = FileRequest(frame, name, sizeof name);
    ofn.lpstrFilter = "Wave files\0*.wav\0MP3 files\0*.mp3\0\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrInitialDir = dir.path().c_str();
    ofn.lpstrDefExt = "wav";
    ofn.Flags = OFN_OVERWRITEPROMPT;
    std::vector<std::string> wavFilters;
    std::vector<std::string> mp3Filters;
    std::optional<dt::OpenBox> box;
    bool stillOpen = false;
    Script user({
        {[] { return dt::FileChooserOnScreen(); },
         [&] {
             wavFilters = dt::ChooserFiltersAccepting("TAKE.WAV");
             mp3Filters = dt::ChooserFiltersAccepting("Take.Mp3");
             // "take" becomes take.wav, which exists: the chooser asks first.
             dt::AnswerFileChooser(dir.file("take"));
         }},
        {[&] { return (box = dt::MessageBoxOnScreen()).has_value() && box->buttons.size() == 2; },
         [&] { dt::ClickAt(box->buttons[1].second); }},  // No keeps the chooser open
        {[] { return !dt::MessageBoxOnScreen() && dt::FileChooserOnScreen(); },
         [&] {
             stillOpen = true;
             dt::AnswerFileChooser(dir.file("other"));
         }},
    });
    BOOL saved = FALSE;
    Modal m{[&] { saved = GetSaveFileNameA(&ofn); }};
    Start(frame, m);
    ASSERT_TRUE(dt::RunUntil([&] { return m.done; }, 15000));
    EXPECT_EQ(wavFilters, std::vector<std::string>{"Wave files"});
    EXPECT_EQ(mp3Filters, std::vector<std::string>{"MP3 files"});
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find("take.wav already exists"), std::string::npos) << box->text;
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(saved);
    EXPECT_EQ(std::string(name), dir.file("other.wav"));
}

TEST_F(Desktop, TheFolderChooserAnswersAFolder)
{
    testsupport::TempDir dir;
    HWND frame = ModalFrame();
    ShowAndSettle(frame);
    char name[260] = "";
    OPENFILENAMEA ofn = FileRequest(frame, name, sizeof name);
    ofn.Flags = OFN_ENABLETEMPLATE;
    platform::DialogTemplate t;
    t.items = {{WC_LISTBOX, "", 1120, 0, 0, 0, 0, 10, 10}};  // the file list hidden: a folder is picked
    platform::AddDialog("DESKFOLDER", t);
    ofn.lpTemplateName = "DESKFOLDER";
    Script user({{[] { return dt::FileChooserOnScreen(); }, [&] { dt::AnswerFileChooser(dir.path()); }}});
    BOOL picked = FALSE;
    Modal m{[&] { picked = GetOpenFileNameA(&ofn); }};
    Start(frame, m);
    ASSERT_TRUE(dt::RunUntil([&] { return m.done; }, 10000));
    EXPECT_TRUE(picked);
    EXPECT_EQ(std::string(name), dir.path());
}

TEST_F(Desktop, APopupMenuReturnsTheItemClicked)
{
    HWND frame = ModalFrame();
    ShowAndSettle(frame);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 26001, "&Open window");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 26002, "&Toggle recording");
    AppendMenuA(menu, MF_STRING, 26004, "E&xit");
    SetMenuDefaultItem(menu, 0, TRUE);
    const RECT r = *dt::ScreenRect(frame);
    std::optional<POINT> exit;
    Script user({{[&] { return (exit = dt::MenuItemOnScreen("Exit")).has_value(); }, [&] { dt::ClickAt(*exit); }}});
    UINT chosen = 0;
    Modal m{[&] {
        chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, r.left + 40, r.top + 40, 0, frame, nullptr));
    }};
    Start(frame, m);
    ASSERT_TRUE(dt::RunUntil([&] { return m.done; }, 10000));
    EXPECT_EQ(chosen, 26004u);
    DestroyMenu(menu);
}

// Grays "Open" whenever a menu is about to open, as command enablers do.
LRESULT EnablingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITMENUPOPUP) {
        EnableMenuItem(reinterpret_cast<HMENU>(wp), 24332, MF_BYCOMMAND | MF_GRAYED);
    }
    return ModalProc(hwnd, msg, wp, lp);
}

TEST_F(Desktop, TheMenuBarAsksTheProgramBeforeItOpensAndSendsTheCommandChosen)
{
    HWND frame = ModalFrame(EnablingProc, "DeskEnabling");
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 24332, "&Open...\tCtrl+O");
    AppendMenuA(file, MF_STRING, 25009, "Enable &Timer");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    SetMenu(frame, bar);
    ShowAndSettle(frame);
    std::optional<POINT> at;
    ASSERT_TRUE(dt::RunUntil([&] { return (at = dt::MenuBarItemOnScreen(frame, "File")).has_value(); }));
    dt::ClickAt(*at);
    // The message is sent while the menu opens: the item the program grays is never offered.
    std::optional<bool> openEnabledWhenAsked;
    ASSERT_TRUE(dt::RunUntil([&] {
        if (Seen(WM_INITMENUPOPUP).empty()) {
            return false;
        }
        openEnabledWhenAsked = dt::MenuItemEnabled("Open...");
        return true;
    }));
    EXPECT_EQ(reinterpret_cast<HMENU>(Seen(WM_INITMENUPOPUP).front().wParam), file);
    EXPECT_EQ(openEnabledWhenAsked, std::optional<bool>(false));
    std::optional<POINT> item;
    ASSERT_TRUE(dt::RunUntil([&] { return (item = dt::MenuItemOnScreen("Enable Timer")).has_value(); }));
    dt::ClickAt(*item);
    ASSERT_TRUE(dt::RunUntil([] {
        for (const Received& r : Seen(WM_COMMAND)) {
            if (LOWORD(static_cast<DWORD_PTR>(r.wParam)) == 25009) {
                return true;
            }
        }
        return false;
    }));
}
}
}

namespace desktoptest {
namespace {
// A menu opened from the keyboard is walked with the keyboard: the keys go to the open
// menu, not to the window behind it.
TEST_F(Desktop, AnOpenMenuTakesTheKeysThatChooseItsItems)
{
    HWND frame = ModalFrame();
    HMENU bar = CreateMenu();
    HMENU options = CreatePopupMenu();
    AppendMenuA(options, MF_STRING, 25006, "&Preferences...");
    AppendMenuA(options, MF_STRING, 25009, "Enable &Timer\tCtrl+T");
    AppendMenuA(options, MF_STRING, 25003, "&Volume...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "&Options");
    SetMenu(frame, bar);
    ShowAndSettle(frame);
    const auto chosen = [](UINT id) {
        for (const Received& r : Seen(WM_COMMAND)) {
            if (LOWORD(static_cast<DWORD_PTR>(r.wParam)) == id) {
                return true;
            }
        }
        return false;
    };
    // Alt and the menu's mnemonic open it; the item's own letter chooses it.
    dt::Key('O', {VK_MENU});
    ASSERT_TRUE(dt::RunUntil([] { return dt::MenuItemOnScreen("Preferences...").has_value(); }));
    dt::Key('P');
    EXPECT_TRUE(dt::RunUntil([&] { return chosen(25006); })) << "the item's mnemonic went past the open menu";
    const auto pressed = [](UINT vk) {
        for (const Received& r : Seen(WM_KEYDOWN)) {
            if (r.wParam == vk) {
                return true;
            }
        }
        return false;
    };
    EXPECT_FALSE(pressed('P')) << "the window behind the menu got the letter";
    // F10 opens the bar; arrows walk it and Enter chooses.
    ASSERT_TRUE(dt::RunUntil([] { return !dt::MenuItemOnScreen("Preferences...").has_value(); }));
    dt::Key(VK_F10);
    ASSERT_TRUE(dt::RunUntil([] { return dt::MenuItemOnScreen("Preferences...").has_value(); }));
    dt::Key(VK_DOWN);
    dt::Key(VK_DOWN);
    dt::Key(VK_RETURN);
    EXPECT_TRUE(dt::RunUntil([&] { return chosen(25009); })) << "arrows and Enter went past the open menu";
    EXPECT_FALSE(chosen(25003));
    EXPECT_FALSE(pressed(VK_DOWN) || pressed(VK_RETURN)) << "the window behind the menu got the keys";
}
}
}

namespace desktoptest {
namespace {
// The process's folder for a while, as the program makes its recording folder current.
class InFolder {
public:
    explicit InFolder(const std::string& path) : before_(getcwd(nullptr, 0)) { EXPECT_EQ(chdir(path.c_str()), 0); }
    ~InFolder()
    {
        EXPECT_EQ(chdir(before_), 0);
        std::free(before_);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    char* before_;
};

TEST_F(Desktop, FileChoosersOpenWhereAskedAtAUsualSizeAndEnterAccepts)
{
    testsupport::TempDir dir;
    std::ofstream(dir.file("take.wav")) << "x";
    const InFolder current(dir.path());
    HWND frame = ModalFrame();
    ShowAndSettle(frame);

    // Save As with a proposed name: Enter takes it, in the folder asked for.
    char name[260] = "interview";
    OPENFILENAMEA save = FileRequest(frame, name, sizeof name);
    save.lpstrFilter = "Wave files\0*.wav\0\0";
    save.lpstrInitialDir = dir.path().c_str();
    save.lpstrDefExt = "wav";
    std::optional<std::pair<int, int>> size;
    const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // The chooser takes its size once mapped: Enter waits for it, and without it never comes.
    auto fits = [&screen] {
        const auto now = dt::FileChooserSize();
        return now && now->first <= screen.cx * 3 / 4 && now->second <= screen.cy * 3 / 4;
    };
    Script saving({{[] { return dt::FileChooserOnScreen(); }, [] {}},
                   {fits,
                    [&] {
                        size = dt::FileChooserSize();
                        dt::Key(VK_RETURN);
                    }}});
    BOOL saved = FALSE;
    Modal s{[&] { saved = GetSaveFileNameA(&save); }};
    Start(frame, s);
    ASSERT_TRUE(dt::RunUntil([&] { return s.done; }, 15000));
    EXPECT_TRUE(saved);
    EXPECT_EQ(std::string(name), dir.file("interview.wav"));
    ASSERT_TRUE(size);
    EXPECT_LE(size->first, screen.cx * 3 / 4) << size->first << "x" << size->second << " on " << screen.cx << "x" << screen.cy;
    EXPECT_LE(size->second, screen.cy * 3 / 4) << size->first << "x" << size->second << " on " << screen.cx << "x" << screen.cy;

    // Open without a folder: the current one (not the toolkit's recent files); a typed name and Enter open it.
    char opened[260] = "";
    OPENFILENAMEA open = FileRequest(frame, opened, sizeof opened);
    open.lpstrFilter = "Wave files\0*.wav\0\0";
    open.Flags = OFN_HIDEREADONLY;
    std::string shownFolder;
    Script opening({{[] { return dt::FileChooserOnScreen(); }, [] {}},
                    {[] { return true; },
                     [&] {
                         shownFolder = dt::FileChooserFolder();
                         dt::Key('L', {VK_CONTROL});
                     }},
                    {[] { return true; }, [] { dt::Type("take.wav"); }},
                    {[] { return true; }, [] { dt::Key(VK_RETURN); }}});
    BOOL chose = FALSE;
    Modal o{[&] { chose = GetOpenFileNameA(&open); }};
    Start(frame, o);
    ASSERT_TRUE(dt::RunUntil([&] { return o.done; }, 15000));
    EXPECT_EQ(shownFolder, dir.path());
    EXPECT_TRUE(chose);
    EXPECT_EQ(std::string(opened), dir.file("take.wav"));
}
}
}
