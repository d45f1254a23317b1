// The PlayBack page: the seconds played at the start of each segment in SoundByte mode.
#include <climits>
#include <string>

#include "controls/HelpMaps.h"
#include "prefs/PageText.h"
#include "prefs/SetPlayBack.h"

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetPlayBack, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

TSetPlayBack::TSetPlayBack(OWL::TPropertySheet* sheet)
    : OWL::TPropertyPage(sheet, 210), ContextHelpWin(sheet, SetPlayBackHelpMap, SetPlayBackHelpContext)
{
    Flags |= PSP_HASHELP;
    seconds = new OWL::TEdit(this, 211);
    seconds->SetValidator(new OWL::TRangeValidator(0, 999));
}

void TSetPlayBack::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    seconds->SetText(std::to_string(SoundByte).c_str());
}

int TSetPlayBack::Apply(OWL::TPshNotify& notify)
{
    const long long value = ControlNumber(*seconds, 18);
    SoundByte = static_cast<int>(value < 1 ? 1 : value > INT_MAX ? INT_MAX : value);
    return OWL::TPropertyPage::Apply(notify);
}
