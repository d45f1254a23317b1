#pragma once
// The Vorbis page, which edits section "Vorbis" of the settings (settings/VorbisSettings.h).
#include <string>

#include "app/SMsg.h"
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/Slider.h"
#include "owl/StandardControls.h"
#include "platform/registry/Registry.h"
#include "settings/VorbisSettings.h"

// The rate text of the page for a nominal bit rate: "%.3f MB/min    %ld kbit/sec".
std::string VorbisRateText(long bitrate);

class TSetVorbis : public OWL::TPropertyPage, public SMsg, public ContextHelpWin {
public:
    TSetVorbis(OWL::TPropertySheet* sheet, int* sharedFormat);

    static void Load(HKEY key, const char* iniPath) { LoadVorbisSettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveVorbisSettings(key, iniPath); }

    void SetupWindow() override;
    int SetActive(OWL::TPshNotify& notify) override;
    int Apply(OWL::TPshNotify& notify) override;
    bool CanClose() override;

protected:
    // Reads the controls into the working values, then shows the rate.
    void Refresh();
    void ShowRate();
    void EvRateChange();
    LRESULT EvUpdateFormats(WPARAM, LPARAM);
    void EvDefaultType();
    void EvHScroll(UINT code, UINT thumb, HWND control);

private:
    OWL::TComboBox* rate;
    OWL::TStatic* byteRate;
    OWL::TRadioButton* mono;
    OWL::TRadioButton* stereo;
    OWL::TCheckBox* defaultType;
    OWL::THSlider* quality;
    OWL::TStatic* qualityNumber;
    int* sharedFormat;
    bool pageValid = true;
    long byteRateValue = 0;  // bytes/s
    int qualityValue = 0;    // -1..10
    int channels = 1;
    int sampleRate = 0;

    DECLARE_RESPONSE_TABLE(TSetVorbis)
};
