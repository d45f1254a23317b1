#pragma once
// TAppDialog: the main window and the audio engine in one object. It owns the
// recorder panel's controls, the five audio buffers and the wave devices, the
// current recording file, sound activation, the status line and the file limits.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/SMsg.h"
#include "controls/ContextHelpWin.h"
#include "files/MediaFile.h"
#include "owl/CommandEnabler.h"
#include "owl/Dialog.h"
#include "owl/OpenSaveDialog.h"
#include "owl/Slider.h"
#include "owl/StandardControls.h"
#include "platform/acm/Acm.h"
#include "platform/tempo/TimeStretch.h"
#include "platform/user/GlobalMemory.h"
#include "platform/wave/Wave.h"
#include "recorder/FileLimits.h"
#include "recorder/SoundGate.h"

class CoolButton;
class RCButton;
class RecFile;
class SMeter;
class TimerSchedule;
namespace OWL {
class TTooltip;
}

// The full path of the file the main window works on.
extern char CurrentFileName[260];

constexpr int kAudioBufferCount = 5;
// The smallest data and conversion block; larger formats get blocks of a fifth of a second.
constexpr DWORD kAudioBlockBytes = 45000;

// One of the five buffers that recording and playback share. While recording the
// wave header's dwUser holds the buffer's index; while playing, the file position
// after its block.
struct AudioBuffer {
    HGLOBAL headerHandle = nullptr;
    WAVEHDR* header = nullptr;
    HGLOBAL dataHandle = nullptr;
    LPSTR data = nullptr;
    // dwUser 1: handed to the converter and not yet collected; dwSrcUser 1: it began
    // a burst; dwDstUser: the wall-clock time its buffer arrived.
    ACMSTREAMHEADER* conversion = nullptr;
};

// A fifth of a second of a format in whole blocks, and never below the standard block.
DWORD AudioBlockBytes(const WAVEFORMATEX& format);
class TProgress;
namespace platform {
class HeldFile;
}

class TAppDialog : public OWL::TDialog, public SMsg, public ContextHelpWin {
public:
    // Conversion modes of the compression stream.
    enum { ModeNone = 0, ModeEncode = 1, ModeDecode = 2 };

    TAppDialog(OWL::TWindow* parent, LPCSTR resource = "IDD_TAPP", OWL::TModule* module = nullptr);
    ~TAppDialog() override;

    void SetupWindow() override;
    bool PreProcessMsg(MSG& msg) override;
    bool CanClose() override;

    // Wave input and audio buffers.
    bool initdat();
    void FreeBuffers();
    void record();
    void stop();
    void bnstop();
    void ReportInputError(int messageId, bool stopAfter);

    // Levels and sound activation.
    DWORD PeakLevel(const void* data, DWORD bytes) const;
    void ShowLevel(DWORD peaks);
    void SetSegmentOpen(bool open);

    // Playback and seeking.
    void play();
    void bnplay();
    DWORD ReadPlayData(void* destination);
    void ConvertPlayData(int index);
    void mmoutdata(int index);
    void StartPlayTimer(UINT milliseconds);
    void PlayTimerStep();
    // unit: 0 minute, 1 second, 2 segment, 3 comment.
    void SeekStep(int unit, bool forward, std::int64_t count);
    void BnRewind();
    void BnFastForward();

    // Timers and the schedule poll.
    void spintimer();
    LRESULT evtimer(WPARAM id, LPARAM);

    // Status line, seeking and file limits.
    void position(DWORD pos, bool updateSlider);
    void ShowPositionTime(DWORD pos);
    void ShowSegmentNumber(DWORD pos);
    void ShowFileSize();
    void ShowDiskSpace();
    void ShowPlayPosition(const WAVEHDR* header);
    void SeekBackMarker(bool toMarker);
    void SeekNextMarker(bool toMarker);
    LRESULT EvNextFile(WPARAM wParam, LPARAM lParam);

