// Sheets: pages are made when first shown; OK applies each shown page and stops at the first that refuses.
#include "owl/PropertySheet.h"

#include <algorithm>
#include <string>

namespace OWL {
#define OWL_PAGE_NOTIFY_(code, body) \
    OWL_ENTRY_(Notify, WM_NOTIFY, PS_NOTIFY_ID, code, auto& n = *reinterpret_cast<TPshNotify*>(info.LParam); body)

DEFINE_RESPONSE_TABLE1(TPropertyPage, TDialog)
OWL_PAGE_NOTIFY_(PSN_SETACTIVE, return self.SetActive(n);),
OWL_PAGE_NOTIFY_(PSN_KILLACTIVE, return self.KillActive(n) ? FALSE : TRUE;),
OWL_PAGE_NOTIFY_(PSN_APPLY, return self.Apply(n);),
OWL_PAGE_NOTIFY_(PSN_RESET, self.Reset(n); return 0;),
OWL_PAGE_NOTIFY_(PSN_QUERYCANCEL, return self.QueryCancel(n) ? FALSE : TRUE;),
OWL_PAGE_NOTIFY_(PSN_HELP, self.Help(n); return 0;),
END_RESPONSE_TABLE

TPropertyPage::TPropertyPage(TPropertySheet* parent, int resId, LPCSTR title, int, TModule* module)
    : TDialog(parent, resId, module), sheet_(parent)
{
    Attr.Style = WS_CHILD;
    if (title) {
        Title = title;
    }
    if (parent) {
        parent->AddPage(*this);
    }
}

TPropertyPage::~TPropertyPage()
{
    if (sheet_) {
        sheet_->RemovePage(*this);
    }
}

int TPropertyPage::SetActive(TPshNotify&) { return 0; }
bool TPropertyPage::KillActive(TPshNotify&) { return CanClose(); }

int TPropertyPage::Apply(TPshNotify&)
{
    if (!CanClose()) {
        return PSNRET_INVALID_NOCHANGEPAGE;
    }
    TransferData(tdGetData);
    return PSNRET_NOERROR;
}

void TPropertyPage::Reset(TPshNotify&) {}
bool TPropertyPage::QueryCancel(TPshNotify&) { return true; }
void TPropertyPage::Help(TPshNotify&) {}

DEFINE_RESPONSE_TABLE1(TPropertySheet, TWindow)
EV_COMMAND(IDOK, CmOk),
EV_COMMAND(IDCANCEL, CmCancel),
EV_COMMAND(IDHELP, CmHelp),
EV_MESSAGE(PSM_SETCURSELID, EvSetCurSelId),
EV_MESSAGE(PSM_SETCURSEL, EvSetCurSel),
EV_MESSAGE(PSM_PRESSBUTTON, EvPressButton),
EV_MESSAGE(PSM_GETCURRENTPAGEHWND, EvGetCurrentPage),
EV_MESSAGE(WM_CLOSE, EvClose),
EV_MESSAGE(WM_NOTIFY, EvNotify),
END_RESPONSE_TABLE

TPropertySheet::TPropertySheet(TWindow* parent, LPCSTR title, UINT startPage, bool, DWORD flags, TModule* module)
    : TWindow(parent, title, module), startPage_(startPage), flags_(flags)
{
    Attr.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Attr.X = Attr.Y = 100;
    Attr.W = 400;
    Attr.H = 300;
}

TPropertySheet::~TPropertySheet()
{
    for (TPropertyPage* p : pages_) {
        p->sheet_ = nullptr;
    }
    pages_.clear();
}

void TPropertySheet::AddPage(TPropertyPage& page)
{
    if (std::find(pages_.begin(), pages_.end(), &page) == pages_.end()) {
        pages_.push_back(&page);
        page.SetParent(this);
        page.sheet_ = this;
    }
}

void TPropertySheet::RemovePage(TPropertyPage& page)
{
    auto it = std::find(pages_.begin(), pages_.end(), &page);
    if (it == pages_.end()) {
        return;
    }
    const int index = static_cast<int>(it - pages_.begin());
    pages_.erase(it);
    if (current_ == index) {
        current_ = -1;
    } else if (current_ > index) {
        --current_;
    }
    page.sheet_ = nullptr;
}

TPropertyPage* TPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < static_cast<int>(pages_.size()) ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

namespace {
// The strip of page tabs above the pages.
constexpr int kTabStripId = 0x3020;
constexpr int kTabHeight = 26;

std::string PageTitle(TPropertyPage& page)
{
    if (!page.Title.empty()) {
        return page.Title;
    }
    const platform::DialogTemplate* t = platform::FindDialog(page.GetTemplateName());
    return t ? t->caption : std::string();
}
}

void TPropertySheet::SetupWindow()
{
    // Pages are made when first shown, not with the sheet; their tabs are there from the start.
    int w = 0, h = 0;
    for (TPropertyPage* p : pages_) {
        if (const platform::DialogTemplate* t = platform::FindDialog(p->GetTemplateName())) {
            const SIZE base = platform::DialogBaseUnits(*t);
            w = std::max(w, platform::DialogUnitsToPixelsX(t->cx, base));
            h = std::max(h, platform::DialogUnitsToPixelsY(t->cy, base));
        }
    }
    SetWindowPos(nullptr, 0, 0, w + 16, h + kTabHeight + 64, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    tabs_ = CreateWindowExA(0, WC_TABCONTROL, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 4, 4, w + 8, h + kTabHeight + 8, Handle,
                            reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kTabStripId)), nullptr, nullptr);
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        std::string title = PageTitle(*pages_[i]);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = title.data();
        ::SendMessage(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    h += kTabHeight + 4;
    struct Button {
        int id;
        const char* text;
        bool wanted;
    };
    const Button buttons[] = {{IDOK, "OK", true},
                              {IDCANCEL, "Cancel", true},
                              {0x3021, "&Apply", !(flags_ & PSH_NOAPPLYNOW)},
                              {IDHELP, "Help", (flags_ & PSH_HASHELP) != 0}};
    int x = 8;
    for (const Button& b : buttons) {
        if (b.wanted) {
            CreateWindowExA(0, WC_BUTTON, b.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | (b.id == IDOK ? BS_DEFPUSHBUTTON : 0),
                            x, h + 24, 75, 23, Handle, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(b.id)), nullptr, nullptr);
            x += 81;
        }
    }
    SetFlag(wfFullyCreated);
}

