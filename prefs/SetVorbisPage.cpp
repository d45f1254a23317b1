// The Vorbis page: channels, rate and quality of Ogg Vorbis recordings, and Vorbis as the default type.
#include <cstdio>
#include <string>

#include "controls/HelpMaps.h"
#include "files/OggVorbisFile.h"
#include "prefs/FormatList.h"
#include "prefs/PageText.h"
#include "prefs/SetMp3.h"
#include "prefs/SetVorbis.h"

std::string VorbisRateText(long bitrate)
{
    char text[80];
    std::snprintf(text, sizeof text, "%.3f MB/min    %ld kbit/sec", bitrate / 8.0 * 60.0 / 1048576.0,
                  (bitrate + 499) / 1000);
    return text;
}

namespace {
constexpr int kPageId = 3860;
}

DEFINE_RESPONSE_TABLE2(TSetVorbis, ContextHelpWin, OWL::TPropertyPage)
EV_BN_CLICKED(3862, Refresh),
EV_BN_CLICKED(3863, Refresh),
EV_CBN_SELCHANGE(3865, EvRateChange),
EV_CBN_EDITCHANGE(3865, EvRateChange),
EV_MESSAGE(UM_UPDATE_FORMATS, EvUpdateFormats),
EV_BN_CLICKED(3870, EvDefaultType),
EV_WM_HSCROLL,
END_RESPONSE_TABLE

TSetVorbis::TSetVorbis(OWL::TPropertySheet* sheet, int* sharedFormat_)
    : OWL::TPropertyPage(sheet, kPageId), SMsg(this), ContextHelpWin(sheet, SetVorbisHelpMap, SetVorbisHelpContext),
      sharedFormat(sharedFormat_)
{
    Flags |= PSP_HASHELP;
    rate = new OWL::TComboBox(this, 3865);
    byteRate = new OWL::TStatic(this, 3867);
    mono = new OWL::TRadioButton(this, 3862);
    stereo = new OWL::TRadioButton(this, 3863);
    defaultType = new OWL::TCheckBox(this, 3870);
    quality = new OWL::THSlider(this, 3871);
    qualityNumber = new OWL::TStatic(this, 3875);
}

void TSetVorbis::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    for (const char* r : {"8000", "11025", "16000", "22050", "24000", "32000", "44100", "48000"}) {
        rate->AddString(r);
    }
    rate->SetText(std::to_string(VorSampleRate).c_str());
    (VorStereo ? stereo : mono)->Check();
    defaultType->SetCheck(DefaultAudioFormat == 3 ? BST_CHECKED : BST_UNCHECKED);
    quality->SetRange(0, 11);
    quality->SetRuler(1);
    quality->SetPosition(VorQ + 1);
    qualityNumber->SetText(std::to_string(quality->GetPosition() - 1).c_str());
    Refresh();
}

void TSetVorbis::Refresh()
{
    channels = stereo->IsChecked() ? 2 : 1;
    qualityValue = quality->GetPosition() - 1;
    sampleRate = static_cast<int>(ControlNumber(*rate, 9));
    ShowRate();
}

void TSetVorbis::ShowRate()
{
    const long bitrate = VorbisQualityToBitrate(qualityValue, sampleRate, channels);
    byteRate->SetText(VorbisRateText(bitrate).c_str());
    byteRateValue = bitrate / 8;
}

void TSetVorbis::EvRateChange()
{
    PumpWaitingMessages();
    PostMessage(UM_UPDATE_FORMATS);
}

LRESULT TSetVorbis::EvUpdateFormats(WPARAM, LPARAM)
{
    Refresh();
    return 0;
}

void TSetVorbis::EvDefaultType()
{
    if (sharedFormat) {
        *sharedFormat = defaultType->IsChecked() ? 3 : 0;
    }
}

void TSetVorbis::EvHScroll(UINT code, UINT thumb, HWND)
{
    DefaultProcessing();
    if (code == SB_THUMBTRACK) {
        qualityNumber->SetText(std::to_string(static_cast<int>(thumb) - 1).c_str());
        return;
    }
    qualityNumber->SetText(std::to_string(quality->GetPosition() - 1).c_str());
    Refresh();
}

int TSetVorbis::SetActive(OWL::TPshNotify&)
{
    defaultType->SetCheck(sharedFormat && *sharedFormat == 3 ? BST_CHECKED : BST_UNCHECKED);
    return 0;
}

int TSetVorbis::Apply(OWL::TPshNotify& notify)
{
    Refresh();
    if (sampleRate < 1 || sampleRate > 100000) {
        ShowMessage(3400, MB_ICONSTOP);
        pageValid = false;
        return OWL::TPropertyPage::Apply(notify);
    }
    pageValid = true;
    VorSampleRate = sampleRate;
    if (sharedFormat) {
        DefaultAudioFormat = *sharedFormat;
    }
    VorStereo = channels == 2;
    VorQ = qualityValue;
    VorByteRate = static_cast<int>(byteRateValue);
    return OWL::TPropertyPage::Apply(notify);
}

bool TSetVorbis::CanClose() { return RatePageCanClose(*this, pageValid, *rate) && OWL::TPropertyPage::CanClose(); }
