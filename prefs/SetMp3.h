#pragma once
// The MP3 page, which edits section "Mp3" of the settings (settings/Mp3Settings.h).
#include "app/SMsg.h"
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/core/WaveFormat.h"
#include "platform/registry/Registry.h"
#include "prefs/FormatList.h"
#include "settings/Mp3Settings.h"

class TSetMp3 : public OWL::TPropertyPage, public SMsg, public ContextHelpWin {
public:
    TSetMp3(OWL::TPropertySheet* sheet, int* sharedFormat, bool conversionCheck);

    // Also hands the tag flag to the MP3 file layer.
    static void Load(HKEY key, const char* iniPath) { LoadMp3Settings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveMp3Settings(key, iniPath); }

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
    OWL::TComboBox* rate;
    OWL::TStatic* byteRate;
    OWL::TRadioButton* mono;
    OWL::TRadioButton* stereo;
    OWL::TComboBox* compression;
    OWL::TStatic* compressionLabel;
    OWL::TCheckBox* defaultType;
    OWL::TCheckBox* tags;
    int* sharedFormat;
    bool pageValid = true;
    // The list no longer shows the page's formats: a rate was typed, or Apply emptied it.
    bool refreshDue = false;
    FormatList formats;

    DECLARE_RESPONSE_TABLE(TSetMp3)
};