    // Opening and naming.
    bool CheckDefaultDirectory();
    bool MakeRecordFileName(const char* pattern, char* out, bool temporary, int fileType);
    bool BuildFileName(const char* pattern, char* out, bool temporary, const char* extension);
    bool openfile(const char* name, int fileType);
    // A new file object of the type (the name's ending decides), opened; owned by the caller.
    MediaFile* OpenMediaFile(const char* name, const WAVEFORMATEX* format, DWORD openFlags, int fileType);
    void ShowFormatText();
    bool DropFileAfterFailure();
    void UpdateCaption(const char* name, bool bracket);

    // Compression-manager streams.
    bool acmopen(bool suggest, int mode);
    void CloseAcmStream();

    // Saving, closing and reordering.
    bool savefile(const char* newName, bool closeAfter);
    bool filecanclose();
    // The session ends: stop, update and close the file without a question; a
    // recording under a generated name is kept.
    void EndSession();
    bool ReorderFile();
    // Whether bytes fit on the file system of folder (null: the recording's).
    bool HasDiskSpace(std::uint64_t bytes, const char* folder);

    // Commands of the menu, the accelerators and other programs.
    void CmFileNew();
    void CmFileNewWave();
    void CmFileNewMp3();
    void CmFileNewVorbis();
    void CmFileOpen();
    void CmFileSave();
    void CmFileSaveAs();
    void CmComment();
    void CmEndComment();
    void CmDeleteComment();
    void CmSpeedUp();
    void CmSlowDown();
    void CmToggleWinClip();
    void CeRecord(OWL::TCommandEnabler& enabler);
    void CeFileSave(OWL::TCommandEnabler& enabler);
    void CeFileHasData(OWL::TCommandEnabler& enabler);
    void CePlayAtSpeed(OWL::TCommandEnabler& enabler);
    void CeToggleWinClip(OWL::TCommandEnabler& enabler);
    LRESULT EvDeviceChange(WPARAM wParam, LPARAM lParam);
    LRESULT EvSyncFiles(WPARAM wParam, LPARAM lParam);
    // The position dialog (command 23002 and a double click on the time text), the
    // log, the settings change, and the play rate shown as the Play button's caption.
    void CmPositionDialog();
    void CeGoToPosition(OWL::TCommandEnabler& enabler);
    void EvLButtonDblClk(UINT modKeys, const OWL::TPoint& point);
    void CmViewLog();
    LRESULT EvSettingsChanged(WPARAM wParam, LPARAM lParam);
    void ShowPlayRate(bool on);
    // Before a seek a recording stops and a playback pauses; true when it was playing (it plays on after).
    bool PauseForSeek();

    // A whole recording to and from the clipboard, in the format of the current file's type.
    bool CopyFileToClipboard(const char* path);
    bool PasteClipboardToFile(const char* path);
    // The recording inputs of the wave-in device's mixer, as items of the frame's menu.
    void BuildInputMenu();
    void CmInputLine(UINT id);
    void CmInputLineIn();
    void CmInputMicrophone();
    void CeInputLine(OWL::TCommandEnabler& enabler);

