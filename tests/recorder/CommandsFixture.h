#pragma once
// The main window in a frame with the program's menu and accelerators, as the
// application makes it, and what the menu shows of the command enablers.
#include "tests/recorder/RecorderFixture.h"

#include <functional>
#include <memory>
#include <string>

#include "owl/Application.h"
#include "owl/CommandEnabler.h"
#include "platform/user/Menus.h"

class Commands : public RecorderTest {
protected:
    void SetUp() override
    {
        RecorderTest::SetUp();
        PlayRate = 1.0f;
        UseWinClip = true;
    }
    void TearDown() override
    {
        // The fixture deletes the frame itself.
        if (app) {
            app->SetMainWindow(nullptr);
        }
        RecorderTest::TearDown();
        app.reset();
    }
    // The frame as the application makes it: menu 100 and accelerator table 100;
    // beforeCreate may add children to the main window.
    void OpenWithMenu(const std::function<void()>& beforeCreate = {})
    {
        app = std::make_unique<OWL::TApplication>("Tapvox");
        dialog = new TAppDialog(nullptr);
        if (beforeCreate) {
            beforeCreate();
        }
        frame = new OWL::TFrameWindow(nullptr, "Tapvox", dialog);
        frame->Attr.Menu = 100;
        frame->Attr.AccelTable = 100;
        app->SetMainWindow(frame);
        ASSERT_TRUE(frame->Create());
        frame->ShowWindow(SW_SHOW);
        hl::RunUntilIdle();
        SetFocus(GetDlgItem(dialog->GetHandle(), 154));
    }
    // What the enablers make of the item, as the menu shows it when it opens.
    struct ItemState {
        bool enabled;
        bool checked;
        std::string text;
    };
    ItemState Item(UINT id)
    {
        HMENU popup = PopupHolding(frame->GetMenu(), id);
        EXPECT_NE(popup, nullptr) << id;
        SendMessage(frame->GetHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        const UINT state = GetMenuState(popup, id, MF_BYCOMMAND);
        char text[128] = "";
        GetMenuStringA(popup, id, text, sizeof text, MF_BYCOMMAND);
        return {!(state & MF_GRAYED), (state & MF_CHECKED) != 0, text};
    }
    // What the enabler of a command without a menu item decides.
    OWL::TCommandEnabler Ask(UINT id)
    {
        OWL::TCommandEnabler enabler(id, frame->GetHandle());
        dialog->EvCommandEnable(enabler);
        return enabler;
    }
    static HMENU PopupHolding(HMENU menu, UINT id)
    {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            if (HMENU sub = GetSubMenu(menu, i)) {
                if (HMENU found = PopupHolding(sub, id)) {
                    return found;
                }
            } else if (GetMenuItemID(menu, i) == id) {
                return menu;
            }
        }
        return nullptr;
    }
    void Command(UINT id)
    {
        PostMessage(frame->GetHandle(), WM_COMMAND, id, 0);
        hl::RunUntilIdle();
    }
    RecFile* Current() const { return dynamic_cast<RecFile*>(dialog->GetCurrentFile()); }

    std::unique_ptr<OWL::TApplication> app;
};
