// TAppDialog: construction, set-up, the response table, close and destruction,
// and the guard that holds engine messages back while a stop or copy runs.
#include "recorder/AppDialog.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "app/FormatBuffers.h"
#include "app/StartOptions.h"
#include "controls/CoolButton.h"
#include "controls/HelpMaps.h"
#include "controls/RCButton.h"
#include "controls/SMeter.h"
#include "files/RecFile.h"
#include "owl/Application.h"
#include "owl/Tooltip.h"
#include "platform/kernel/HeldFile.h"
#include "platform/kernel/Modules.h"
#include "platform/user/Keyboard.h"
#include "recorder/EngineBusy.h"
#include "recorder/PrivateMessages.h"
#include "settings/CodecDrivers.h"
#include "settings/Settings.h"
#include "settings/TimerSchedule.h"
#include "settings/TimerSettings.h"

char CurrentFileName[260] = "";

namespace {
bool g_bufferTrace = false;

constexpr int kThresholdSlider = 110;
constexpr int kPositionSlider = 158;
constexpr int kLevelMeter = 116;
constexpr int kSliderFrame = 157;
// The transport buttons latch as one group; the two seek buttons repeat while held.
constexpr int kGroupFirst = 150;
constexpr int kGroupLast = 154;
constexpr int kRepeatMs = 200;
constexpr int kMeterTop = 100;
constexpr int kLedSpacing = 5;
constexpr int kLedThickPercent = 80;

// Bitmaps of the transport buttons, in the order Record, Stop, Play, Rewind, Forward.
struct ButtonFaces {
    int normal;
    int down;
    int disabled;
};
constexpr ButtonFaces kButtonFaces[] = {
    {705, 704, 719}, {701, 702, 714}, {700, 703, 718}, {707, 706, 712}, {709, 708, 713},
};
}

DEFINE_RESPONSE_TABLE2_WITH_PART(TAppDialog, OWL::TDialog, ContextHelpWin, CommandEntries)
EV_WM_CLOSE,
EV_COMMAND(IDOK, CmNothing),
EV_COMMAND(IDCANCEL, CmNothing),
EV_COMMAND(103, CmNothing),
EV_COMMAND(150, CmRecord),
EV_COMMAND(154, CmStop),
EV_COMMAND(151, play),
EV_BN_DOUBLECLICKED(151, BnPlayDoubleClick),
EV_COMMAND(152, BnRewind),
EV_COMMAND(153, BnFastForward),
EV_COMMAND(25000, CmTogglePlay),
EV_COMMAND(25210, CmPlayAtSpeed),
EV_COMMAND(24339, CmStopAndSave),
EV_COMMAND_ENABLE(24339, CeStopAndSave),
EV_MESSAGE(WM_TIMER, evtimer),
EV_MESSAGE(MM_WOM_DONE, EvWomDone),
EV_MESSAGE(UM_SEEK, EvSeekMessage),
EV_MESSAGE(UM_TOGGLE_RECORD, EvToggleRecord),
EV_MESSAGE(UM_TOGGLE_PLAY, CmTogglePlay),
EV_MESSAGE(UM_STOP_AND_SAVE, EvStopAndSave),
EV_MESSAGE(UM_STOP_AND_PLAY, EvStopAndPlay),
EV_MESSAGE(UM_STOP_AND_RECORD, EvRecordAgain),
EV_MESSAGE(UM_REPEAT_REWIND, BnRewind),
EV_MESSAGE(UM_REPEAT_FORWARD, BnFastForward),
EV_CHILD_NOTIFY_ALL_CODES(kThresholdSlider, EvThresholdSlider),
EV_WM_HSCROLL,
EV_MESSAGE(MM_WIM_DATA, EvWimData),
EV_MESSAGE(UM_RESTART_INPUT, EvRestartInput),
EV_MESSAGE(UM_NEXT_FILE, EvNextFileMessage),
EV_MESSAGE(UM_STOP, EvStopPlayback),
EV_MESSAGE(UM_NEXT_FILE_AFTER_SILENCE, EvSilenceNextFile),
EV_MESSAGE(UM_ENGINE_REPORT, EvEngineReport),
EV_MESSAGE(UM_FILE_GONE, EvFileGone),
END_RESPONSE_TABLE

