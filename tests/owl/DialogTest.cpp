// Dialogs and sheets: transfer on OK, cancel instead of hang, validators, controls, input dialog, sheet pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "owl/Application.h"
#include "owl/Dialog.h"
#include "owl/FrameWindow.h"
#include "owl/InputDialog.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "owl/Slider.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "platform/user/Keyboard.h"

using namespace OWL;
namespace hl = platform::headless;

namespace {
std::vector<std::string> g_log;

platform::DialogTemplate Template(std::vector<platform::DialogItemTemplate> items, DWORD style = WS_POPUP | WS_CAPTION)
{
    platform::DialogTemplate t;
    t.caption = "Test";
    t.style = style;
    t.cx = 200;
    t.cy = 100;
    t.items = std::move(items);
    t.items.push_back({WC_BUTTON, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 100, 80, 40, 14});
    t.items.push_back({WC_BUTTON, "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 150, 80, 40, 14});
    return t;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        hl::Reset();
        platform::ClearResources();
        platform::UseManualClock(1'700'000'000);
        g_log.clear();
        platform::AddDialog(MAKEINTRESOURCEA(4200),
                            Template({{WC_EDIT, "", 4201, WS_VISIBLE | WS_TABSTOP, 0, 5, 5, 100, 12},
                                      {WC_EDIT, "", 203, WS_VISIBLE | WS_TABSTOP, 0, 5, 20, 100, 12},
                                      {UPDOWN_CLASS, "", 167, WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT, 0, 110, 20, 10, 12},
                                      {WC_COMBOBOX, "", 208, WS_VISIBLE | CBS_DROPDOWN | CBS_SORT, 0, 5, 35, 100, 60},
                                      {WC_BUTTON, "&Stereo", 225, WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 0, 5, 50, 50, 10},
                                      {WC_BUTTON, "&Mono", 224, WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 60, 50, 50, 10},
                                      {WC_BUTTON, "&Tags", 3714, WS_VISIBLE | WS_GROUP | BS_AUTOCHECKBOX, 0, 5, 65, 50, 10}}));
    }
    void TearDown() override
    {
        hl::Reset();
        platform::ClearResources();
        platform::UseSystemClock();
    }
};

class TPatternDialog : public TDialog {
public:
    explicit TPatternDialog(TWindow* parent) : TDialog(parent, 4200)
    {
        pattern = new TEdit(this, 4201, 9);
        pattern->SetValidator(new TFilterValidator(TCharSet("0-9:apmAPM ")));
        seconds = new TEdit(this, 203, 4);
        seconds->SetValidator(new TRangeValidator(0, 9999));
        combo = new TComboBox(this, 208, 30);
        upDown = new TUpDown(this, 167);
    }
    void SetupWindow() override
    {
        TDialog::SetupWindow();
        seconds->SetText("5");
        upDown->SetRange(1, 9999);
    }
    void TransferData(TTransferDirection direction) override
    {
        if (direction == tdGetData) {
            result = pattern->GetText();
        }
    }
    void EvComboSel() { g_log.push_back("selchange " + combo->GetSelString()); }
    void EvComboEdit() { g_log.push_back("editchange " + combo->GetText()); }
    bool EvDelta(NMUPDOWN& nm)
    {
        g_log.push_back("delta " + std::to_string(nm.iPos) + " " + std::to_string(nm.iDelta));
        return nm.iPos + nm.iDelta > 3;  // refuse going above 3
    }
    void EvStereo() { g_log.push_back("stereo clicked"); }
    TEdit* pattern;
    TEdit* seconds;
    TComboBox* combo;
    TUpDown* upDown;
    std::string result;
    DECLARE_RESPONSE_TABLE(TPatternDialog)
};
DEFINE_RESPONSE_TABLE1(TPatternDialog, TDialog)
EV_CBN_SELCHANGE(208, EvComboSel),
EV_CBN_EDITCHANGE(208, EvComboEdit),
EV_UDN_DELTAPOS(167, EvDelta),
EV_BN_CLICKED(225, EvStereo),
END_RESPONSE_TABLE
}

TEST_F(Dialogs, ModalDialogRunsTheScriptAndTransfersOnOk)
{
    TWindow owner(nullptr, "owner");
    ASSERT_TRUE(owner.Create());
    TPatternDialog dlg(&owner);
    hl::AnswerDialog(4200, [&](HWND h) {
        EXPECT_FALSE(IsWindowEnabled(owner.GetHandle()));
        hl::Type(GetDlgItem(h, 4201), "12:3x0pmZ!");
        hl::Click(GetDlgItem(h, IDOK));
    });
    EXPECT_EQ(dlg.Execute(), IDOK);
    EXPECT_EQ(dlg.result, "12:30pm");  // characters outside the set were refused
    EXPECT_TRUE(IsWindowEnabled(owner.GetHandle()));
    EXPECT_EQ(dlg.GetHandle(), nullptr);
}

TEST_F(Dialogs, DialogWithoutAnAnswerIsCancelledInsteadOfHanging)
{
    TPatternDialog dlg(nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dlg.Execute(), IDCANCEL);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("4200"), std::string::npos);
    EXPECT_EQ(dlg.result, "");
}

TEST_F(Dialogs, RangeValidatorRefusesLettersAndKeepsTheDialogOpenOutOfRange)
{
    TPatternDialog dlg(nullptr);
    hl::AnswerMessageBox(IDOK);
    hl::AnswerDialog(4200, [&](HWND h) {
        HWND secs = GetDlgItem(h, 203);
        SendMessage(secs, EM_SETSEL, 0, -1);
        hl::Type(secs, "1a0-0x00");  // letters and '-' refused, limit 4 keeps "1000"
        EXPECT_EQ(hl::Text(secs), "1000");
        SetWindowTextA(secs, "10000");
        hl::Click(GetDlgItem(h, IDOK));
        EXPECT_TRUE(IsWindowVisible(h)) << "out of range: the dialog stays";
        ASSERT_EQ(hl::MessageBoxes().size(), 1u);
        EXPECT_NE(hl::MessageBoxes()[0].text.find("0 to 9999"), std::string::npos);
        SetWindowTextA(secs, "9999");
        hl::Key(VK_RETURN);  // Enter = the default button
    });
    EXPECT_EQ(dlg.Execute(), IDOK);
}

TEST_F(Dialogs, StandardControlsKeepStateAndNotify)
{
    TPatternDialog dlg(nullptr);
    hl::AnswerDialog(4200, [&](HWND h) {
        TComboBox& c = *dlg.combo;
        c.AddString("Meeting");
        c.AddString("alpha");
        c.AddString("Memo");
        EXPECT_EQ(c.GetString(0), "alpha");
        EXPECT_EQ(c.GetString(1), "Meeting");
        EXPECT_EQ(c.FindString("me"), 1);             // prefix, case-insensitive
        EXPECT_EQ(c.FindString("me", 1), 2);          // searching after item 1
        EXPECT_EQ(c.FindStringExact("me"), -1);
        EXPECT_EQ(c.FindStringExact("MEMO"), 2);
        c.SetItemData(2, 77);
        EXPECT_EQ(c.GetItemData(2), 77);
        hl::Choose(c.GetHandle(), 2);
        EXPECT_EQ(c.GetText(), "Memo");
        SendMessage(c.GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(-1, -1));
        hl::Type(c.GetHandle(), "s");
        EXPECT_EQ(c.DeleteString(0), 2);
        EXPECT_EQ(c.GetSelIndex(), 1);

        // Up-down: the parent may refuse a step; the buddy shows accepted positions.
        EXPECT_EQ(dlg.upDown->GetBuddy(), GetDlgItem(h, 203));
        dlg.upDown->SetPos(2);
        hl::Step(dlg.upDown->GetHandle(), true);
        hl::Step(dlg.upDown->GetHandle(), true);
        EXPECT_EQ(dlg.upDown->GetPos(), 3);
        EXPECT_EQ(hl::Text(GetDlgItem(h, 203)), "3");

        // Radio buttons of one group exclude each other; a check box toggles.
        hl::Click(GetDlgItem(h, 224));
        hl::Click(GetDlgItem(h, 225));
        EXPECT_EQ(IsDlgButtonChecked(h, 225), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(h, 224), BST_UNCHECKED);
        hl::Key('T', {VK_MENU});  // Alt+T, the check box's mnemonic
        EXPECT_EQ(IsDlgButtonChecked(h, 3714), BST_CHECKED);
        hl::Click(GetDlgItem(h, IDCANCEL));
    });
    EXPECT_EQ(dlg.Execute(), IDCANCEL);
    EXPECT_EQ(g_log, (std::vector<std::string>{"selchange Memo", "editchange Memos", "delta 2 1", "delta 3 1", "stereo clicked"}));
}

TEST_F(Dialogs, InputDialogCopiesTheTextIntoTheBufferOnlyOnOk)
{
    char buffer[260] = "old";
    TInputDialog dlg(nullptr, "Comment", "Enter comment:", buffer, sizeof buffer);
    hl::AnswerDialog(TInputDialog::IDD_INPUTDIALOG, [](HWND h) {
        EXPECT_EQ(hl::Text(GetDlgItem(h, TInputDialog::ID_PROMPT)), "Enter comment:");
        EXPECT_EQ(hl::Text(h), "Comment");
        EXPECT_EQ(hl::Text(GetDlgItem(h, TInputDialog::ID_INPUT)), "old");
        SetDlgItemTextA(h, TInputDialog::ID_INPUT, "new comment");
        hl::Click(GetDlgItem(h, IDOK));
    });
    EXPECT_EQ(dlg.Execute(), IDOK);
    EXPECT_STREQ(buffer, "new comment");
    TInputDialog again(nullptr, "Comment", "Enter comment:", buffer, sizeof buffer);
    hl::AnswerDialog(TInputDialog::IDD_INPUTDIALOG, [](HWND h) {
        SetDlgItemTextA(h, TInputDialog::ID_INPUT, "dropped");
        hl::Key(VK_ESCAPE);
    });
    EXPECT_EQ(again.Execute(), IDCANCEL);
    EXPECT_STREQ(buffer, "new comment");
}

namespace {
class TPage : public TPropertyPage {
public:
    TPage(TPropertySheet* sheet, int resId, std::string name) : TPropertyPage(sheet, resId), name_(std::move(name)) {}
    int Apply(TPshNotify& n) override
    {
        g_log.push_back("apply " + name_);
        return TPropertyPage::Apply(n);
    }
    bool CanClose() override
    {
        if (!valid) {
            GetSheet()->PostMessage(PSM_SETCURSELID, 0, GetResId());
        }
        return valid && TPropertyPage::CanClose();
    }
    void EvHelpButton(TPshNotify&) { g_log.push_back("help " + name_); }
    bool valid = true;
    std::string name_;
    DECLARE_RESPONSE_TABLE(TPage)
};
DEFINE_RESPONSE_TABLE1(TPage, TPropertyPage)
EV_PSN_HELP(EvHelpButton),
END_RESPONSE_TABLE

class PropertySheets : public Dialogs {
protected:
    void SetUp() override
    {
        Dialogs::SetUp();
        const char* captions[] = {"General", "Wave", "File"};
        for (int id : {270, 271, 272}) {
            platform::DialogTemplate t;
            t.style = WS_CHILD | DS_CONTROL | WS_CAPTION;
            t.caption = captions[id - 270];
            t.cx = 180;
            t.cy = 100;
            t.items = {{WC_EDIT, "", 100 + id, WS_VISIBLE | WS_TABSTOP, 0, 5, 5, 50, 12},
                       {WC_BUTTON, id == 270 ? "Plain" : id == 271 ? "&Loop" : "&Lock", 200 + id, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 5, 20, 50, 10}};
            platform::AddDialog(MAKEINTRESOURCEA(id), t);
        }
        sheet = new TPropertySheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
        general = new TPage(sheet, 270, "general");
        wave = new TPage(sheet, 271, "wave");
        file = new TPage(sheet, 272, "file");
    }
    void TearDown() override
    {
        delete sheet;
        Dialogs::TearDown();
    }
    TPropertySheet* sheet = nullptr;
    TPage* general = nullptr;
    TPage* wave = nullptr;
    TPage* file = nullptr;
};
}

TEST_F(PropertySheets, OkAppliesEveryPageThatWasShownAndCancelAppliesNone)
{
    hl::AnswerDialog("Options", [&](HWND h) {
        EXPECT_EQ(GetDlgItem(h, 0x3021), nullptr) << "no Apply button";
        EXPECT_NE(GetDlgItem(h, IDHELP), nullptr);
        EXPECT_TRUE(sheet->SelectPage(1));
        EXPECT_TRUE(sheet->SelectPage(2));
        hl::Click(GetDlgItem(h, IDOK));
    });
    EXPECT_EQ(sheet->Execute(), IDOK);
    EXPECT_EQ(g_log, (std::vector<std::string>{"apply general", "apply wave", "apply file"}));
    g_log.clear();
    hl::AnswerDialog("Options", [&](HWND h) {
        sheet->SelectPage(1);
        hl::Click(GetDlgItem(h, IDCANCEL));
    });
    EXPECT_EQ(sheet->Execute(), IDCANCEL);
    EXPECT_TRUE(g_log.empty());
}

TEST_F(PropertySheets, PageThatCannotCloseKeepsTheSheetOpenOnThatPage)
{
    hl::AnswerDialog("Options", [&](HWND h) {
        sheet->SelectPage(1);
        sheet->SelectPage(2);
        wave->valid = false;
        hl::Click(GetDlgItem(h, IDOK));
        EXPECT_TRUE(IsWindowVisible(h));
        EXPECT_EQ(sheet->GetCurrentIndex(), 1) << "the page asked the sheet to show it";
        EXPECT_FALSE(sheet->SelectPage(0)) << "a page that cannot close cannot be left";
        hl::Click(GetDlgItem(h, IDHELP));
        wave->valid = true;
        hl::Click(GetDlgItem(h, IDOK));
    });
    EXPECT_EQ(sheet->Execute(), IDOK);
    EXPECT_EQ(g_log, (std::vector<std::string>{"apply general", "apply wave", "help wave", "apply general", "apply wave", "apply file"}));
}

TEST_F(PropertySheets, EveryPageIsReachedFromItsTabAndFromTheKeyboard)
{
    hl::AnswerDialog("Options", [&](HWND h) {
        HWND tabs = GetDlgItem(h, 0x3020);
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
        EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);
        // The pages sit below their tabs, inside the strip's frame.
        RECT tabRect{};
        RECT pageRect{};
        GetWindowRect(tabs, &tabRect);
        GetWindowRect(general->GetHandle(), &pageRect);
        EXPECT_GT(pageRect.top, tabRect.top + 16);
        EXPECT_LE(pageRect.bottom, tabRect.bottom);

        SetFocus(GetDlgItem(general->GetHandle(), 370));
        hl::Key(VK_TAB, {VK_CONTROL});
        EXPECT_EQ(sheet->GetCurrentIndex(), 1);
        EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(GetFocus(), GetDlgItem(wave->GetHandle(), 371)) << "the keyboard follows into the new page";
        hl::Key(VK_NEXT, {VK_CONTROL});
        EXPECT_EQ(sheet->GetCurrentIndex(), 2);
        hl::Key(VK_NEXT, {VK_CONTROL});
        EXPECT_EQ(sheet->GetCurrentIndex(), 0) << "the last page wraps to the first";
        hl::Key(VK_TAB, {VK_CONTROL, VK_SHIFT});
        EXPECT_EQ(sheet->GetCurrentIndex(), 2);
        hl::Key(VK_PRIOR, {VK_CONTROL});
        EXPECT_EQ(sheet->GetCurrentIndex(), 1);

        // Tab walks the page's controls, then the sheet's tabs and buttons, and back into the page.
        SetFocus(GetDlgItem(wave->GetHandle(), 371));
        hl::Key(VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(wave->GetHandle(), 471));
        hl::Key(VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(h, IDOK));
        hl::Key(VK_TAB, {VK_SHIFT});
        EXPECT_EQ(GetFocus(), GetDlgItem(wave->GetHandle(), 471));
        // A mnemonic of the shown page works; one of a hidden page does not.
        hl::Key('L', {VK_MENU});
        EXPECT_EQ(hl::Check(GetDlgItem(wave->GetHandle(), 471)), BST_CHECKED);
        EXPECT_EQ(hl::Check(GetDlgItem(file->GetHandle(), 472)), BST_UNCHECKED);

        // A click on a tab; a page that will not be left keeps its tab.
        hl::Choose(tabs, 0);
        EXPECT_EQ(sheet->GetCurrentIndex(), 0);
        general->valid = false;
        hl::Choose(tabs, 2);
        EXPECT_EQ(sheet->GetCurrentIndex(), 0);
        EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);
        general->valid = true;
        hl::Click(GetDlgItem(h, IDCANCEL));
    });
    EXPECT_EQ(sheet->Execute(), IDCANCEL);
}

