// The File page: size limit and the action at it, naming by pattern or category, and the recording folder.
#include <string>

#include "app/FormatBuffers.h"
#include "controls/DirPick.h"
#include "controls/HelpMaps.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Clock.h"
#include "prefs/PageText.h"
#include "prefs/PatternDialog.h"
#include "prefs/SetFile.h"
#include "prefs/SetMp3.h"

namespace {
constexpr UINT UM_UNIT_CHANGED = WM_USER + 1033;

std::function<const WAVEFORMATEX*()>& RecordingFormatSource()
{
    static std::function<const WAVEFORMATEX*()> source;
    return source;
}
}

void SetRecordingFormatSource(std::function<const WAVEFORMATEX*()> source) { RecordingFormatSource() = std::move(source); }

DEFINE_RESPONSE_TABLE2(TSetFile, ContextHelpWin, OWL::TPropertyPage)
EV_BN_CLICKED(25802, CmEditPattern),
EV_BN_CLICKED(4206, EvPatternRadio),
EV_BN_CLICKED(102, EvPromptRadio),
EV_EN_CHANGE(164, ShowTotalTime),
EV_CHILD_NOTIFY_ALL_CODES(101, EvUnitCommand),
EV_MESSAGE(UM_UNIT_CHANGED, EvUnitChanged),
EV_BN_CLICKED(200, CmBrowse),
END_RESPONSE_TABLE

TSetFile::TSetFile(OWL::TPropertySheet* sheet, int* sharedFormat_)
    : OWL::TPropertyPage(sheet, 272), ContextHelpWin(sheet, SetFileHelpMap, SetFileHelpContext), sharedFormat(sharedFormat_)
{
    Flags |= PSP_HASHELP;
    loop = new OWL::TRadioButton(this, 227);
    stop = new OWL::TRadioButton(this, 163);
    newFile = new OWL::TRadioButton(this, 222);
    noAction = new OWL::TRadioButton(this, 188);
    size = new OWL::TEdit(this, 164);
    size->SetValidator(new OWL::TRangeValidator(0, 9999));
    estimate = new OWL::TStatic(this, 165);
    upDown = new OWL::TUpDown(this, 167, size);
    browse = new OWL::TButton(this, 200);
    folder = new OWL::TStatic(this, 199);
    example = new OWL::TStatic(this, 104);
    autoName = new OWL::TCheckBox(this, 194);
    prompt = new OWL::TRadioButton(this, 102);
    pattern = new OWL::TRadioButton(this, 4206);
    unit = new OWL::TComboBox(this, 101);
    estimateLabel = new OWL::TStatic(this, 183);
}

int TSetFile::SharedFormat() const { return sharedFormat ? *sharedFormat : DefaultAudioFormat; }

bool TSetFile::MinuteUnit() const { return EqualsNoCase(ControlText(*unit, 28), "min"); }

void TSetFile::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    (FileAction == 3 ? newFile : FileAction == 2 ? stop : FileAction == 1 ? loop : noAction)->Check();
    workLHMode = LHMode;
    upDown->SetRange(1, 9999);
    size->SetText(std::to_string(FileSize).c_str());
    unit->AddString("MB");
    unit->SetSelIndex(0);
    upDown->SetPos(FileSize & 0xFFFF);
    ShowTotalTime();
    autoName->SetCheck(AutoName ? BST_CHECKED : BST_UNCHECKED);
    pattern->SetCheck(AutoPrompt ? BST_UNCHECKED : BST_CHECKED);
    prompt->SetCheck(AutoPrompt ? BST_CHECKED : BST_UNCHECKED);
    platform::CopyBounded(workPattern, sizeof workPattern, ImprovedFilePrefix);
    ShowExampleName();
    folder->SetText(DefaultDirectory);
}

void TSetFile::EvPatternRadio()
{
    pattern->Check();
    prompt->Uncheck();
}

void TSetFile::EvPromptRadio()
{
    pattern->Uncheck();
    prompt->Check();
}

void TSetFile::EvUnitCommand(UINT) { PostMessage(UM_UNIT_CHANGED); }

LRESULT TSetFile::EvUnitChanged(WPARAM, LPARAM)
{
    ShowTotalTime();
    return 0;
}

void TSetFile::ShowTotalTime()
{
    const WAVEFORMATEX* current = RecordingFormatSource() ? RecordingFormatSource()() : nullptr;
    const long rate = DefaultFormatBytesPerSecond(SharedFormat(), current ? static_cast<long>(current->nAvgBytesPerSec) : 0);
    std::string label, value;
    if (FileLimitEstimate(static_cast<float>(ControlNumber(*size, 28)), static_cast<float>(rate), MinuteUnit(), &label, &value)) {
        estimateLabel->SetText(label.c_str());
        estimate->SetText(value.c_str());
    }
}

void TSetFile::ShowExampleName()
{
    example->SetText(
        FileExampleName(workPattern, workLHMode, SharedFormat(), static_cast<std::time_t>(platform::NowSeconds())).c_str());
}

void TSetFile::CmEditPattern()
{
    char copy[260];
    platform::CopyBounded(copy, sizeof copy, workPattern);
    TPatternDialog dialog(this, copy, SharedFormat(), &workLHMode);
    if (dialog.Execute() == IDOK) {
        platform::CopyBounded(workPattern, sizeof workPattern, copy);
        ShowExampleName();
    }
}

void TSetFile::CmBrowse()
{
    // Starts from the one in the folder box, so Cancel and a folder too long to take leave that one.
    char chosen[sizeof DefaultDirectory];
    platform::CopyBounded(chosen, sizeof chosen, ControlText(*folder, 259));
    OWL::TOpenSaveDialog::TData data(OFN_HIDEREADONLY, nullptr, nullptr, DefaultDirectory);
    TDirPick pick(this, chosen, sizeof chosen, data, TDirPick::kTemplate, "Choose directory");
    if (pick.Execute() == IDOK) {
        folder->SetText(chosen);
    }
}

int TSetFile::Apply(OWL::TPshNotify& notify)
{
    LHMode = workLHMode;
    FileAction = loop->IsChecked() ? 1 : stop->IsChecked() ? 2 : newFile->IsChecked() ? 3 : 0;
    FileLimitKind = MinuteUnit() ? 1 : 0;
    long long limit = ControlNumber(*size, 8);
    if (limit < 1) {
        limit = 1;
    }
    (FileLimitKind ? FileMinutes : FileSize) = static_cast<int>(limit);
    AutoName = autoName->IsChecked();
    AutoPrompt = prompt->IsChecked();
    platform::CopyBounded(ImprovedFilePrefix, sizeof ImprovedFilePrefix, workPattern);
    platform::CopyBounded(DefaultDirectory, sizeof DefaultDirectory, ControlText(*folder, 259));
    return OWL::TPropertyPage::Apply(notify);
}