TAppDialog::TAppDialog(OWL::TWindow* parent, LPCSTR resource, OWL::TModule* module)
    : OWL::TDialog(parent, resource, module),
      SMsg(this),
      ContextHelpWin(parent, AppDialogHelpMap, AppDialogHelpContext),
      fileData(OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES,
               "Audio files (*.wav,*.mp3)|*.wav;*.mp3|Wave files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|Vorbis files "
               "(*.ogg)|*.ogg|",
               nullptr, nullptr, "wav")
{
    recordButton = new CoolButton(this, 150, kGroupFirst, kGroupLast);
    stopButton = new CoolButton(this, 154, kGroupFirst, kGroupLast);
    playButton = new CoolButton(this, 151, kGroupFirst, kGroupLast);
    rewindButton = new RCButton(this, 152, kRepeatMs, UM_REPEAT_REWIND);
    forwardButton = new RCButton(this, 153, kRepeatMs, UM_REPEAT_FORWARD);
    levelMeter = new SMeter(this, kLevelMeter);
    thresholdSlider = new OWL::TVSlider(this, kThresholdSlider, 0, 0, 32, 60, 32001);
    positionSlider = new OWL::THSlider(this, kPositionSlider, 0, 0, 200, 20, 32000);
    thresholdText = new OWL::TStatic(this, 113, 5);
    levelText = new OWL::TStatic(this, 114, 5);
    segmentText = new OWL::TStatic(this, 156);
    timeText = new OWL::TStatic(this, 155);
    sampleText = new OWL::TStatic(this, 159);
    sizeText = new OWL::TStatic(this, 169);
    formatText = new OWL::TStatic(this, 180);
    directoryText = new OWL::TStatic(this, 181);

    SetAcmEnabled(!StartOptions.NoCompression);
    if (AcmEnabled()) {
        DWORD largest = 0;
        if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest) == MMSYSERR_NOERROR && largest >= sizeof(WAVEFORMATEX)) {
            MaxFormatSize = static_cast<int>(largest);
        }
    } else {
        MaxFormatSize = sizeof(WAVEFORMATEX);
    }
    // Every record a file or the settings may hold fits, whatever the manager reports.
    fileFormatBuffer.assign(std::max<std::size_t>(MaxFormatSize, MaxWaveFormatSize), 0);
    fileFormat = reinterpret_cast<WAVEFORMATEX*>(fileFormatBuffer.data());
    fileFormat->cbSize = static_cast<WORD>(std::max(MaxFormatSize - 18, 0));
    deviceFormat = MakePcmFormat(1, 22050, 16);

    kernelModule = LoadLibraryA("Kernel32.Dll");
    freeSpaceAvailable = kernelModule && GetProcAddress(kernelModule, "GetDiskFreeSpaceExA");
}

TAppDialog::~TAppDialog()
{
    // No device may keep filling buffers that go with this object.
    if (waveIn || waveOut) {
        bnstop();
    }
    Destroy();
    ForgetCurrentFile();
    DropHistoryFile();
    FreeBuffers();
    delete schedule;
    if (kernelModule) {
        FreeLibrary(kernelModule);
    }
    Trace("program closed");
}