// Enter and Escape on a page's control are the sheet's: OK and Cancel, never the page closing itself.
TEST_F(PropertySheets, EnterAndEscapeOnAPageAnswerTheSheet)
{
    hl::AnswerDialog("Options", [&](HWND) {
        SetFocus(GetDlgItem(general->GetHandle(), 370));
        hl::Key(VK_RETURN);
        EXPECT_TRUE(IsWindow(general->GetHandle())) << "the page closed itself";
    });
    EXPECT_EQ(sheet->Execute(), IDOK);
    EXPECT_EQ(g_log, (std::vector<std::string>{"apply general"}));
    g_log.clear();
    hl::AnswerDialog("Options", [&](HWND) {
        SetFocus(GetDlgItem(general->GetHandle(), 370));
        hl::Key(VK_ESCAPE);
    });
    EXPECT_EQ(sheet->Execute(), IDCANCEL);
    EXPECT_TRUE(g_log.empty());
}

TEST(TabControls, TabsKeepTheirSelectionAcrossInsertsAndDeletes)
{
    hl::Reset();
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND tabs = CreateWindowExA(0, WC_TABCONTROL, "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), -1);
    const auto insert = [&](int at, const char* text) {
        std::string t = text;
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = t.data();
        return SendMessage(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
    };
    EXPECT_EQ(insert(0, "Wave"), 0);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0) << "the first tab is selected";
    EXPECT_EQ(insert(9, "File"), 1) << "past the end appends";
    EXPECT_EQ(insert(-1, "Nowhere"), -1) << "a negative place is refused";
    EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(insert(0, "General"), 0);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1) << "the selected tab stays selected";
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 5, 0), -1);
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 2, 0), 1);
    EXPECT_TRUE(SendMessage(tabs, TCM_DELETEITEM, 0, 0));
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(SendMessage(tabs, TCM_DELETEITEM, 1, 0));
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), -1);
    EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 1);
    DestroyWindow(parent);
    hl::Reset();
}

