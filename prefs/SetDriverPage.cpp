// The Driver page: the wave output and input devices chosen by product name.
#include "controls/HelpMaps.h"
#include "platform/core/Strings.h"
#include "platform/wave/Wave.h"
#include "prefs/PageText.h"
#include "prefs/SetDriver.h"

namespace {
// The stored name's entry, or the wave mapper's for "-1"; the first entry stays when none begins so.
void SelectStored(OWL::TComboBox& combo, const char* stored)
{
    const int found = combo.FindString(std::string(stored) == "-1" ? "Wave Mapper" : stored);
    combo.SetSelIndex(found >= 0 ? found : 0);
}
}

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetDriver, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

TSetDriver::TSetDriver(OWL::TPropertySheet* sheet)
    : OWL::TPropertyPage(sheet, 1600), ContextHelpWin(sheet, SetDriverHelpMap, SetDriverHelpContext)
{
    Flags |= PSP_HASHELP;
    output = new OWL::TComboBox(this, 1602);
    input = new OWL::TComboBox(this, 1601);
}

void TSetDriver::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    WAVEOUTCAPSA out{};
    if (waveOutGetDevCapsA(WAVE_MAPPER, &out, sizeof out) == MMSYSERR_NOERROR) {
        output->AddString(out.szPname);
    }
    for (UINT i = 0; i < waveOutGetNumDevs(); ++i) {
        if (waveOutGetDevCapsA(i, &out, sizeof out) == MMSYSERR_NOERROR) {
            output->AddString(out.szPname);
        }
    }
    WAVEINCAPSA in{};
    if (waveInGetDevCapsA(WAVE_MAPPER, &in, sizeof in) == MMSYSERR_NOERROR) {
        input->AddString(in.szPname);
    }
    for (UINT i = 0; i < waveInGetNumDevs(); ++i) {
        if (waveInGetDevCapsA(i, &in, sizeof in) == MMSYSERR_NOERROR) {
            input->AddString(in.szPname);
        }
    }
    TransferData(OWL::tdSetData);
}

void TSetDriver::TransferData(OWL::TTransferDirection direction)
{
    if (direction == OWL::tdSetData) {
        SelectStored(*output, WaveOutDriver);
        SelectStored(*input, WaveInDriver);
    } else if (direction == OWL::tdGetData) {
        platform::CopyBounded(WaveOutDriver, sizeof WaveOutDriver, ControlText(*output, 259));
        platform::CopyBounded(WaveInDriver, sizeof WaveInDriver, ControlText(*input, 259));
    }
}

int TSetDriver::Apply(OWL::TPshNotify& notify)
{
    TransferData(OWL::tdGetData);
    return OWL::TPropertyPage::Apply(notify);
}
