#pragma once
// The standard control objects: statics, edits, buttons, check and radio
// buttons, group boxes, combo and list boxes, up-downs, hot-key controls.
#include <memory>
#include <string>

#include "owl/Control.h"
#include "owl/Validators.h"

namespace OWL {
class TStatic : public TControl {
public:
    TStatic(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, UINT textLimit = 0, TModule* module = nullptr);
    TStatic(TWindow* parent, int resourceId, UINT textLimit = 0, TModule* module = nullptr);
    LPCSTR GetClassName() override { return WC_STATIC; }
    void SetText(LPCSTR text) { SetWindowText(text); }
    std::string GetText() const { return GetWindowText(); }
    int GetText(LPSTR buffer, int size) const { return GetWindowText(buffer, size); }
    int GetTextLen() const { return ::GetWindowTextLengthA(Handle); }
    void Clear() { SetText(""); }

protected:
    UINT TextLimit;
};

class TEdit : public TStatic {
public:
    TEdit(TWindow* parent, int id, LPCSTR text, int x, int y, int w, int h, UINT textLimit = 0, bool multiline = false,
          TModule* module = nullptr);
    TEdit(TWindow* parent, int resourceId, UINT textLimit = 0, TModule* module = nullptr);
    LPCSTR GetClassName() override { return WC_EDIT; }
    void SetupWindow() override;
    bool CanClose() override;

    void LimitText(UINT limit);
    void SetSelection(int start, int end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<std::intptr_t>(start)), end); }
    void GetSelection(int& start, int& end);
    // Replaces the selection (an insert at the caret when nothing is selected).
    void Insert(LPCSTR text) { SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text)); }
    void SetReadOnly(bool readOnly) { SendMessage(EM_SETREADONLY, readOnly ? TRUE : FALSE, 0); }
    // The edit owns the validator.
    void SetValidator(TValidator* validator) { validator_.reset(validator); }
    TValidator* GetValidator() const { return validator_.get(); }
    bool IsValid(bool reportError = false);

protected:
    void EvChar(UINT key, UINT repeatCount, UINT flags);

private:
    std::unique_ptr<TValidator> validator_;

    DECLARE_RESPONSE_TABLE(TEdit)
};

class TButton : public TControl {
public:
    TButton(TWindow* parent, int id, LPCSTR text, int x, int y, int w, int h, bool isDefault = false, TModule* module = nullptr);
    TButton(TWindow* parent, int resourceId, TModule* module = nullptr);
    LPCSTR GetClassName() override { return WC_BUTTON; }
    void Click() { SendMessage(BM_CLICK); }
};

class TGroupBox;

class TCheckBox : public TButton {
public:
    TCheckBox(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, TGroupBox* group = nullptr, TModule* module = nullptr);
    TCheckBox(TWindow* parent, int resourceId, TGroupBox* group = nullptr, TModule* module = nullptr);
    void Check() { SetCheck(BST_CHECKED); }
    void Uncheck() { SetCheck(BST_UNCHECKED); }
    void Toggle() { SetCheck(GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED); }
    UINT GetCheck() const { return static_cast<UINT>(::SendMessage(Handle, BM_GETCHECK, 0, 0)); }
    void SetCheck(UINT state) { SendMessage(BM_SETCHECK, state); }
    bool IsChecked() const { return GetCheck() == BST_CHECKED; }
};

class TRadioButton : public TCheckBox {
public:
    TRadioButton(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, TGroupBox* group = nullptr, TModule* module = nullptr);
    TRadioButton(TWindow* parent, int resourceId, TGroupBox* group = nullptr, TModule* module = nullptr);
};

class TGroupBox : public TControl {
public:
    TGroupBox(TWindow* parent, int id, LPCSTR text, int x, int y, int w, int h, TModule* module = nullptr);
    TGroupBox(TWindow* parent, int resourceId, TModule* module = nullptr);
    LPCSTR GetClassName() override { return WC_BUTTON; }
};

