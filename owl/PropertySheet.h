#pragma once
// TPropertySheet and TPropertyPage: a modal sheet of pages made from dialog
// templates. Pages are created when first shown; OK asks the current page to
// let go, then applies every page that was created; Cancel applies none.
#include <vector>

#include "owl/Dialog.h"

constexpr DWORD PSH_DEFAULT = 0x0000;
constexpr DWORD PSH_WIZARD = 0x0020;
constexpr DWORD PSH_NOAPPLYNOW = 0x0080;
constexpr DWORD PSH_HASHELP = 0x0200;
constexpr DWORD PSP_DEFAULT = 0x0000;
constexpr DWORD PSP_HASHELP = 0x0020;

constexpr UINT PSN_SETACTIVE = static_cast<UINT>(-200);
constexpr UINT PSN_KILLACTIVE = static_cast<UINT>(-201);
constexpr UINT PSN_APPLY = static_cast<UINT>(-202);
constexpr UINT PSN_RESET = static_cast<UINT>(-203);
constexpr UINT PSN_HELP = static_cast<UINT>(-205);
constexpr UINT PSN_QUERYCANCEL = static_cast<UINT>(-209);
constexpr LRESULT PSNRET_NOERROR = 0;
constexpr LRESULT PSNRET_INVALID = 1;
constexpr LRESULT PSNRET_INVALID_NOCHANGEPAGE = 2;

constexpr UINT PSM_SETCURSEL = WM_USER + 101;
constexpr UINT PSM_CHANGED = WM_USER + 104;
constexpr UINT PSM_PRESSBUTTON = WM_USER + 113;
constexpr UINT PSM_SETCURSELID = WM_USER + 114;
constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
constexpr int PSBTN_OK = 1;
constexpr int PSBTN_CANCEL = 5;
constexpr int PSBTN_HELP = 6;

// The id under which the sheet sends its notifications to a page.
constexpr UINT PS_NOTIFY_ID = 0xFFF0;

struct PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
};

namespace OWL {
using TPshNotify = PSHNOTIFY;
class TPropertySheet;

class TPropertyPage : public TDialog {
public:
    TPropertyPage(TPropertySheet* parent, int resId, LPCSTR title = nullptr, int iconResId = 0, TModule* module = nullptr);
    ~TPropertyPage() override;

    TPropertySheet* GetSheet() const { return sheet_; }
    DWORD Flags = PSP_DEFAULT;

    // 0 accepts the activation.
    virtual int SetActive(TPshNotify& notify);
    // Whether the page may be left (another page chosen, or OK); by default its CanClose.
    virtual bool KillActive(TPshNotify& notify);
    // PSNRET_NOERROR, or PSNRET_INVALID_NOCHANGEPAGE to keep the sheet open on this page.
    virtual int Apply(TPshNotify& notify);
    virtual void Reset(TPshNotify& notify);
    // True lets Cancel close the sheet.
    virtual bool QueryCancel(TPshNotify& notify);
    virtual void Help(TPshNotify& notify);

private:
    friend class TPropertySheet;
    TPropertySheet* sheet_;

    DECLARE_RESPONSE_TABLE(TPropertyPage)
};

// A page's table gets Help-button presses with EV_PSN_HELP(method), method(TPshNotify&).
#define EV_PSN_HELP(method) \
    OWL_ENTRY_(Notify, WM_NOTIFY, PS_NOTIFY_ID, PSN_HELP, self.method(*reinterpret_cast<::OWL::TPshNotify*>(info.LParam)); return 0;)

class TPropertySheet : public TWindow {
public:
    TPropertySheet(TWindow* parent, LPCSTR title, UINT startPage = 0, bool isWizard = false, DWORD flags = PSH_DEFAULT,
                   TModule* module = nullptr);
    ~TPropertySheet() override;

    void AddPage(TPropertyPage& page);
    void RemovePage(TPropertyPage& page);
    int GetPageCount() const { return static_cast<int>(pages_.size()); }
    TPropertyPage* GetPage(int index) const;
    TPropertyPage* GetCurrentPage() const { return current_ < 0 ? nullptr : pages_[static_cast<std::size_t>(current_)]; }
    int GetCurrentIndex() const { return current_; }
    // Shows the page; false when the current page refuses to be left or the new one refuses activation.
    bool SelectPage(int index);
    bool SelectPageById(int resId);
    // Modal: IDOK or IDCANCEL (-1 when the sheet cannot be made).
    int Execute();
    LPCSTR GetClassName() override { return "OWL_PropertySheet"; }
    void SetupWindow() override;
    DWORD GetFlags() const { return flags_; }

protected:
    void CmOk();
    void CmCancel();
    void CmHelp();
    LRESULT EvSetCurSelId(WPARAM, LPARAM resId);
    LRESULT EvSetCurSel(WPARAM index, LPARAM);
    LRESULT EvPressButton(WPARAM button, LPARAM);
    LRESULT EvGetCurrentPage(WPARAM, LPARAM);
    LRESULT EvClose(WPARAM, LPARAM);
    LRESULT EvNotify(WPARAM, LPARAM);

private:
    friend class TPropertyPage;
    LRESULT Notify(TPropertyPage* page, UINT code);
    void End(int result);

    std::vector<TPropertyPage*> pages_;
    int current_ = -1;
    HWND tabs_ = nullptr;  // the page tabs
    UINT startPage_;
    DWORD flags_;

    DECLARE_RESPONSE_TABLE(TPropertySheet)
};
}