LRESULT TPropertySheet::Notify(TPropertyPage* page, UINT code)
{
    if (!page || !page->GetHandle()) {
        return 0;
    }
    PSHNOTIFY n{{Handle, PS_NOTIFY_ID, code}, 0};
    return ::SendMessage(page->GetHandle(), WM_NOTIFY, PS_NOTIFY_ID, reinterpret_cast<LPARAM>(&n));
}

bool TPropertySheet::SelectPage(int index)
{
    TPropertyPage* next = GetPage(index);
    if (!next || !Handle) {
        return false;
    }
    if (index == current_) {
        return true;
    }
    TPropertyPage* cur = GetCurrentPage();
    if (cur && Notify(cur, PSN_KILLACTIVE)) {
        return false;
    }
    if (!next->GetHandle()) {
        next->Attr.Style = WS_CHILD;
        if (!next->Create()) {
            return false;
        }
        // Right after the tabs in tab order, before the sheet's buttons.
        next->SetWindowPos(tabs_, 8, kTabHeight + 8, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | (tabs_ ? 0 : SWP_NOZORDER));
    }
    if (Notify(next, PSN_SETACTIVE) == -1) {
        return false;
    }
    // The keyboard follows into the new page unless it is on the tabs or the sheet's buttons.
    HWND focus = ::GetFocus();
    bool focusInPage = !focus;
    for (HWND h = focus; h && cur && cur->GetHandle() && !focusInPage; h = ::GetParent(h)) {
        focusInPage = h == cur->GetHandle();
    }
    if (cur && cur->GetHandle()) {
        cur->ShowWindow(SW_HIDE);
    }
    next->ShowWindow(SW_SHOWNA);
    current_ = index;
    if (tabs_ && ::SendMessage(tabs_, TCM_GETCURSEL, 0, 0) != index) {
        ::SendMessage(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    if (focusInPage) {
        if (HWND first = ::GetNextDlgTabItem(next->GetHandle(), nullptr, FALSE)) {
            ::SetFocus(first);
        }
    }
    return true;
}

bool TPropertySheet::SelectPageById(int resId)
{
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i]->GetResId() == resId) {
            return SelectPage(static_cast<int>(i));
        }
    }
    return false;
}

