// The Wave page: rate, resolution, channels and compression of WAV recordings, and WAV as the default type.
#include <cstring>
#include <string>

#include "app/FormatBuffers.h"
#include "controls/HelpMaps.h"
#include "prefs/PageText.h"
#include "prefs/SetMp3.h"
#include "prefs/SetWave.h"
#include "settings/CodecDrivers.h"

namespace {
constexpr int kPageId = 271;
constexpr long long kMaxRate = 100000;
}

DEFINE_RESPONSE_TABLE2(TSetWave, ContextHelpWin, OWL::TPropertyPage)
EV_BN_CLICKED(171, updateformats),
EV_BN_CLICKED(172, updateformats),
EV_BN_CLICKED(224, updateformats),
EV_BN_CLICKED(225, updateformats),
EV_CBN_SELCHANGE(186, EvRateChange),
EV_CBN_EDITCHANGE(186, EvRateChange),
EV_CBN_SELCHANGE(220, ShowRate),
EV_MESSAGE(UM_SHOW_RATE, EvShowRate),
EV_MESSAGE(UM_UPDATE_FORMATS, EvUpdateFormats),
EV_BN_CLICKED(813, EvDefaultType),
END_RESPONSE_TABLE

TSetWave::TSetWave(OWL::TPropertySheet* sheet, int* sharedFormat_, bool conversionCheck)
    : OWL::TPropertyPage(sheet, kPageId), SMsg(this), ContextHelpWin(sheet, SetWaveHelpMap, SetWaveHelpContext),
      sharedFormat(sharedFormat_),
      formats(FormatList::WaveFormats, conversionCheck)
{
    Flags |= PSP_HASHELP;
    rate = new OWL::TComboBox(this, 186, 30);
    byteRate = new OWL::TStatic(this, 161, 30);
    bits8 = new OWL::TRadioButton(this, 171);
    bits16 = new OWL::TRadioButton(this, 172);
    mono = new OWL::TRadioButton(this, 224);
    stereo = new OWL::TRadioButton(this, 225);
    compression = new OWL::TComboBox(this, 220);
    compressionLabel = new OWL::TStatic(this, 221);
    defaultType = new OWL::TCheckBox(this, 813);
    formats.CurrentFormatTag = ACMFormatTag;
}

void TSetWave::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    for (const char* r : {"8000", "11025", "22050", "44100"}) {
        rate->AddString(r);
    }
    rate->SetText(std::to_string(SampleRate).c_str());
    (Resolution ? bits16 : bits8)->Check();
    (Stereo ? stereo : mono)->Check();
    defaultType->SetCheck(DefaultAudioFormat == 0 ? BST_CHECKED : BST_UNCHECKED);
    if (!sharedFormat) {
        defaultType->ShowWindow(SW_HIDE);
    }
    if (!AcmEnabled()) {
        compressionLabel->SetText("<Audio Compression not available>");
        compression->ShowWindow(SW_HIDE);
    }
    updateformats();
}

WAVEFORMATEX TSetWave::PcmFromControls() const
{
    const long long hz = ControlNumber(*rate, 19);
    return MakePcmFormat(stereo->IsChecked() ? 2 : 1, static_cast<DWORD>(hz), bits16->IsChecked() ? 16 : 8);
}

void TSetWave::updateformats()
{
    refreshDue = false;
    if (!AcmEnabled()) {
        ShowRate();
        return;
    }
    if (compression->GetCount() > 0 && compression->GetSelIndex() >= 0) {
        const WAVEFORMATEX* kept = formats.Selected(*compression);
        formats.CurrentFormatTag = kept ? kept->wFormatTag : WAVE_FORMAT_PCM;
    } else {
        formats.CurrentFormatTag = ACMFormatTag;
    }
    const WAVEFORMATEX source = PcmFromControls();
    if (source.nSamplesPerSec >= 1 && source.nSamplesPerSec <= kMaxRate) {
        formats.Rebuild(GetHandle(), *compression, source);
    } else {
        // A rate being typed lists nothing yet: no codec takes it, and Apply refuses it.
        formats.Empty(*compression);
    }
    ShowRate();
}

void TSetWave::ShowRate()
{
    const WAVEFORMATEX* selected = AcmEnabled() && compression->GetSelIndex() > 0 ? formats.Selected(*compression) : nullptr;
    double bytes = 0;
    if (selected) {
        bytes = selected->nAvgBytesPerSec;
    } else {
        bytes = static_cast<double>(ControlNumber(*rate, 9));
        if (bits16->IsChecked()) {
            bytes *= 2;
        }
        if (stereo->IsChecked()) {
            bytes *= 2;
        }
    }
    byteRate->SetText(MegabytesPerMinute(bytes).c_str());
}

void TSetWave::EvRateChange()
{
    refreshDue = true;
    PumpWaitingMessages();
    PostMessage(UM_UPDATE_FORMATS);
}

LRESULT TSetWave::EvShowRate(WPARAM, LPARAM)
{
    ShowRate();
    return 0;
}

LRESULT TSetWave::EvUpdateFormats(WPARAM, LPARAM)
{
    updateformats();
    return 0;
}

void TSetWave::EvDefaultType()
{
    if (sharedFormat) {
        *sharedFormat = defaultType->IsChecked() ? 0 : 1;
    }
}

int TSetWave::SetActive(OWL::TPshNotify&)
{
    defaultType->SetCheck(!sharedFormat || *sharedFormat == 0 ? BST_CHECKED : BST_UNCHECKED);
    if (refreshDue && AcmEnabled()) {
        updateformats();
    }
    return 0;
}

int TSetWave::Apply(OWL::TPshNotify& notify)
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
    SampleRate = static_cast<int>(ControlNumber(*rate, 9));
    Resolution = bits16->IsChecked();
    Stereo = stereo->IsChecked();
    if (sharedFormat) {
        DefaultAudioFormat = *sharedFormat;
    }
    const WAVEFORMATEX* chosen = AcmEnabled() ? formats.Selected(*compression) : nullptr;
    if (chosen && RecordFormatBuffer && WaveFormatSize(*chosen) <= FormatBufferBytes()) {
        ACMFormatTag = chosen->wFormatTag;
        std::memcpy(RecordFormatBuffer, chosen, WaveFormatSize(*chosen));
        SplitFormatItem(compression->GetSelString(), ACMDriver, ACMFormat);
    } else {
        ACMFormatTag = WAVE_FORMAT_PCM;
        ACMDriver[0] = '\0';
        if (RecordFormatBuffer) {
            const WAVEFORMATEX pcm = PcmFromControls();
            std::memcpy(RecordFormatBuffer, &pcm, sizeof pcm);
        }
    }
    formats.Clear(*compression);
    refreshDue = true;
    return OWL::TPropertyPage::Apply(notify);
}

bool TSetWave::CanClose() { return RatePageCanClose(*this, pageValid, *rate) && OWL::TPropertyPage::CanClose(); }