namespace {
class TSliderOwner : public TWindow {
public:
    TSliderOwner() : TWindow(nullptr, "owner")
    {
        slider = new THSlider(this, 158, 0, 0, 100, 20, 32000);
        slider->SetRange(0, 1000);
    }
    void EvPositionSlider(UINT code) { codes.push_back(code); }
    THSlider* slider;
    std::vector<UINT> codes;
    DECLARE_RESPONSE_TABLE(TSliderOwner)
};
DEFINE_RESPONSE_TABLE1(TSliderOwner, TWindow)
EV_CHILD_NOTIFY_ALL_CODES(158, EvPositionSlider),
END_RESPONSE_TABLE
}

TEST_F(Dialogs, SliderSendsEveryScrollCodeToItsParentsChildNotification)
{
    TSliderOwner owner;
    ASSERT_TRUE(owner.Create());
    owner.slider->SetPosition(10);
    hl::Drag(owner.slider->GetHandle(), 13);
    EXPECT_EQ(owner.slider->GetPosition(), 13);
    std::vector<UINT> expected{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL};
    EXPECT_EQ(owner.codes, expected);
    owner.codes.clear();
    hl::Step(owner.slider->GetHandle(), false);
    EXPECT_EQ(owner.codes, (std::vector<UINT>{SB_LINELEFT, SB_ENDSCROLL}));
    owner.slider->SetPosition(5000);
    EXPECT_EQ(owner.slider->GetPosition(), 1000);
}
