// The Record page: the recording mode and the seconds of quiet that end a take.
#include <string>

#include "controls/HelpMaps.h"
#include "prefs/PageText.h"
#include "prefs/SetRecord.h"

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetRecord, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

TSetRecord::TSetRecord(OWL::TPropertySheet* sheet)
    : OWL::TPropertyPage(sheet, 273), ContextHelpWin(sheet, SetRecordHelpMap, SetRecordHelpContext)
{
    Flags |= PSP_HASHELP;
    manual = new OWL::TRadioButton(this, 201);
    echo = new OWL::TRadioButton(this, 191);
    newAfterQuiet = new OWL::TRadioButton(this, 202);
    seconds = new OWL::TEdit(this, 203);
    seconds->SetValidator(new OWL::TRangeValidator(0, 9999));
    newAtStart = new OWL::TRadioButton(this, 231);
    newAtStop = new OWL::TRadioButton(this, 232);
}

void TSetRecord::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    OWL::TRadioButton* const modes[] = {manual, echo, newAfterQuiet, newAtStart, newAtStop};
    modes[RecordMode >= 1 && RecordMode <= 4 ? RecordMode : 0]->Check();
    seconds->SetText(std::to_string(TalkOff).c_str());
}

int TSetRecord::Apply(OWL::TPshNotify& notify)
{
    OWL::TRadioButton* const modes[] = {echo, newAfterQuiet, newAtStart, newAtStop};
    RecordMode = 0;
    for (int i = 0; i < 4; ++i) {
        if (modes[i]->IsChecked()) {
            RecordMode = i + 1;
            break;
        }
    }
    const long long value = ControlNumber(*seconds, 18);
    TalkOff = static_cast<int>(value < 1 ? 1 : value > 9999 ? 9999 : value);
    return OWL::TPropertyPage::Apply(notify);
}
