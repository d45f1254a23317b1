// The PlayBack page: the seconds played at the start of each segment in SoundByte mode.
#include <climits>
#include <string>

#include "prefs/PageText.h"
#include "prefs/SetPlayBack.h"

TSetPlayBack::TSetPlayBack(OWL::TPropertySheet* sheet) : OWL::TPropertyPage(sheet, 210)
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