    // State the commands, the frame and the tests read.
    MediaFile* GetCurrentFile() const { return currentFile; }
    bool IsRecording() const { return recording != 0; }
    bool IsInputOpen() const { return waveIn != nullptr; }
    HWAVEIN GetInputDevice() const { return waveIn; }
    bool IsOutputOpen() const { return waveOut != nullptr; }
    bool IsPlaying() const { return playing; }
    int GetSpeedMode() const { return speedMode; }
    DWORD GetPlayPosition() const { return playPosition; }
    const WAVEFORMATEX& GetDeviceFormat() const { return deviceFormat; }
    const WAVEFORMATEX* GetFileFormat() const { return fileFormat; }
    int GetConversionMode() const { return conversionMode; }
    HACMSTREAM GetConversionStream() const { return acmStream; }
    DWORD GetBufferCapacity() const { return bufferCapacity; }
    const AudioBuffer& GetBuffer(int index) const { return buffers[index]; }
    int GetRestartCount() const { return restartCount; }
    bool IsSoundOn() const { return SoundGate::IsSoundOn({hangOver}); }
    MediaFile* GetHistoryFile() const { return historyFile; }
    TimerSchedule* GetSchedule() const { return schedule; }
    // Takes fresh (built from the settings in force) in place of the schedule, which it deletes.
    void ReplaceSchedule(TimerSchedule* fresh);
    // Buffer traces reach the log only while this is on (a debugging aid, outside the warning budget).
    static void SetBufferTrace(bool on);

protected:
    LRESULT EvWimData(WPARAM wParam, LPARAM lParam);
    LRESULT EvRestartInput(WPARAM wParam, LPARAM lParam);
    LRESULT EvNextFileMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvStopPlayback(WPARAM wParam, LPARAM lParam);
    LRESULT EvSilenceNextFile(WPARAM wParam, LPARAM lParam);
    LRESULT EvEngineReport(WPARAM wParam, LPARAM lParam);
    // The recording's file lost its name (its folder was removed): stop, and rescue the take.
    LRESULT EvFileGone(WPARAM wParam, LPARAM lParam);
    LRESULT EvWomDone(WPARAM wParam, LPARAM lParam);
    void PlayBufferDone(WAVEHDR* header, int index);
    LRESULT EvSeekMessage(WPARAM wParam, LPARAM lParam);
    LRESULT EvToggleRecord(WPARAM wParam, LPARAM lParam);
    void CmTogglePlay();
    LRESULT CmTogglePlay(WPARAM wParam, LPARAM lParam);
    LRESULT EvStopAndSave(WPARAM wParam, LPARAM lParam);
    LRESULT EvStopAndPlay(WPARAM wParam, LPARAM lParam);
    LRESULT EvRecordAgain(WPARAM wParam, LPARAM lParam);
    LRESULT BnRewind(WPARAM wParam, LPARAM lParam);
    LRESULT BnFastForward(WPARAM wParam, LPARAM lParam);
    void BnPlayDoubleClick();
    void CmStopAndSave();
    void CeStopAndSave(OWL::TCommandEnabler& enabler);
    void CmPlayAtSpeed();
    void EvClose();
    void EvHScroll(UINT code, UINT thumb, HWND control);
    void EvThresholdSlider(UINT code);
    void CmRecord();
    void CmStop();
    void CmNothing() {}

private:
    friend class EngineBusy;
    // The command entries of the table, kept with their handlers.
    static const std::vector<OWL::TResponseTableEntry<TAppDialog>>& CommandEntries();
    // File New of a type (-1 the default): stops, asks, opens, and records again when it was recording.
    void NewFile(int fileType);
    // While playing, a new rate makes the speed mode 1 and shows on the Play button.
    void SetPlayRate(float rate);
    enum class CopyOutcome { Done, Cancelled, Failed, NoInput, NoOutput };
    enum class NameChoice { Chosen, Keep, Discard };

    OWL::TTooltip* Tooltips() const;

    // Input.
    bool BuffersReady() const;
    bool EnsureBufferCapacity(DWORD bytes, DWORD dstBytes);
    DWORD InputBufferLength() const;
    bool QueueInputBuffers(bool reportFailures);
    void RequeueInputBuffer(WAVEHDR* header);
    void ProcessInputBuffer(WAVEHDR* header);
    void RequestInputRestart();
    void FlushInput();
    // After waveInStop: takes in what the device still holds, buffer after buffer.
    void DrainInput();
    // When the audio of a buffer whose last byte is `bytes` past what was taken in was heard.
    __time64_t CaptureTime(DWORD bytes);
    void NoteInputGap(std::uint64_t lostBytes, __time64_t after);
    void CloseInput(bool report);
    void CloseOutput();
    void EndPlayAtSpeed();
    void Report(int messageId);
    // A write failed: nothing more is written, and the recording ends once after the handler returns.
    void StopOnFailure(int messageId);
    void PostToFrame(UINT message);

