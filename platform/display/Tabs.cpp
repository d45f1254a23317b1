// Tab controls as the toolkit's notebook showing only its tabs; the program's pages lie over its empty pages.
#include <wx/notebook.h>
#include <wx/panel.h>

#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"

namespace platform::display {
namespace {
class Tabs : public Native {
public:
    Tabs(HWND hwnd, wxWindow* parent) : Native(hwnd), book_(new wxNotebook(parent, wxID_ANY))
    {
        book_->SetFont(DialogFont());
        // The layer's control decides which tab is chosen: the toolkit's own change waits for it.
        book_->Bind(wxEVT_NOTEBOOK_PAGE_CHANGING, [this](wxBookCtrlEvent& e) {
            e.Veto();
            PostInput(hwnd_, UM_INPUT_FOCUS, 0, 0);
            if (e.GetSelection() != wxNOT_FOUND) {
                PostInput(hwnd_, UM_INPUT_CHOOSE, static_cast<WPARAM>(e.GetSelection()), 0);
            }
        });
    }
    ~Tabs() override { book_->Destroy(); }
    wxWindow* Widget() const override { return book_; }

    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        const bool all = what == WindowChange::Family;
        if (all || what == WindowChange::Items) {
            std::size_t i = 0;
            for (; i < s.items.size(); ++i) {
                const wxString label = wxString::FromUTF8(StripMnemonic(s.items[i].text, false));
                if (i < book_->GetPageCount()) {
                    book_->SetPageText(i, label);
                } else {
                    book_->AddPage(new wxPanel(book_), label, false);
                }
            }
            while (book_->GetPageCount() > i) {
                book_->DeletePage(book_->GetPageCount() - 1);
            }
        }
        if ((all || what == WindowChange::Items || what == WindowChange::Selection) && s.curSel >= 0 &&
            s.curSel < static_cast<int>(book_->GetPageCount()) && book_->GetSelection() != s.curSel) {
            book_->ChangeSelection(static_cast<std::size_t>(s.curSel));
        }
    }

private:
    wxNotebook* book_;
};
}

std::unique_ptr<Native> MakeTabs(HWND hwnd, const WindowState&, wxWindow* container)
{
    return std::make_unique<Tabs>(hwnd, container);
}
}
