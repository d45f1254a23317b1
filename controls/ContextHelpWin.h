#pragma once
// ContextHelpWin: What's-this help for a dialog or page. F1 or the title-bar
// "?" over a control, or a right click on it, pops up the control's text from
// the help file next to the cursor; a page's Help button opens its topic.
// A dialog inherits it beside its dialog base and chains its table to this one.
#include <cstdint>

#include "owl/PropertySheet.h"

// One entry of a help map: a control and its popup text; text 0 means the
// control's own id. A map ends with a control id of 0.
struct HelpPair {
    std::int32_t controlId;
    std::int32_t textId;
};

// Set at start-up by the application; empty when the help file is missing.
extern char HelpFilePath[MAX_PATH];
// HelpFilePath + "::/" + the popup text file's name.
extern char HelpPopupPath[MAX_PATH];

// Shows popup text textId at the cursor, owned by owner.
void ShowHelpPopup(int textId, HWND owner);

class ContextHelpWin : virtual public OWL::TEventHandler {
public:
    // The map (null: none) is not copied; helpContext 0 makes the Help button open "Controls.html".
    ContextHelpWin(OWL::TWindow* parent, const HelpPair* helpMap, std::int32_t helpContext);
    virtual ~ContextHelpWin() = default;

    virtual LRESULT EvHelp(const HELPINFO& info);
    virtual void EvContextMenu(HWND window, const OWL::TPoint& point);

protected:
    void EvHelpButton(OWL::TPshNotify& notify);

private:
    // The popup text of a control: none for a control the map lacks.
    bool TextFor(int controlId, int& textId) const;
    // The dialog or page this object is part of.
    OWL::TWindow* Window();

    const HelpPair* helpMap;
    std::int32_t helpContext;

    DECLARE_RESPONSE_TABLE(ContextHelpWin)
};