    // Sound activation and writing.
    // peaks: PeakLevel of the data, taken once for sound activation and the meter.
    void mmdata(int thresholdPercent, const void* data, DWORD bytes, DWORD peaks, MediaFile* file, int index,
                int& hangOverCount, int& talkOffCount, int& loudCount, __time64_t arrived);
    // mmdata's steps: the gate and what its decision asks, the conversion due at this index,
    // and the buffer written directly or handed to the converter.
    SoundGate::Decision AdvanceSoundGate(int thresholdPercent, DWORD peaks, MediaFile* file, int& hangOverCount,
                                         int& talkOffCount, int& loudCount);
    void CollectDueConversion(MediaFile* file, int index);
    void WriteBuffer(MediaFile* file, const void* data, DWORD bytes, int index, bool started, __time64_t arrived);
    void HandToConverter(const void* data, DWORD bytes, int index, bool started, __time64_t arrived);
    // What the end of a burst asks: the take played back or the file brought up to date; an outside window told.
    void EndOfSound(MediaFile* file, SoundGate::AtEnd atEnd);
    bool ConvertsThroughStream() const;
    void ResetConversionHeader(ACMSTREAMHEADER* h) const;
    void CollectConversion(MediaFile* file, ACMSTREAMHEADER* h, int index);
    void FinishConversions(MediaFile* file);
    void AddBurstMarker(MediaFile* file, __time64_t when);
    void NoteWritten(MediaFile* file);
    void UpdateRecordingStatus(int index, bool burstStart, const ACMSTREAMHEADER* header);

    // Status and limits.
    static bool HasTimeScale(MediaFile* file);
    std::string RecordingFolder() const;
    bool FreeBytes(const std::string& folder, std::uint64_t* bytes);
    FileLimits Limits() const;
    FileLimits::Reached LimitReached();
    void TestFileLimit();
    void StartLoopPass();
    void ContinueInNewFile();

    // Playback.
    bool DecodesThroughStream() const;
    DWORD PlayBlockBytes() const;
    DWORD PlayOutputBytes() const;
    bool ScalesSpeed() const;
    LONG ReadFileBlock(void* destination, DWORD block);
    DWORD ReadScaled(void* destination);
    DWORD ReadForConversion(ACMSTREAMHEADER* h);
    void ConvertScaled(int index);
    // What the time-scaler holds is dropped; the next scaled read starts afresh.
    void DropStretched();
    DWORD_PTR PlayedUpTo() const;
    bool OutputIdle();
    bool NothingLeftToPlay();
    void EndPlayback();
    void SoundByteStep();
    // The running operation's transport button goes down; the others of the group pop up.
    static void Latch(CoolButton* button);
    void RepaintButtons(std::initializer_list<int> ids);
    void RepaintTransport();
    // The program's own posts carry wParam 0; the frame passes the remote-control ones on with 33.
    static bool FromProgramOrRemote(WPARAM wParam, LPARAM lParam);
    void RunSchedule();
    void OpenScheduledFile(int schedule);

    // Opening.
    bool SetUpNewFileFormats(int fileType);
    bool CopyFormat(const WAVEFORMATEX* source);
    bool DeviceFormatUsable() const;
    bool FileFormatUsable(int fileType) const;
    void ShowOpenError(int error, const char* name);
    // Why the open file takes no recording, as the messages say it.
    std::string ReadOnlyReason() const;
    // A start that failed: its message (0: already shown), the stop, and no empty file left.
    void FailedStart(int messageId);
    // A file that openfile made new for a take and that no audio reached goes again.
    void DropEmptyNewFile();
    // Once a second while recording and after each update: a file no longer named by its
    // name (and not rewritten under it) is posted UM_FILE_GONE.
    void CheckFileNamed();
    // A free name in the temporary folder for a rescued copy of the recording.
    std::string RescueName() const;
    void ForgetCurrentFile();
    void CodecText(const char* text);
    std::string FrameCaption() const;
    void SetFrameCaption(const char* text);

    // Saving and reordering.
    void PumpMessages();
    CopyOutcome RunCopy(TProgress* progress, const char* captionFormat, std::uint64_t total,
                        const std::function<bool(char*, LONG)>& step);
    CopyOutcome CopyRecording(const std::string& from, const std::string& to);
    bool RenameRecording(const std::string& to);
    NameChoice AskForName(char* out, std::size_t size);
    // The category chooser names the take; Cancel while closing discards it.
    NameChoice AskForCategory(char (&out)[MAX_PATH], bool closing);
    void NameTakeByPattern();
    std::string WithTypeEnding(const char* name) const;
    void RefreshAfterClose();
    void CopyTimeline(RecFile* old, RecFile* fresh, DWORD wp, DWORD wpc, DWORD olderCount);
    void DropHistoryFile();

