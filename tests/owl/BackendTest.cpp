// What the class library does to its windows reaches the backend through the window layer's API.
#include <gtest/gtest.h>

#include <optional>

#include "owl/Dialog.h"
#include "owl/FrameWindow.h"
#include "owl/PropertySheet.h"
#include "tests/support/RecordingBackend.h"

using namespace OWL;
using platform::WindowChange;
namespace hl = platform::headless;

namespace {
class ClassLibrarySeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        hl::Reset();
        platform::ClearResources();
        platform::DialogTemplate popup;
        popup.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        popup.x = 30;
        popup.y = 40;
        popup.cx = 120;
        popup.cy = 60;
        popup.items = {{WC_EDIT, "", 101, WS_VISIBLE, 0, 5, 5, 50, 12}};
        platform::AddDialog(MAKEINTRESOURCEA(5100), popup);
        platform::AddIcon(5101, platform::ImageResource{2, 2, std::vector<COLORREF>(4, RGB(1, 2, 3))});
        backend.emplace();
        frame = new TFrameWindow(nullptr, "Frame");
        ASSERT_TRUE(frame->Create());
    }
    void TearDown() override
    {
        delete frame;
        hl::Reset();
        backend.reset();
        platform::ClearResources();
    }
    std::optional<testsupport::RecordingBackend> backend;
    TFrameWindow* frame = nullptr;
};

TEST_F(ClassLibrarySeam, AFramesIconsAreSetThroughTheWindowLayer)
{
    TModule module;
    ASSERT_TRUE(frame->SetIcon(&module, 5101));
    ASSERT_TRUE(frame->SetIconSm(&module, 5101));
    const auto* c = backend->Last(frame->GetHandle(), WindowChange::Icon);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->state.bigIcon, frame->GetIcon());
    EXPECT_EQ(c->state.smallIcon, frame->GetIconSm());
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(frame->GetHandle(), WM_GETICON, ICON_BIG, 0)), frame->GetIcon());
}

TEST_F(ClassLibrarySeam, ADialogMadeAChildLosesItsFrameAndOwnerAndTheBackendHearsEachChange)
{
    auto* page = new TDialog(frame, 5100);
    page->Attr.Style = WS_CHILD | WS_VISIBLE;
    ASSERT_TRUE(page->Create());
    const HWND h = page->GetHandle();
    const auto* style = backend->Last(h, WindowChange::Style);
    ASSERT_NE(style, nullptr);
    EXPECT_TRUE(style->state.style & WS_CHILD);
    EXPECT_FALSE(style->state.style & (WS_POPUP | WS_CAPTION));
    const auto* family = backend->Last(h, WindowChange::Family);
    ASSERT_NE(family, nullptr);
    EXPECT_EQ(family->state.parent, frame->GetHandle());
    EXPECT_EQ(family->state.owner, nullptr);
    const auto* pos = backend->Last(h, WindowChange::Position);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(pos->state.rect.left, 0);
    EXPECT_EQ(pos->state.rect.right, platform::DialogUnitsToPixelsX(120));
    EXPECT_EQ(GetParent(h), frame->GetHandle());
    EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
}

TEST_F(ClassLibrarySeam, AnEndedSheetIsHiddenThroughTheWindowLayer)
{
    platform::DialogTemplate page;
    page.style = WS_CHILD;
    page.cx = 80;
    page.cy = 40;
    platform::AddDialog(MAKEINTRESOURCEA(5102), page);
    auto* sheet = new TPropertySheet(frame, "Options", 0, false, PSH_NOAPPLYNOW);
    new TPropertyPage(sheet, 5102);
    HWND seen = nullptr;
    hl::AnswerDialog("Options", [&](HWND h) {
        seen = h;
        hl::Click(GetDlgItem(h, IDOK));
    });
    EXPECT_EQ(sheet->Execute(), IDOK);
    const auto* shown = backend->Last(seen, WindowChange::Show);
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->state.visible);
    delete sheet;
}
}
