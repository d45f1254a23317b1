#pragma once
// The File page, which edits section "File" of the settings (settings/FileSettings.h),
// with its example name and the estimate of what the limit holds.
#include <ctime>
#include <functional>
#include <string>

#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/core/WaveFormat.h"
#include "platform/registry/Registry.h"
#include "settings/FileSettings.h"

class TSetFile : public OWL::TPropertyPage, public ContextHelpWin {
public:
    // sharedFormat: the sheet's default file type, which the format pages change.
    TSetFile(OWL::TPropertySheet* sheet, int* sharedFormat);

    // Decides the default folder when none is stored and makes it current.
    static void Load(HKEY key, const char* iniPath) { LoadFileSettings(key, iniPath); }
    static void Save(HKEY key, const char* iniPath) { SaveFileSettings(key, iniPath); }

    void SetupWindow() override;
    int Apply(OWL::TPshNotify& notify) override;

    void CmEditPattern();
    void CmBrowse();
    void ShowTotalTime();
    void ShowExampleName();

protected:
    void EvPatternRadio();
    void EvPromptRadio();
    void EvUnitCommand(UINT code);
    LRESULT EvUnitChanged(WPARAM, LPARAM);

private:
    int SharedFormat() const;
    bool MinuteUnit() const;

    OWL::TRadioButton* loop;
    OWL::TRadioButton* stop;
    OWL::TRadioButton* newFile;
    OWL::TRadioButton* noAction;
    OWL::TEdit* size;
    OWL::TStatic* estimate;
    OWL::TUpDown* upDown;
    OWL::TButton* browse;
    OWL::TStatic* folder;
    OWL::TStatic* example;
    OWL::TCheckBox* autoName;
    OWL::TRadioButton* prompt;
    OWL::TRadioButton* pattern;
    OWL::TComboBox* unit;
    OWL::TStatic* estimateLabel;
    char workPattern[260] = "";
    int* sharedFormat;
    int workLHMode = 0;

    DECLARE_RESPONSE_TABLE(TSetFile)
};

// Where the estimate takes the main window's recording format from (none: no format).
void SetRecordingFormatSource(std::function<const WAVEFORMATEX*()> source);

// The example name the page shows for its working pattern and flags.
std::string FileExampleName(const char* pattern, int lhMode, int fileType, std::time_t when);
// Bytes per second of the default format for the estimate: the shared default
// file type's format, else currentRate (the recorder's format, 0 when none),
// else (1 + Resolution) x SampleRate.
long DefaultFormatBytesPerSecond(int fileType, long currentRate);
// The estimate's label and value: minutes the megabyte limit lasts, or the size
// a minute limit reaches. False (texts untouched) when the rate is 0.
bool FileLimitEstimate(float limit, float bytesPerSecond, bool minuteUnit, std::string* label, std::string* value);
