// The MP3 page: rate, channels and codec format of MP3 recordings, ID3v2 tags, and MP3 as the default type.
#include <cstring>
#include <string>

#include "app/FormatBuffers.h"
#include "controls/HelpMaps.h"
#include "prefs/PageText.h"
#include "prefs/SetMp3.h"
#include "settings/CodecDrivers.h"

namespace {
constexpr int kPageId = 3700;
}

DEFINE_RESPONSE_TABLE2(TSetMp3, ContextHelpWin, OWL::TPropertyPage)
EV_BN_CLICKED(3705, updateformats),
EV_BN_CLICKED(3706, updateformats),
EV_CBN_SELCHANGE(3708, EvRateChange),
EV_CBN_EDITCHANGE(3708, EvRateChange),
EV_CBN_SELCHANGE(3712, ShowRate),
EV_MESSAGE(UM_SHOW_RATE, EvShowRate),
EV_MESSAGE(UM_UPDATE_FORMATS, EvUpdateFormats),
EV_BN_CLICKED(3713, EvDefaultType),
END_RESPONSE_TABLE

TSetMp3::TSetMp3(OWL::TPropertySheet* sheet, int* sharedFormat_, bool conversionCheck)
    : OWL::TPropertyPage(sheet, kPageId), SMsg(this), ContextHelpWin(sheet, SetMp3HelpMap, SetMp3HelpContext),
      sharedFormat(sharedFormat_),
      formats(FormatList::Mp3Formats, conversionCheck)
{
    Flags |= PSP_HASHELP;
    rate = new OWL::TComboBox(this, 3708, 30);
    byteRate = new OWL::TStatic(this, 3710, 30);
    mono = new OWL::TRadioButton(this, 3705);
    stereo = new OWL::TRadioButton(this, 3706);
    compression = new OWL::TComboBox(this, 3712);
    compressionLabel = new OWL::TStatic(this, 3711);
    defaultType = new OWL::TCheckBox(this, 3713);
    tags = new OWL::TCheckBox(this, 3714);
}

void TSetMp3::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    for (const char* r : {"16000", "22050", "24000", "32000", "44100", "48000"}) {
        rate->AddString(r);
    }
    rate->SetText(std::to_string(Mp3SampleRate).c_str());
    (Mp3Stereo ? stereo : mono)->Check();
    defaultType->SetCheck(DefaultAudioFormat != 0 ? BST_CHECKED : BST_UNCHECKED);
    tags->SetCheck(Mp3EnableTag ? BST_CHECKED : BST_UNCHECKED);
    if (!AcmEnabled()) {
        compressionLabel->SetText("<Audio Compression not available>");
        compression->ShowWindow(SW_HIDE);
    }
    updateformats();
}

void TSetMp3::updateformats()
{
    refreshDue = false;
    if (!AcmEnabled()) {
        ShowRate();
        return;
    }
    const long long hz = ControlNumber(*rate, 19);
    if (hz >= 1 && hz <= 100000) {
        formats.Rebuild(GetHandle(), *compression,
                        MakePcmFormat(stereo->IsChecked() ? 2 : 1, static_cast<DWORD>(hz), 16));
    } else {
        // A rate being typed lists nothing yet: no codec takes it, and Apply refuses it.
        formats.Empty(*compression);
    }
    ShowRate();
}

void TSetMp3::ShowRate()
{
    const WAVEFORMATEX* selected = AcmEnabled() ? formats.Selected(*compression) : nullptr;
    const DWORD bytes = selected ? selected->nAvgBytesPerSec : 0;
    byteRate->SetText(bytes ? MegabytesPerMinute(bytes).c_str() : "");
}

void TSetMp3::EvRateChange()
{
    refreshDue = true;
    PumpWaitingMessages();
    PostMessage(UM_UPDATE_FORMATS);
}

LRESULT TSetMp3::EvShowRate(WPARAM, LPARAM)
{
    ShowRate();
    return 0;
}

LRESULT TSetMp3::EvUpdateFormats(WPARAM, LPARAM)
{
    updateformats();
    return 0;
}

void TSetMp3::EvDefaultType()
{
    if (sharedFormat) {
        *sharedFormat = defaultType->IsChecked() ? 1 : 0;
    }
}

int TSetMp3::SetActive(OWL::TPshNotify&)
{
    defaultType->SetCheck(sharedFormat && *sharedFormat == 1 ? BST_CHECKED : BST_UNCHECKED);
    if (refreshDue && AcmEnabled()) {
        updateformats();
    }
    return 0;
}

int TSetMp3::Apply(OWL::TPshNotify& notify)
{
    // What the list shows must be the page's own formats before one is taken from it.
    if (refreshDue && AcmEnabled()) {
        updateformats();
    }
    if (!SampleRateInRange(*rate)) {
        ShowMessage(3400, MB_ICONSTOP);
        pageValid = false;
        return OWL::TPropertyPage::Apply(notify);
    }
    pageValid = true;
    Mp3SampleRate = static_cast<int>(ControlNumber(*rate, 9));
    if (sharedFormat) {
        DefaultAudioFormat = *sharedFormat;
    }
    Mp3EnableTag = tags->IsChecked();
    Mp3Stereo = stereo->IsChecked();
    // Without a usable codec format the stored one stays: a made-up record could not be encoded.
    const WAVEFORMATEX* chosen = AcmEnabled() ? formats.Selected(*compression) : nullptr;
    if (chosen && Mp3FormatBuffer && WaveFormatSize(*chosen) <= FormatBufferBytes()) {
        std::memcpy(Mp3FormatBuffer, chosen, WaveFormatSize(*chosen));
        SplitFormatItem(compression->GetSelString(), Mp3ACMDriver, Mp3ACMFormat);
    }
    formats.Clear(*compression);
    refreshDue = true;
    return OWL::TPropertyPage::Apply(notify);
}

bool TSetMp3::CanClose() { return RatePageCanClose(*this, pageValid, *rate) && OWL::TPropertyPage::CanClose(); }
