// What the program does to its windows reaches the installed backend, after the
// change and with the new state; modal user interface and waiting go through it too.
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <thread>

#include "platform/kernel/Clock.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Timers.h"
#include "platform/user/WindowDC.h"
#include "tests/support/RecordingBackend.h"

namespace {
using platform::WindowChange;
namespace hl = platform::headless;

LRESULT PaintingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        SetPixel(dc, 0, 0, RGB(0, 128, 0));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class BackendSeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        hl::Reset();
        WNDCLASSA wc{};
        wc.lpfnWndProc = PaintingProc;
        wc.lpszClassName = "SeamFrame";
        RegisterClassA(&wc);
        backend.emplace();
        frame = CreateWindowExA(0, "SeamFrame", "Frame", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override
    {
        hl::Reset();
        backend.reset();
    }
    HWND Child(LPCSTR cls, DWORD style, int id)
    {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 80, 20, frame,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
    }
    const testsupport::RecordingBackend::Change& Seen(HWND w, WindowChange what)
    {
        const auto* c = backend->Last(w, what);
        EXPECT_NE(c, nullptr) << "change " << static_cast<int>(what) << " did not reach the backend";
        static const testsupport::RecordingBackend::Change none{};
        return c ? *c : none;
    }
    std::optional<testsupport::RecordingBackend> backend;
    HWND frame = nullptr;
};

TEST_F(BackendSeam, WindowStateChangesReachTheBackendWithTheNewState)
{
    ASSERT_FALSE(backend->created.empty());
    EXPECT_EQ(backend->created.back().window, frame);
    EXPECT_EQ(backend->created.back().state.text, "Frame");
    backend->Forget();

    SetWindowTextA(frame, "Recorder");
    EXPECT_EQ(Seen(frame, WindowChange::Text).state.text, "Recorder");
    SetWindowLongPtrA(frame, GWL_STYLE, WS_POPUP);
    EXPECT_EQ(Seen(frame, WindowChange::Style).state.style, WS_POPUP);
    MoveWindow(frame, 5, 6, 120, 80, TRUE);
    EXPECT_EQ(Seen(frame, WindowChange::Position).state.rect.right, 125);
    ShowWindow(frame, SW_SHOW);
    EXPECT_TRUE(Seen(frame, WindowChange::Show).state.visible);
    EXPECT_EQ(Seen(frame, WindowChange::Active).window, frame);
    EnableWindow(frame, FALSE);
    EXPECT_FALSE(Seen(frame, WindowChange::Enable).state.enabled);
    EnableWindow(frame, TRUE);
    HICON icon = reinterpret_cast<HICON>(0x1234);
    SendMessage(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(Seen(frame, WindowChange::Icon).state.smallIcon, icon);
    HMENU bar = CreateMenu();
    SetMenu(frame, bar);
    EXPECT_EQ(Seen(frame, WindowChange::Menu).state.menu, bar);
}

TEST_F(BackendSeam, ControlStateChangesReachTheBackend)
{
    HWND check = Child(WC_BUTTON, BS_AUTOCHECKBOX, 10);
    HWND combo = Child(WC_COMBOBOX, CBS_DROPDOWNLIST, 11);
    HWND bar = Child(TRACKBAR_CLASS, 0, 12);
    HWND edit = Child(WC_EDIT, 0, 13);
    HWND hotKey = Child(HOTKEY_CLASS, 0, 14);
    EXPECT_EQ(Seen(frame, WindowChange::Family).state.children.size(), 5u);
    backend->Forget();

    hl::Click(check);
    EXPECT_EQ(Seen(check, WindowChange::Check).state.check, static_cast<int>(BST_CHECKED));
    EXPECT_EQ(Seen(check, WindowChange::Focus).window, check);
    EXPECT_EQ(Seen(check, WindowChange::Capture).window, check);  // held while the button was down
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("22050 Hz"));
    EXPECT_EQ(Seen(combo, WindowChange::Items).state.items.size(), 1u);
    hl::Choose(combo, 0);
    EXPECT_EQ(Seen(combo, WindowChange::Selection).state.curSel, 0);
    EXPECT_EQ(Seen(combo, WindowChange::Text).state.text, "22050 Hz");
    SendMessage(bar, TBM_SETRANGEMAX, TRUE, 40);
    hl::Drag(bar, 30);
    EXPECT_EQ(Seen(bar, WindowChange::Range).state.pos, 30);
    SendMessage(edit, EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(Seen(edit, WindowChange::TextLimit).state.textLimit, 4);
    hl::Type(edit, "12345");
    EXPECT_EQ(Seen(edit, WindowChange::Text).state.text, "1234");
    EXPECT_EQ(Seen(edit, WindowChange::Selection).state.selEnd, 4);
    SendMessage(hotKey, HKM_SETHOTKEY, 'R' | (HOTKEYF_CONTROL << 8), 0);
    EXPECT_EQ(Seen(hotKey, WindowChange::HotKey).state.hotKey, 'R' | (HOTKEYF_CONTROL << 8));

    SetFocus(edit);
    EXPECT_EQ(Seen(check, WindowChange::Focus).window, check);  // the loser hears of it too
    const size_t before = backend->changes.size();
    DestroyWindow(edit);
    EXPECT_EQ(backend->destroyed.back(), edit);
    EXPECT_EQ(Seen(frame, WindowChange::Family).state.children.size(), 4u);
    EXPECT_GT(backend->changes.size(), before);
}

TEST_F(BackendSeam, APaintHandsTheSurfaceOverAndWindowsGoChildrenFirst)
{
    HWND child = Child(WC_STATIC, 0, 20);
    InvalidateRect(frame, nullptr, TRUE);
    UpdateWindow(frame);
    ASSERT_FALSE(backend->surfaces.empty());
    EXPECT_EQ(backend->surfaces.back().window, frame);
    EXPECT_EQ(backend->surfaces.back().topLeft, RGB(0, 128, 0));

    backend->Forget();
    DestroyWindow(frame);
    ASSERT_EQ(backend->destroyed.size(), 2u);
    EXPECT_EQ(backend->destroyed[0], child);
    EXPECT_EQ(backend->destroyed[1], frame);
    // Nothing is reported of a window once the backend has heard it is gone.
    EXPECT_EQ(backend->afterDestroyed, 0);
}

// A backend as a desktop one behaves: the user answers while the loop waits.
class WaitingBackend : public testsupport::RecordingBackend {
public:
    int ShowMessageBox(const platform::MessageBoxRequest& request) override
    {
        boxOwnerEnabled = IsWindowEnabled(request.owner) != FALSE;
        return IDNO;
    }
    std::optional<platform::FileDialogResult> ChooseFile(const platform::FileDialogRequest& request) override
    {
        lastFile = request;
        return platform::FileDialogResult{"/rec/take", true};
    }
    UINT TrackPopupMenu(HMENU, HWND, POINT at) override
    {
        menuAt = at;
        return 4711;
    }
    bool ModalIdle(HWND window) override
    {
        waitingIn = window;
        return true;
    }
    void WaitForEvents(std::optional<std::uint64_t>) override
    {
        ++waits;
        // The user clicks OK of the waiting dialog.
        PostMessage(waitingIn, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    bool boxOwnerEnabled = true;
    std::optional<platform::FileDialogRequest> lastFile;
    POINT menuAt{};
    HWND waitingIn = nullptr;
    int waits = 0;
};

INT_PTR OkEnds(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        EndDialog(dialog, 77);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

TEST(BackendModal, MessageBoxesFileDialogsMenusAndModalLoopsAskTheInstalledBackend)
{
    hl::Reset();
    platform::ClearResources();
    platform::DialogTemplate t;
    t.style = WS_POPUP;
    t.cx = 100;
    t.cy = 50;
    t.items.push_back({WC_BUTTON, "OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 5, 5, 40, 14});
    platform::AddDialog(MAKEINTRESOURCEA(4300), t);
    WaitingBackend backend;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SeamOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, "SeamOwner", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);

    EXPECT_EQ(MessageBoxA(owner, "Overwrite?", "Recorder", MB_YESNO), IDNO);
    EXPECT_FALSE(backend.boxOwnerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));

    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.hwndOwner = owner;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFilter = "Wave files (*.wav)\0*.wav\0MP3 files (*.mp3)\0*.mp3\0";
    ofn.lpstrDefExt = "wav";
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(file, "/rec/take.wav");
    EXPECT_TRUE(ofn.Flags & OFN_READONLY);
    ASSERT_TRUE(backend.lastFile);
    EXPECT_EQ(backend.lastFile->kind, platform::FileDialogKind::Save);
    ASSERT_EQ(backend.lastFile->filters.size(), 2u);
    EXPECT_EQ(backend.lastFile->filters[1].second, "*.mp3");

    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 4711, "&Record");
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 30, 40, 0, owner, nullptr), 4711);
    EXPECT_EQ(backend.menuAt.y, 40);
    DestroyMenu(menu);

    // The modal loop waits for the backend's user instead of cancelling the dialog.
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4300), owner, OkEnds, 0), 77);
    EXPECT_EQ(backend.waits, 1);
    EXPECT_TRUE(IsWindowEnabled(owner));
    hl::Reset();
    platform::ClearResources();
}