void TAppDialog::SetupWindow()
{
    OWL::TDialog::SetupWindow();
    EnumMp3Codecs();
    CoolButton* transport[] = {recordButton, stopButton, playButton, rewindButton, forwardButton};
    for (std::size_t i = 0; i < std::size(kButtonFaces); ++i) {
        transport[i]->SetBitmap(kButtonFaces[i].normal, 0);
        transport[i]->SetBitmap(kButtonFaces[i].down, 1);
        transport[i]->SetBitmap(kButtonFaces[i].disabled, 2);
        transport[i]->SetBitmapOnly(true);
    }
    Latch(stopButton);

    // The threshold slider stands beside the level meter, the position slider over its frame.
    RECT meter{};
    if (HWND m = GetDlgItem(kLevelMeter)) {
        ::GetWindowRect(m, &meter);
        POINT at{meter.left, meter.top};
        ::ScreenToClient(Handle, &at);
        thresholdSlider->SetWindowPos(nullptr, at.x + (meter.right - meter.left) + 2, at.y, 32, meter.bottom - meter.top,
                                      SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    levelMeter->SetRange(0, kMeterTop);
    levelMeter->SetLed(kLedSpacing, kLedThickPercent);
    thresholdSlider->SetRange(0, 100);
    thresholdSlider->SetPosition(100 - SoundLevel);
    SetDlgItemInt(Handle, 113, static_cast<UINT>(SoundLevel), FALSE);
    if (HWND frame = GetDlgItem(kSliderFrame)) {
        RECT r{};
        ::GetWindowRect(frame, &r);
        POINT at{r.left, r.top};
        ::ScreenToClient(Handle, &at);
        positionSlider->SetWindowPos(nullptr, at.x, at.y, r.right - r.left, r.bottom - r.top,
                                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    positionSlider->SetRange(0, 1000);
    positionSlider->SetPosition(0);
    if (OWL::TTooltip* tips = Tooltips()) {
        const std::pair<int, int> tools[] = {{150, 905}, {151, 906}, {154, 907}, {152, 908}, {153, 909}};
        for (const auto& [control, text] : tools) {
            if (HWND h = GetDlgItem(control)) {
                tips->AddTool(h, MAKEINTRESOURCEA(text));
            }
        }
    }

    initdat();
    CheckDefaultDirectory();
    if (!schedule) {
        schedule = new TimerSchedule(TimerSettings);
    }
    spintimer();
    if (CurrentFileName[0]) {
        char name[sizeof CurrentFileName];
        std::memcpy(name, CurrentFileName, sizeof name);
        openfile(name, -1);
    }
    if (StartOptions.RunHidden && CurrentFileName[0] && currentFile && currentFile->IsOpen()) {
        SetTimer(TIMER_QUIT, 1000);
    }
    Trace("program started");
}

OWL::TTooltip* TAppDialog::Tooltips() const
{
    OWL::TApplication* app = GetApplication();
    return app ? app->GetTooltip() : nullptr;
}

bool TAppDialog::PreProcessMsg(MSG& msg)
{
    if (OWL::TTooltip* tips = Tooltips(); tips && tips->GetHandle()) {
        tips->RelayEvent(msg);
    }
    if (msg.message == WM_SYSKEYDOWN && (msg.wParam == 'N' || msg.wParam == 'V')) {
        HWND target = (msg.wParam == 'N' ? static_cast<OWL::TWindow*>(positionSlider) : thresholdSlider)->GetHandle();
        ::PostMessage(Handle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
        return true;
    }
    return OWL::TDialog::PreProcessMsg(msg);
}

void TAppDialog::EvClose()
{
    if (recording) {
        stop();
    }
    if (Parent) {
        Parent->CloseWindow();
    }
}

void TAppDialog::EvThresholdSlider(UINT)
{
    SoundLevel = 100 - thresholdSlider->GetPosition();
    SetDlgItemInt(Handle, 113, static_cast<UINT>(SoundLevel), FALSE);
}

void TAppDialog::CmRecord()
{
    if (!DeferWhileBusy(WM_COMMAND, 150, 0)) {
        record();
    }
}

void TAppDialog::CmStop()
{
    if (!DeferWhileBusy(WM_COMMAND, 154, 0)) {
        stop();
    }
}

void TAppDialog::SetBufferTrace(bool on) { g_bufferTrace = on; }
bool TAppDialog::BufferTraceOn() { return g_bufferTrace; }

void TAppDialog::Trace(const char* text) { Warning(text); }

void TAppDialog::BufferTrace(const char* text)
{
    if (BufferTraceOn()) {
        WriteLog(text);
    }
}

bool TAppDialog::DeferWhileBusy(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (busyDepth == 0) {
        return false;
    }
    deferred.push_back(MSG{Handle, message, wParam, lParam, 0, {0, 0}});
    return true;
}

EngineBusy::EngineBusy(TAppDialog& d) : dialog(d) { ++dialog.busyDepth; }

EngineBusy::~EngineBusy()
{
    if (--dialog.busyDepth == 0 && !dialog.deferred.empty()) {
        std::vector<MSG> later;
        later.swap(dialog.deferred);
        for (const MSG& m : later) {
            ::PostMessage(m.hwnd, m.message, m.wParam, m.lParam);
        }
    }
}

void TAppDialog::ReplaceSchedule(TimerSchedule* fresh)
{
    delete schedule;
    schedule = fresh;
}
