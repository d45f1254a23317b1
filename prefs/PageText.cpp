// Reading the pages' controls back.
#include "prefs/PageText.h"

#include <vector>

#include "owl/Application.h"
#include "settings/SettingsRules.h"

std::string ControlText(const OWL::TWindow& control, int chars)
{
    std::vector<char> text(static_cast<std::size_t>(chars) + 1, '\0');
    control.GetWindowText(text.data(), chars + 1);
    return text.data();
}

long long ControlNumber(const OWL::TWindow& control, int chars)
{
    long long value = 0;
    return settings::ParseDecimal(ControlText(control, chars).c_str(), -(1LL << 40), 1LL << 40, &value) ? value : 0;
}

void PumpWaitingMessages()
{
    if (OWL::TApplication* app = OWL::TApplication::Current()) {
        app->PumpWaitingMessages();
    }
}

bool SampleRateInRange(const OWL::TWindow& rateCombo)
{
    const long long hz = ControlNumber(rateCombo, 9);
    return hz >= 1 && hz <= 100000;
}

bool RatePageCanClose(OWL::TPropertyPage& page, bool& pageValid, const OWL::TWindow& rateCombo)
{
    if (!pageValid && SampleRateInRange(rateCombo)) {
        pageValid = true;
    }
    if (pageValid) {
        return true;
    }
    if (OWL::TPropertySheet* sheet = page.GetSheet()) {
        sheet->PostMessage(PSM_SETCURSELID, 0, page.GetResId());
    }
    return false;
}