TEST(BackendModal, AFolderPickerOnTheClassicTemplateAnswersTheFolderWithTheNameInItsBox)
{
    hl::Reset();
    platform::ClearResources();
    platform::DialogTemplate t;
    t.style = WS_POPUP;
    t.items.push_back({WC_EDIT, "", 1152, 0, 0, 308, 16, 90, 12});
    t.items.push_back({WC_LISTBOX, "", 1120, 0, 0, 308, 32, 90, 68});  // the file list, hidden
    platform::AddDialog(MAKEINTRESOURCEA(4400), t);
    WaitingBackend backend;
    char file[MAX_PATH] = "foo.bar";
    OPENFILENAMEA ofn{};
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = MAKEINTRESOURCEA(4400);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    ASSERT_TRUE(backend.lastFile);
    EXPECT_EQ(backend.lastFile->kind, platform::FileDialogKind::Folder);
    EXPECT_EQ(backend.lastFile->fileName, "foo.bar");
    EXPECT_STREQ(file, "/rec/take/foo.bar");
    EXPECT_EQ(ofn.nFileOffset, 10);

    // Without its own template the same call is an open dialog.
    ofn.Flags = 0;
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(backend.lastFile->kind, platform::FileDialogKind::Open);
    hl::Reset();
    platform::ClearResources();
}

TEST(BackendModal, GetMessageSleepsInTheBackendAndAPostFromAnotherThreadWakesIt)
{
    hl::Reset();
    struct Sleeper : testsupport::RecordingBackend {
        void WaitForEvents(std::optional<std::uint64_t> timeout) override
        {
            if (waits++ == 0) {
                sleeping.set_value();
            }
            sawTimeout = timeout.has_value();
            HeadlessBackend::WaitForEvents(timeout);
        }
        std::promise<void> sleeping;
        int waits = 0;
        bool sawTimeout = true;
    } backend;
    platform::UseManualClock(1'000);
    SetTimer(nullptr, 0, 50, nullptr);
    std::thread device([&backend] {
        backend.sleeping.get_future().wait();
        PostMessage(nullptr, WM_USER + 5, 1, 0);
    });
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    device.join();
    EXPECT_EQ(msg.message, WM_USER + 5);
    EXPECT_GE(backend.waits, 1);
    // A manual clock gives no timeout even with a timer set: its moves wake the loop instead.
    EXPECT_FALSE(backend.sawTimeout);
    platform::UseSystemClock();
    hl::Reset();
}
}