    // Engine messages that arrive while a stop or a copy is under way run after it.
    bool DeferWhileBusy(UINT message, WPARAM wParam, LPARAM lParam);
    void Trace(const char* text);
    static bool BufferTraceOn();
    void BufferTrace(const char* text);

    // Buffers and devices.
    AudioBuffer buffers[kAudioBufferCount];
    DWORD bufferCapacity = 0;
    DWORD conversionDstCapacity = 0;
    HWAVEIN waveIn = nullptr;
    HWAVEOUT waveOut = nullptr;
    OWL::TOpenSaveDialog::TData fileData;

    // Formats: the file's in a buffer large enough for any compressed record.
    std::vector<BYTE> fileFormatBuffer;
    WAVEFORMATEX* fileFormat = nullptr;
    WAVEFORMATEX deviceFormat{};

    HACMSTREAM acmStream = nullptr;
    DWORD playPosition = 0;
    bool segmentOpen = false;
    MediaFile* currentFile = nullptr;
    // openfile made the current file new (madeFromEmpty: out of an empty file that was there).
    bool madeNew = false;
    bool madeFromEmpty = false;
    // The recording's file, held by a descriptor of its own from record to stop, so a
    // take whose name was removed can still be copied out.
    std::unique_ptr<platform::HeldFile> heldFile;
    bool fileGonePosted = false;
    MediaFile* historyFile = nullptr;

    // Child controls.
    CoolButton* recordButton;
    CoolButton* stopButton;
    CoolButton* playButton;
    RCButton* rewindButton;
    RCButton* forwardButton;
    SMeter* levelMeter;
    OWL::TVSlider* thresholdSlider;
    OWL::THSlider* positionSlider;
    OWL::TStatic* thresholdText;
    OWL::TStatic* levelText;
    OWL::TStatic* segmentText;
    OWL::TStatic* timeText;
    OWL::TStatic* sampleText;
    OWL::TStatic* sizeText;
    OWL::TStatic* formatText;
    OWL::TStatic* directoryText;

    TimerSchedule* schedule = nullptr;
    bool doubleClick = false;
    int hangOver = 0;
    int talkOff = 0;
    int loud = 0;
    int threshold = 0;
    int recording = 0;
    bool playing = false;
    int lastInputIndex = -1;
    int lastOutputIndex = -1;
    int lastWrittenIndex = -1;
    int lastConvertedIndex = -1;
    DWORD outputPeaks[kAudioBufferCount] = {};
    // Play at speed: the time-scaler, the file block it reads into, and whether the file's end reached it.
    std::unique_ptr<platform::TimeStretch> stretch;
    std::vector<BYTE> stretchInput;
    bool stretchEnded = false;
    bool stretchHolds = false;
    // The last read of the file gave nothing.
    bool readEnded = false;
    int speedMode = 0;
    bool freeSpaceAvailable = false;
    HMODULE kernelModule = nullptr;
    int conversionMode = ModeNone;
    int restartCount = 0;
    int stallCount = 0;
    // Input bytes taken in or lost since the device's position last started at 0.
    std::uint64_t inputTaken = 0;
    // The buffer being written follows lost audio: a marker goes where it lands.
    bool gapMark = false;
    DWORD segmentStartPosition = 0;
    __time64_t segmentStartTime = 0;

    // Status line.
    DWORD lastPeaks = 0;
    int lastSegmentIndex = -1;
    int lastSegmentCount = 0;
    int statusCounter = 0;
    bool lineStep = false;
    bool seekPending = false;
    bool pausedBySlider = false;
    DWORD loopStart = 0;
    std::string volumeFolder;
    std::string volumeName;

    // Guards of the buffer road.
    int busyDepth = 0;
    std::vector<MSG> deferred;
    bool inWimData = false;
    bool flushing = false;
    bool restartPending = false;
    bool nextFilePending = false;
    bool creatingFile = false;
    bool writeStopped = false;
    bool pollDeferred = false;
    bool conversionFailed = false;
    std::vector<int> reported;
    DWORD buffersSinceUpdate = 0;

    DECLARE_RESPONSE_TABLE(TAppDialog)
};
