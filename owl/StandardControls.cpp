// The standard controls; an edit refuses keystrokes its validator would reject and holds its dialog open while invalid.
#include "owl/StandardControls.h"

#include <algorithm>

#include "owl/Application.h"
#include "platform/core/Strings.h"

namespace OWL {
TStatic::TStatic(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, UINT textLimit, TModule* module)
    : TControl(parent, id, title, x, y, w, h, module), TextLimit(textLimit)
{
    Attr.Style = (Attr.Style | SS_LEFT) & ~WS_TABSTOP;
    SetFlag(wfPredefinedClass);
}

TStatic::TStatic(TWindow* parent, int resourceId, UINT textLimit, TModule* module)
    : TControl(parent, resourceId, module), TextLimit(textLimit)
{
    SetFlag(wfPredefinedClass);
}

DEFINE_RESPONSE_TABLE1(TEdit, TStatic)
EV_WM_CHAR,
END_RESPONSE_TABLE

TEdit::TEdit(TWindow* parent, int id, LPCSTR text, int x, int y, int w, int h, UINT textLimit, bool multiline, TModule* module)
    : TStatic(parent, id, text, x, y, w, h, textLimit, module)
{
    Attr.Style |= WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL | (multiline ? ES_MULTILINE : 0);
}

TEdit::TEdit(TWindow* parent, int resourceId, UINT textLimit, TModule* module) : TStatic(parent, resourceId, textLimit, module) {}

void TEdit::SetupWindow()
{
    TStatic::SetupWindow();
    if (TextLimit) {
        LimitText(TextLimit);
    }
}

void TEdit::LimitText(UINT limit)
{
    TextLimit = limit;
    SendMessage(EM_LIMITTEXT, limit);
}

void TEdit::GetSelection(int& start, int& end)
{
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
}

void TEdit::EvChar(UINT key, UINT, UINT)
{
    if (validator_ && key >= 0x20 && key != 0x7F) {
        // The text as the keystroke would leave it must still pass the validator.
        std::string text = GetWindowText();
        int a = 0, b = 0;
        GetSelection(a, b);
        a = std::clamp(a, 0, static_cast<int>(text.size()));
        b = std::clamp(b, a, static_cast<int>(text.size()));
        text.replace(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a), platform::Utf8Of(static_cast<char32_t>(key)));
        if (!validator_->IsValidInput(text, false)) {
            MessageBeep(0);
            return;
        }
    }
    DefaultProcessing();
}

bool TEdit::IsValid(bool reportError)
{
    if (!validator_ || validator_->IsValid(GetWindowText())) {
        return true;
    }
    if (reportError) {
        TApplication* app = GetApplication();
        ::MessageBoxA(Handle, validator_->ErrorText().c_str(), app ? app->GetName() : nullptr, MB_ICONEXCLAMATION | MB_OK);
        SetFocus();
    }
    return false;
}

bool TEdit::CanClose() { return TStatic::CanClose() && (!IsWindowEnabled() || IsValid(true)); }

TButton::TButton(TWindow* parent, int id, LPCSTR text, int x, int y, int w, int h, bool isDefault, TModule* module)
    : TControl(parent, id, text, x, y, w, h, module)
{
    Attr.Style |= isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    SetFlag(wfPredefinedClass);
}

TButton::TButton(TWindow* parent, int resourceId, TModule* module) : TControl(parent, resourceId, module) { SetFlag(wfPredefinedClass); }

TCheckBox::TCheckBox(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, TGroupBox*, TModule* module)
    : TButton(parent, id, title, x, y, w, h, false, module)
{
    Attr.Style = (Attr.Style & ~BS_TYPEMASK) | BS_AUTOCHECKBOX;
}

TCheckBox::TCheckBox(TWindow* parent, int resourceId, TGroupBox*, TModule* module) : TButton(parent, resourceId, module) {}

TRadioButton::TRadioButton(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, TGroupBox* group, TModule* module)
    : TCheckBox(parent, id, title, x, y, w, h, group, module)
{
    Attr.Style = (Attr.Style & ~(BS_TYPEMASK | WS_GROUP)) | BS_AUTORADIOBUTTON;
}

TRadioButton::TRadioButton(TWindow* parent, int resourceId, TGroupBox* group, TModule* module)
    : TCheckBox(parent, resourceId, group, module)
{
}

TGroupBox::TGroupBox(TWindow* parent, int id, LPCSTR text, int x, int y, int w, int h, TModule* module)
    : TControl(parent, id, text, x, y, w, h, module)
{
    Attr.Style = (Attr.Style & ~WS_TABSTOP) | BS_GROUPBOX;
    SetFlag(wfPredefinedClass);
}

