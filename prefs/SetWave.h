#pragma once
// The Wave page, which edits section "Wave" of the settings (settings/WaveSettings.h).
#include "app/SMsg.h"
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/core/Types.h"
#include "platform/registry/Registry.h"
#include "prefs/FormatList.h"
#include "settings/WaveSettings.h"

class TSetWave : public OWL::TPropertyPage, public SMsg, public ContextHelpWin {
public:
    // sharedFormat: the sheet's default file type (may be null); conversionCheck: list
    // only formats a stream can make from the page's PCM source.
    TSetWave(OWL::TPropertySheet* sheet, int* sharedFormat, bool conversionCheck);

    // From the INI file when iniPath is set and not empty, else from the key.
    static void Load(HKEY key, const char* iniPath) { LoadWaveSettings(key, iniPath); }
    // To the key when it is open, else to the INI file.
    static void Save(HKEY key, const char* iniPath) { SaveWaveSettings(key, iniPath); }

    void SetupWindow() override;
    int SetActive(OWL::TPshNotify& notify) override;
    int Apply(OWL::TPshNotify& notify) override;
    bool CanClose() override;

    void updateformats();
    void ShowRate();

protected:
    void EvRateChange();
    void EvDefaultType();
    LRESULT EvShowRate(WPARAM, LPARAM);
    LRESULT EvUpdateFormats(WPARAM, LPARAM);

private:
    WAVEFORMATEX PcmFromControls() const;

    OWL::TComboBox* rate;
    OWL::TStatic* byteRate;
    OWL::TRadioButton* bits8;
    OWL::TRadioButton* bits16;
    OWL::TRadioButton* mono;
    OWL::TRadioButton* stereo;
    OWL::TComboBox* compression;
    OWL::TStatic* compressionLabel;
    OWL::TCheckBox* defaultType;
    int* sharedFormat;
    bool pageValid = true;
    // The list no longer shows the page's formats: a rate was typed, or Apply emptied it.
    bool refreshDue = false;
    FormatList formats;

    DECLARE_RESPONSE_TABLE(TSetWave)
};