class TListControlBase : public TControl {
public:
    using TControl::TControl;
    int GetCount() const { return static_cast<int>(Msg(countMsg_)); }
    int AddString(LPCSTR text) { return static_cast<int>(Msg(addMsg_, 0, reinterpret_cast<LPARAM>(text))); }
    int InsertString(LPCSTR text, int index) { return static_cast<int>(Msg(insertMsg_, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text))); }
    int DeleteString(int index) { return static_cast<int>(Msg(deleteMsg_, static_cast<WPARAM>(index))); }
    void ClearList() { Msg(resetMsg_); }
    // Prefix search from the item after `start` (-1: from the top), case-insensitive; -1 when none.
    int FindString(LPCSTR text, int start = -1) const { return static_cast<int>(Msg(findMsg_, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text))); }
    int FindStringExact(LPCSTR text, int start = -1) const { return static_cast<int>(Msg(findExactMsg_, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text))); }
    int GetSelIndex() const { return static_cast<int>(Msg(getSelMsg_)); }
    int SetSelIndex(int index) { return static_cast<int>(Msg(setSelMsg_, static_cast<WPARAM>(index))); }
    int GetStringLen(int index) const { return static_cast<int>(Msg(textLenMsg_, static_cast<WPARAM>(index))); }
    std::string GetString(int index) const;
    int GetString(LPSTR buffer, int index) const { return static_cast<int>(Msg(textMsg_, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer))); }
    std::string GetSelString() const { return GetString(GetSelIndex()); }
    LPARAM GetItemData(int index) const { return Msg(getDataMsg_, static_cast<WPARAM>(index)); }
    int SetItemData(int index, LPARAM data) { return static_cast<int>(Msg(setDataMsg_, static_cast<WPARAM>(index), data)); }

protected:
    LRESULT Msg(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessage(Handle, m, w, l); }
    UINT countMsg_ = 0, addMsg_ = 0, insertMsg_ = 0, deleteMsg_ = 0, resetMsg_ = 0, findMsg_ = 0, findExactMsg_ = 0;
    UINT getSelMsg_ = 0, setSelMsg_ = 0, textLenMsg_ = 0, textMsg_ = 0, getDataMsg_ = 0, setDataMsg_ = 0;
};

class TComboBox : public TListControlBase {
public:
    TComboBox(TWindow* parent, int id, int x, int y, int w, int h, DWORD style, UINT textLimit = 0, TModule* module = nullptr);
    TComboBox(TWindow* parent, int resourceId, UINT textLimit = 0, TModule* module = nullptr);
    LPCSTR GetClassName() override { return WC_COMBOBOX; }
    void SetupWindow() override;
    void SetText(LPCSTR text) { SetWindowText(text); }
    std::string GetText() const { return GetWindowText(); }
    int GetText(LPSTR buffer, int size) const { return GetWindowText(buffer, size); }
    int GetTextLen() const { return ::GetWindowTextLengthA(Handle); }
    void LimitText(UINT limit);
    void SetEditSel(int start, int end) { SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(start, end)); }
    void ShowList(bool show = true) { SendMessage(CB_SHOWDROPDOWN, show ? TRUE : FALSE); }
    void Clear() { SetText(""); }

private:
    void Init();
    UINT textLimit_;
};

class TListBox : public TListControlBase {
public:
    TListBox(TWindow* parent, int id, int x, int y, int w, int h, TModule* module = nullptr);
    TListBox(TWindow* parent, int resourceId, TModule* module = nullptr);
    LPCSTR GetClassName() override { return WC_LISTBOX; }

private:
    void Init();
};

class TUpDown : public TControl {
public:
    TUpDown(TWindow* parent, int id, int x, int y, int w, int h, TWindow* buddy = nullptr, int lower = 0, int upper = 100,
            int initialPos = 0, TModule* module = nullptr);
    TUpDown(TWindow* parent, int resourceId, TWindow* buddy = nullptr, TModule* module = nullptr);
    LPCSTR GetClassName() override { return UPDOWN_CLASS; }
    void SetupWindow() override;
    void SetRange(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    void GetRange(int& lower, int& upper) const
    {
        ::SendMessage(Handle, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    }
    int SetPos(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
    int GetPos() const { return static_cast<int>(::SendMessage(Handle, UDM_GETPOS32, 0, 0)); }
    HWND SetBuddy(HWND buddy) { return reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy))); }
    HWND GetBuddy() const { return reinterpret_cast<HWND>(::SendMessage(Handle, UDM_GETBUDDY, 0, 0)); }

private:
    TWindow* buddy_;
    int lower_ = 0, upper_ = 100, pos_ = 0;
    bool initRange_ = false;
};

// Hot-key word: virtual key in the low byte, HOTKEYF_* in the high byte.
class THotKey : public TControl {
public:
    THotKey(TWindow* parent, int id, int x, int y, int w, int h, WORD hotKey = 0, TModule* module = nullptr);
    THotKey(TWindow* parent, int resourceId, TModule* module = nullptr);
    LPCSTR GetClassName() override { return HOTKEY_CLASS; }
    void SetHotKey(WORD hotKey) { SendMessage(HKM_SETHOTKEY, hotKey); }
    WORD GetHotKey() const { return static_cast<WORD>(::SendMessage(Handle, HKM_GETHOTKEY, 0, 0)); }
};
}