TGroupBox::TGroupBox(TWindow* parent, int resourceId, TModule* module) : TControl(parent, resourceId, module) { SetFlag(wfPredefinedClass); }

std::string TListControlBase::GetString(int index) const
{
    const int n = GetStringLen(index);
    if (n < 0) {
        return std::string();
    }
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    GetString(s.data(), index);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

TComboBox::TComboBox(TWindow* parent, int id, int x, int y, int w, int h, DWORD style, UINT textLimit, TModule* module)
    : TListControlBase(parent, id, nullptr, x, y, w, h, module), textLimit_(textLimit)
{
    Attr.Style |= style | WS_VSCROLL;
    Init();
}

TComboBox::TComboBox(TWindow* parent, int resourceId, UINT textLimit, TModule* module)
    : TListControlBase(parent, resourceId, module), textLimit_(textLimit)
{
    Init();
}

void TComboBox::Init()
{
    SetFlag(wfPredefinedClass);
    countMsg_ = CB_GETCOUNT;
    addMsg_ = CB_ADDSTRING;
    insertMsg_ = CB_INSERTSTRING;
    deleteMsg_ = CB_DELETESTRING;
    resetMsg_ = CB_RESETCONTENT;
    findMsg_ = CB_FINDSTRING;
    findExactMsg_ = CB_FINDSTRINGEXACT;
    getSelMsg_ = CB_GETCURSEL;
    setSelMsg_ = CB_SETCURSEL;
    textLenMsg_ = CB_GETLBTEXTLEN;
    textMsg_ = CB_GETLBTEXT;
    getDataMsg_ = CB_GETITEMDATA;
    setDataMsg_ = CB_SETITEMDATA;
}

void TComboBox::SetupWindow()
{
    TListControlBase::SetupWindow();
    if (textLimit_) {
        LimitText(textLimit_);
    }
}

void TComboBox::LimitText(UINT limit)
{
    textLimit_ = limit;
    SendMessage(CB_LIMITTEXT, limit);
}

TListBox::TListBox(TWindow* parent, int id, int x, int y, int w, int h, TModule* module)
    : TListControlBase(parent, id, nullptr, x, y, w, h, module)
{
    Attr.Style |= LBS_NOTIFY | WS_VSCROLL | WS_BORDER;
    Init();
}

TListBox::TListBox(TWindow* parent, int resourceId, TModule* module) : TListControlBase(parent, resourceId, module) { Init(); }

void TListBox::Init()
{
    SetFlag(wfPredefinedClass);
    countMsg_ = LB_GETCOUNT;
    addMsg_ = LB_ADDSTRING;
    insertMsg_ = LB_INSERTSTRING;
    deleteMsg_ = LB_DELETESTRING;
    resetMsg_ = LB_RESETCONTENT;
    findMsg_ = LB_FINDSTRING;
    findExactMsg_ = LB_FINDSTRINGEXACT;
    getSelMsg_ = LB_GETCURSEL;
    setSelMsg_ = LB_SETCURSEL;
    textLenMsg_ = LB_GETTEXTLEN;
    textMsg_ = LB_GETTEXT;
    getDataMsg_ = LB_GETITEMDATA;
    setDataMsg_ = LB_SETITEMDATA;
}

TUpDown::TUpDown(TWindow* parent, int id, int x, int y, int w, int h, TWindow* buddy, int lower, int upper, int initialPos,
                 TModule* module)
    : TControl(parent, id, nullptr, x, y, w, h, module), buddy_(buddy), lower_(lower), upper_(upper), pos_(initialPos),
      initRange_(true)
{
    Attr.Style = WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_SETBUDDYINT;
    SetFlag(wfPredefinedClass);
}

TUpDown::TUpDown(TWindow* parent, int resourceId, TWindow* buddy, TModule* module)
    : TControl(parent, resourceId, module), buddy_(buddy)
{
    SetFlag(wfPredefinedClass);
}

void TUpDown::SetupWindow()
{
    TControl::SetupWindow();
    if (buddy_ && buddy_->GetHandle()) {
        SetBuddy(buddy_->GetHandle());
    }
    if (initRange_) {
        SetRange(lower_, upper_);
        SetPos(pos_);
    }
}

THotKey::THotKey(TWindow* parent, int id, int x, int y, int w, int h, WORD hotKey, TModule* module)
    : TControl(parent, id, nullptr, x, y, w, h, module)
{
    SetFlag(wfPredefinedClass);
    (void)hotKey;
}

THotKey::THotKey(TWindow* parent, int resourceId, TModule* module) : TControl(parent, resourceId, module) { SetFlag(wfPredefinedClass); }
}