int TPropertySheet::Execute()
{
    if (pages_.empty() || (!Handle && !Create())) {
        return -1;
    }
    if (!SelectPage(static_cast<int>(startPage_)) && current_ < 0) {
        SelectPage(0);
    }
    HWND owner = Parent ? Parent->GetHandle() : nullptr;
    const INT_PTR result = RunModalWindow(Handle, owner, Title.c_str());
    current_ = -1;
    tabs_ = nullptr;
    return static_cast<int>(result);
}

void TPropertySheet::End(int result)
{
    if (Handle) {
        ::EndDialog(Handle, result);
    }
}

void TPropertySheet::CmOk()
{
    TPropertyPage* cur = GetCurrentPage();
    if (cur && Notify(cur, PSN_KILLACTIVE)) {
        return;
    }
    const auto pages = pages_;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (!pages[i]->GetHandle()) {
            continue;  // a page never shown has nothing to apply
        }
        const LRESULT r = Notify(pages[i], PSN_APPLY);
        if (r == PSNRET_INVALID) {
            SelectPage(static_cast<int>(i));
            return;
        }
        if (r == PSNRET_INVALID_NOCHANGEPAGE) {
            return;
        }
    }
    End(IDOK);
}

void TPropertySheet::CmCancel()
{
    if (TPropertyPage* cur = GetCurrentPage(); cur && Notify(cur, PSN_QUERYCANCEL)) {
        return;
    }
    for (TPropertyPage* p : pages_) {
        Notify(p, PSN_RESET);
    }
    End(IDCANCEL);
}

void TPropertySheet::CmHelp() { Notify(GetCurrentPage(), PSN_HELP); }

LRESULT TPropertySheet::EvSetCurSelId(WPARAM, LPARAM resId) { return SelectPageById(static_cast<int>(resId)) ? TRUE : FALSE; }
LRESULT TPropertySheet::EvSetCurSel(WPARAM index, LPARAM) { return SelectPage(static_cast<int>(index)) ? TRUE : FALSE; }

LRESULT TPropertySheet::EvPressButton(WPARAM button, LPARAM)
{
    switch (static_cast<int>(button)) {
    case PSBTN_OK:
        CmOk();
        break;
    case PSBTN_CANCEL:
        CmCancel();
        break;
    case PSBTN_HELP:
        CmHelp();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT TPropertySheet::EvGetCurrentPage(WPARAM, LPARAM)
{
    TPropertyPage* p = GetCurrentPage();
    return reinterpret_cast<LRESULT>(p ? p->GetHandle() : nullptr);
}

LRESULT TPropertySheet::EvNotify(WPARAM, LPARAM lp)
{
    const auto* n = reinterpret_cast<const NMHDR*>(lp);
    if (n && n->hwndFrom == tabs_ && tabs_ && n->code == TCN_SELCHANGE) {
        // A page that will not be left, or will not be shown, puts the tab back.
        const int chosen = static_cast<int>(::SendMessage(tabs_, TCM_GETCURSEL, 0, 0));
        if (!SelectPage(chosen) && current_ >= 0) {
            ::SendMessage(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(current_), 0);
        }
    }
    return 0;
}

LRESULT TPropertySheet::EvClose(WPARAM, LPARAM)
{
    CmCancel();
    return 0;
}
}
