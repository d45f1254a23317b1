// TAppDialog: the five audio buffers, the Record command and the wave input,
// each finished input buffer, the restart of a stalled input, and the stop.
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/StartOptions.h"
#include "files/FileType.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/HeldFile.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"
#include "recorder/PrivateMessages.h"
#include "recorder/WaveHeaderFlags.h"
#include "settings/CodecDrivers.h"
#include "settings/FileSettings.h"
#include "settings/Settings.h"

DWORD AudioBlockBytes(const WAVEFORMATEX& f)
{
    std::uint64_t n = (std::uint64_t(f.nAvgBytesPerSec) + 4) / 5;
    if (f.nBlockAlign > 1) {
        n = (n + f.nBlockAlign - 1) / f.nBlockAlign * f.nBlockAlign;
    }
    return static_cast<DWORD>(std::min<std::uint64_t>(std::max<std::uint64_t>(n, kAudioBlockBytes), 0x7FFFFFFF));
}

bool TAppDialog::initdat()
{
    doubleClick = false;
    const DWORD capacity = std::max(bufferCapacity, AudioBlockBytes(deviceFormat));
    for (int i = 0; i < kAudioBufferCount; ++i) {
        AudioBuffer& b = buffers[i];
        if (!b.header) {
            b.headerHandle = GlobalAlloc(GMEM_MOVEABLE, sizeof(WAVEHDR));
            b.header = b.headerHandle ? static_cast<WAVEHDR*>(GlobalLock(b.headerHandle)) : nullptr;
            if (!b.header) {
                ShowMessage(3080, MB_OK | MB_ICONEXCLAMATION);
                return false;
            }
            *b.header = WAVEHDR{};
            b.header->dwLoops = 1;
            b.header->dwUser = static_cast<DWORD_PTR>(i);
        }
        if (!b.data) {
            b.dataHandle = GlobalAlloc(GMEM_MOVEABLE, capacity);
            b.data = b.dataHandle ? static_cast<LPSTR>(GlobalLock(b.dataHandle)) : nullptr;
            if (!b.data) {
                ShowMessage(3080, MB_OK | MB_ICONEXCLAMATION);
                return false;
            }
            b.header->lpData = b.data;
        }
    }
    bufferCapacity = capacity;
    if (AcmEnabled()) {
        conversionDstCapacity = std::max(conversionDstCapacity, capacity);
        for (AudioBuffer& b : buffers) {
            if (!b.conversion) {
                b.conversion = new ACMSTREAMHEADER{};
                b.conversion->cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
                b.conversion->pbSrc = new BYTE[bufferCapacity];
                b.conversion->cbSrcLength = bufferCapacity;
                b.conversion->pbDst = new BYTE[conversionDstCapacity];
                b.conversion->cbDstLength = conversionDstCapacity;
            }
        }
    }
    return true;
}

bool TAppDialog::BuffersReady() const
{
    return std::all_of(std::begin(buffers), std::end(buffers), [](const AudioBuffer& b) { return b.header && b.data; });
}

bool TAppDialog::EnsureBufferCapacity(DWORD bytes, DWORD dstBytes)
{
    if (!BuffersReady() && !initdat()) {
        return false;
    }
    if (bytes > bufferCapacity) {
        // Only while no device holds the blocks and no stream has them prepared.
        for (AudioBuffer& b : buffers) {
            GlobalUnlock(b.dataHandle);
            HGLOBAL grown = GlobalReAlloc(b.dataHandle, bytes, GMEM_MOVEABLE);
            if (grown) {
                b.dataHandle = grown;
            }
            b.data = static_cast<LPSTR>(GlobalLock(b.dataHandle));
            b.header->lpData = b.data;
            if (!grown) {
                ShowMessage(3080, MB_OK | MB_ICONEXCLAMATION);
                return false;
            }
        }
        bufferCapacity = bytes;
        for (AudioBuffer& b : buffers) {
            if (b.conversion) {
                delete[] b.conversion->pbSrc;
                b.conversion->pbSrc = new BYTE[bufferCapacity];
                b.conversion->cbSrcLength = bufferCapacity;
            }
        }
    }
    if (dstBytes > conversionDstCapacity && AcmEnabled()) {
        conversionDstCapacity = dstBytes;
        for (AudioBuffer& b : buffers) {
            if (b.conversion) {
                delete[] b.conversion->pbDst;
                b.conversion->pbDst = new BYTE[conversionDstCapacity];
                b.conversion->cbDstLength = conversionDstCapacity;
            }
        }
    }
    return true;
}

void TAppDialog::FreeBuffers()
{
    if (AcmEnabled()) {
        CloseAcmStream();
    }
    for (AudioBuffer& b : buffers) {
        if (b.conversion) {
            delete[] b.conversion->pbDst;
            delete[] b.conversion->pbSrc;
            delete b.conversion;
            b.conversion = nullptr;
        }
        if (b.headerHandle) {
            GlobalUnlock(b.headerHandle);
            GlobalFree(b.headerHandle);
        }
        if (b.dataHandle) {
            GlobalUnlock(b.dataHandle);
            GlobalFree(b.dataHandle);
        }
        b = AudioBuffer{};
    }
    bufferCapacity = 0;
    conversionDstCapacity = 0;
}

DWORD TAppDialog::InputBufferLength() const
{
    DWORD n = deviceFormat.nAvgBytesPerSec / 5;
    if (deviceFormat.nBlockAlign) {
        n -= n % deviceFormat.nBlockAlign;
    }
    return std::min(n, bufferCapacity);
}

void TAppDialog::record()
{
    Trace("record");
    PostToFrame(UM_RECORD_STARTED);
    Latch(recordButton);
    doubleClick = false;
    if (recording) {
        return;
    }
    // A file opened read-only is only listened to, whatever asks for recording
    // (the button, its key, the tray, the schedule or another program), and the
    // user is told why nothing records.
    if (currentFile && currentFile->IsReadOnly()) {
        const std::string text = "Nothing can be recorded into " + std::string(currentFile->GetName()) + ": " +
                                 ReadOnlyReason() + ".\nIt is open for listening only.";
        MessageBox(text.c_str(), "Tapvox", MB_OK | MB_ICONEXCLAMATION);
        stop();
        return;
    }
    if (waveOut) {
        CloseOutput();
        CloseAcmStream();
    }
    if (!currentFile) {
        openfile(nullptr, -1);
    }
    if (!currentFile) {
        stop();
        return;
    }
    hangOver = talkOff = loud = 0;
    writeStopped = false;
    conversionFailed = false;
    reported.clear();
    buffersSinceUpdate = 0;
    restartPending = false;

    const bool loopNow = Limits().LoopDueAtRecord(currentFile->GetDataSize(), currentFile->GetSeconds(DWORD(-1)));
    if (loopNow && currentFile->CanOverwrite()) {
        EvNextFile(0, 0);
    } else {
        SeekNextMarker(false);
    }
    timeText->SetText("");

    UINT device = WAVE_MAPPER;
    WAVEINCAPSA caps{};
    if (waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps) != MMSYSERR_NOERROR) {
        device = 0;
    }
    if (waveInGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) {
        FailedStart(3710);
        return;
    }
    if (waveIn) {
        CloseInput(true);
    }
    lastInputIndex = -1;
    inputTaken = 0;
    if (waveInOpen(&waveIn, device, &deviceFormat, reinterpret_cast<DWORD_PTR>(Handle), 0, CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR) {
        waveIn = nullptr;
        FailedStart(3711);
        return;
    }
    const DWORD need = AudioBlockBytes(deviceFormat);
    if (!BuffersReady() || need > bufferCapacity) {
        // Blocks only grow while no stream has them prepared.
        CloseAcmStream();
        if (!EnsureBufferCapacity(need, 0)) {
            FailedStart(0);
            return;
        }
    }
    for (AudioBuffer& b : buffers) {
        if (b.conversion) {
            b.conversion->dwUser = 0;
        }
    }
    const bool converts = fileFormat->wFormatTag != WAVE_FORMAT_PCM && currentFile->GetFileType() != FileTypeOgg;
    if (converts && !(acmStream && conversionMode == ModeEncode) && !acmopen(false, ModeEncode)) {
        FailedStart(0);
        return;
    }
    if (!QueueInputBuffers(true)) {
        DropEmptyNewFile();
        return;
    }
    if (waveInStart(waveIn) != MMSYSERR_NOERROR) {
        FailedStart(3714);
        return;
    }
    // Held from now on, so a take whose name goes can still be copied out.
    heldFile = std::make_unique<platform::HeldFile>();
    if (!heldFile->Open(currentFile->GetName())) {
        heldFile.reset();
    }
    fileGonePosted = false;
    // Only now: a message handled before this point finds the flag clear.
    recording = 1;
    restartCount = 0;
    stallCount = 0;
    if (HWND stopButton = GetDlgItem(154)) {
        ::SetFocus(stopButton);
    }
    PostToFrame(UM_STATE_CHANGED);
}

bool TAppDialog::QueueInputBuffers(bool reportFailures)
{
    const DWORD length = InputBufferLength();
    for (int i = 0; i < kAudioBufferCount; ++i) {
        WAVEHDR* h = buffers[i].header;
        h->dwBufferLength = length;
        h->dwFlags = 0;
        h->dwBytesRecorded = 0;
        h->dwLoops = 0;
        h->lpNext = nullptr;
        h->reserved = 0;
        h->dwUser = static_cast<DWORD_PTR>(i);
        if (waveInPrepareHeader(waveIn, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            if (reportFailures) {
                ReportInputError(3712, true);
                return false;
            }
            continue;
        }
        if (waveInAddBuffer(waveIn, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR && reportFailures) {
            ReportInputError(3713, true);
            return false;
        }
    }
    return true;
}

LRESULT TAppDialog::EvWimData(WPARAM wParam, LPARAM lParam)
{
    // A message from a device closed since, or one that arrives while this
    // handler runs a nested loop, is not this handler's to act on.
    if (!recording || inWimData || reinterpret_cast<HWAVEIN>(wParam) != waveIn) {
        return 0;
    }
    inWimData = true;
    auto* finished = reinterpret_cast<WAVEHDR*>(lParam);
    if (BufferTraceOn()) {
        std::string line;
        for (int i = 0; i < kAudioBufferCount; ++i) {
            char part[32];
            WAVEHDR* h = buffers[i].header;
            const DWORD f = h ? HeaderFlags(h) : 0;
            std::snprintf(part, sizeof part, "seg%d %s %s  ", i, (f & WHDR_DONE) ? "done" : "    ",
                          (f & WHDR_INQUEUE) ? "q" : " ");
            line += part;
        }
        BufferTrace(line.c_str());
    }
    int processed = 0;
    if (finished && waveIn && BuffersReady()) {
        for (int n = 0; n < kAudioBufferCount && recording; ++n) {
            const int idx = (lastInputIndex + 1) % kAudioBufferCount;
            if (!HeaderDone(buffers[idx].header) || !HeaderDone(buffers[(idx + 1) % kAudioBufferCount].header)) {
                break;
            }
            const ACMSTREAMHEADER* c = buffers[idx].conversion;
            if (acmStream && c && c->dwUser && !(c->fdwStatus & ACMSTREAMHEADER_STATUSF_DONE)) {
                break;
            }
            if (BufferTraceOn()) {
                char text[32];
                std::snprintf(text, sizeof text, "processing seg %d", idx);
                BufferTrace(text);
            }
            lastInputIndex = idx;
            RequeueInputBuffer(buffers[idx].header);
            ++processed;
        }
    }
    // Counted, not compared by index: five buffers taken in end on the index they began at.
    if (processed == 0) {
        // A message for a buffer already taken in and queued again says nothing about a stall, nor
        // does one for the newest buffer while the next is being filled: after a long write the
        // device hands out what it kept faster than one buffer a message, and such messages pile up.
        if (finished && HeaderDone(finished) && BuffersReady()) {
            WAVEHDR* newest = buffers[(lastInputIndex + 1) % kAudioBufferCount].header;
            WAVEHDR* following = buffers[(lastInputIndex + 2) % kAudioBufferCount].header;
            if (!(finished == newest && (HeaderFlags(following) & WHDR_INQUEUE))) {
                ++stallCount;
            }
            // No buffer left with the device: nothing more will come back.
            if (std::none_of(std::begin(buffers), std::end(buffers),
                             [](const AudioBuffer& b) { return (HeaderFlags(b.header) & WHDR_INQUEUE) != 0; })) {
                stallCount = std::max(stallCount, 4);
            }
        }
    } else {
        stallCount = 0;
    }
    if (stallCount > 3 && !restartPending) {
        RequestInputRestart();
    }
    inWimData = false;
    return 0;
}

void TAppDialog::RequeueInputBuffer(WAVEHDR* header)
{
    if (!HeaderDone(header)) {
        return;
    }
    threshold = SoundLevel;
    if (waveInUnprepareHeader(waveIn, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        // Not taken in: the ring stops here until the restart brings the header back.
        header->dwFlags &= ~WHDR_DONE;
        return;
    }
    ProcessInputBuffer(header);
    header->dwFlags = 0;
    header->dwBytesRecorded = 0;
    if (waveInPrepareHeader(waveIn, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        Report(3035);
        return;
    }
    if (waveInAddBuffer(waveIn, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        Report(3036);
    }
}

void TAppDialog::ProcessInputBuffer(WAVEHDR* header)
{
    const DWORD bytes = std::min({header->dwBytesRecorded, header->dwBufferLength, bufferCapacity});
    const int index = static_cast<int>(header->dwUser & 7);
    const bool gap = (header->dwFlags & WHDR_GAP) != 0;
    if (gap) {
        inputTaken += header->reserved;
    }
    const __time64_t arrived = CaptureTime(bytes);
    inputTaken += bytes;
    if (gap) {
        NoteInputGap(header->reserved, arrived);
    }
    // One scan serves sound activation and the meter.
    const DWORD peaks = PeakLevel(header->lpData, bytes);
    if (currentFile && index < kAudioBufferCount) {
        gapMark = gap;
        mmdata(threshold, header->lpData, bytes, peaks, currentFile, index, hangOver, talkOff, loud, arrived);
        gapMark = false;
    }
    ShowLevel(peaks);
}

__time64_t TAppDialog::CaptureTime(DWORD bytes)
{
    const __time64_t now = _time64(nullptr);
    MMTIME at{};
    at.wType = TIME_BYTES;
    if (!waveIn || !deviceFormat.nAvgBytesPerSec || waveInGetPosition(waveIn, &at, sizeof at) != MMSYSERR_NOERROR ||
        at.wType != TIME_BYTES) {
        return now;
    }
    // Modulo 2^32, as the position counts: what the device captured after this buffer's end.
    const auto behind = static_cast<std::int32_t>(at.u.cb - static_cast<DWORD>(inputTaken + bytes));
    if (behind <= 0) {
        return now;
    }
    return now - (static_cast<std::int64_t>(behind) * 1000 / deviceFormat.nAvgBytesPerSec + 500) / 1000;
}

void TAppDialog::NoteInputGap(std::uint64_t lostBytes, __time64_t after)
{
    if (!deviceFormat.nAvgBytesPerSec) {
        return;
    }
    const std::uint64_t ms = lostBytes * 1000 / deviceFormat.nAvgBytesPerSec;
    std::string when = platform::CtimeText(after - static_cast<__time64_t>((ms + 500) / 1000));
    while (!when.empty() && (when.back() == '\n' || when.back() == '\r')) {
        when.pop_back();
    }
    char text[200];
    std::snprintf(text, sizeof text, "Input lost: %llu.%03llu s of audio from %s (the writing fell behind)",
                  static_cast<unsigned long long>(ms / 1000), static_cast<unsigned long long>(ms % 1000), when.c_str());
    Warning(text);
}

void TAppDialog::RequestInputRestart()
{
    restartPending = true;
    PostMessage(UM_RESTART_INPUT, 1, 2);
}

LRESULT TAppDialog::EvRestartInput(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_RESTART_INPUT, wParam, lParam)) {
        return 0;
    }
    Trace("Attempting to restart recording.");
    restartPending = false;
    if (wParam != 1 || lParam != 2 || !waveIn || !recording) {
        return 0;
    }
    ++restartCount;
    stallCount = 0;
    waveInStop(waveIn);
    recording = 0;
    DrainInput();
    waveInReset(waveIn);
    // What the device had finished is kept: the restart loses only what it did not capture.
    FlushInput();
    inputTaken = 0;
    if (acmStream) {
        FinishConversions(currentFile);
        CloseAcmStream();
        if (!acmopen(false, ModeEncode)) {
            LogMessage(3172);
            stop();
            return 0;
        }
    }
    lastInputIndex = -1;
    for (AudioBuffer& b : buffers) {
        waveInUnprepareHeader(waveIn, b.header, sizeof(WAVEHDR));
    }
    QueueInputBuffers(false);
    if (waveInStart(waveIn) == MMSYSERR_NOERROR) {
        recording = 1;
    } else {
        ReportInputError(3714, true);
    }
    return 0;
}

void TAppDialog::DrainInput()
{
    if (!waveIn || !BuffersReady()) {
        return;
    }
    flushing = true;
    // Each buffer given back is filled at once from what the device kept, until it keeps nothing.
    for (;;) {
        const int idx = (lastInputIndex + 1) % kAudioBufferCount;
        WAVEHDR* h = buffers[idx].header;
        if (!HeaderDone(h) || h->dwBytesRecorded == 0) {
            break;
        }
        lastInputIndex = idx;
        RequeueInputBuffer(h);
    }
    flushing = false;
}

void TAppDialog::FlushInput()
{
    if (!waveIn || !BuffersReady()) {
        return;
    }
    flushing = true;
    const int from = lastInputIndex;
    for (int n = 1; n <= kAudioBufferCount; ++n) {
        const int idx = (from + n) % kAudioBufferCount;
        WAVEHDR* h = buffers[idx].header;
        // A header the driver never gave back holds nothing; the ones after it still count.
        if (!HeaderDone(h) || h->dwBytesRecorded == 0 ||
            waveInUnprepareHeader(waveIn, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            continue;
        }
        lastInputIndex = idx;
        ProcessInputBuffer(h);
        h->dwBytesRecorded = 0;
        h->dwFlags &= ~WHDR_DONE;
    }
    flushing = false;
}

void TAppDialog::CloseInput(bool report)
{
    if (waveInStop(waveIn) != MMSYSERR_NOERROR && report) {
        ShowMessage(3060, MB_OK | MB_ICONEXCLAMATION);
    }
    waveInReset(waveIn);
    for (AudioBuffer& b : buffers) {
        if (b.header) {
            waveInUnprepareHeader(waveIn, b.header, sizeof(WAVEHDR));
        }
    }
    if (waveInClose(waveIn) != MMSYSERR_NOERROR && report) {
        ShowMessage(3062, MB_OK | MB_ICONEXCLAMATION);
    }
    waveIn = nullptr;
    lastInputIndex = -1;
}

void TAppDialog::CloseOutput()
{
    playing = false;
    // A pending step would read ahead past the position the stop restores.
    KillTimer(TIMER_PLAY_STEP);
    EndPlayAtSpeed();
    DropStretched();
    waveOutReset(waveOut);
    for (AudioBuffer& b : buffers) {
        if (b.header) {
            waveOutUnprepareHeader(waveOut, b.header, sizeof(WAVEHDR));
        }
    }
    waveOutClose(waveOut);
    waveOut = nullptr;
    lastOutputIndex = -1;
}

void TAppDialog::stop()
{
    Trace("stop");
    Latch(stopButton);
    if (waveIn) {
        if (HWND b = GetDlgItem(150)) {
            ::SetFocus(b);
        }
    } else if (waveOut) {
        if (HWND b = GetDlgItem(151)) {
            ::SetFocus(b);
        }
    }
    bnstop();
}

void TAppDialog::bnstop()
{
    EngineBusy busy(*this);
    EndPlayAtSpeed();
    const bool soundWasOn = hangOver > 0;
    doubleClick = false;
    if (waveIn) {
        recording = 0;
        restartCount = 0;
        stallCount = 0;
        if (waveInStop(waveIn) != MMSYSERR_NOERROR) {
            ShowMessage(3060, MB_OK | MB_ICONEXCLAMATION);
        }
        DrainInput();
        if (waveInReset(waveIn) != MMSYSERR_NOERROR) {
            ShowMessage(3061, MB_OK | MB_ICONEXCLAMATION);
        }
        // The held-back buffer and the partly filled one reach the file before the device closes.
        FlushInput();
        FinishConversions(currentFile);
        for (AudioBuffer& b : buffers) {
            if (b.header) {
                waveInUnprepareHeader(waveIn, b.header, sizeof(WAVEHDR));
            }
        }
        if (waveInClose(waveIn) != MMSYSERR_NOERROR) {
            ShowMessage(3062, MB_OK | MB_ICONEXCLAMATION);
        }
        waveIn = nullptr;
        lastInputIndex = -1;
        if (StartOptions.NotifyWindow && soundWasOn) {
            ::PostMessage(StartOptions.NotifyWindow, UM_NOTIFY_EXTERNAL, 1, 1);
        }
        SetSegmentOpen(false);
        if (currentFile && currentFile->GetOverwrite()) {
            ReorderFile();
        }
        if (currentFile) {
            position(currentFile->GetPosition(), true);
        }
    }
    hangOver = talkOff = loud = 0;
    heldFile.reset();
    const bool wasPlaying = waveOut != nullptr;
    if (waveOut) {
        CloseOutput();
    }
    CloseAcmStream();
    recording = 0;
    if (currentFile && !currentFile->update()) {
        Warning("Can't update the recording file.");
    }
    // After the update, which may leave the file at the end of its data: playback stops where it was heard.
    if (wasPlaying && currentFile) {
        currentFile->position(playPosition);
    }
    ShowLevel(0);
    levelText->SetText("");
    PostToFrame(UM_STATE_CHANGED);
}

void TAppDialog::ReportInputError(int messageId, bool stopAfter)
{
    ShowMessage(messageId, MB_OK | MB_ICONEXCLAMATION);
    if (stopAfter) {
        stop();
    }
}

void TAppDialog::FailedStart(int messageId)
{
    if (messageId != 0) {
        std::string text = MessageText(messageId);
        // The device may know what to mend: a file-fed input names its file and its format.
        char why[MAX_PATH + 256] = "";
        if (waveInGetRefusalTextA(why, sizeof why) > 0) {
            text += "\n";
            text += why;
        }
        MessageBox(text.c_str(), "Tapvox", MB_OK | MB_ICONEXCLAMATION);
    }
    // Nothing records: the Record button comes up again.
    stop();
    DropEmptyNewFile();
}

void TAppDialog::Report(int messageId)
{
    if (std::find(reported.begin(), reported.end(), messageId) != reported.end()) {
        return;
    }
    reported.push_back(messageId);
    PostMessage(UM_ENGINE_REPORT, static_cast<WPARAM>(messageId), 0);
}

void TAppDialog::StopOnFailure(int messageId)
{
    if (writeStopped) {
        return;
    }
    writeStopped = true;
    reported.push_back(messageId);
    PostMessage(UM_ENGINE_REPORT, static_cast<WPARAM>(messageId), 1);
}

LRESULT TAppDialog::EvEngineReport(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_ENGINE_REPORT, wParam, lParam)) {
        return 0;
    }
    if (lParam == 1 && waveIn) {
        stop();
    }
    if (wParam != 0) {
        // 0: the failure was logged already; the stop is all that is left to do.
        ShowMessage(static_cast<int>(wParam), MB_OK | MB_ICONEXCLAMATION);
    }
    return 0;
}

void TAppDialog::PostToFrame(UINT message)
{
    if (Parent && Parent->GetHandle()) {
        ::PostMessage(Parent->GetHandle(), message, 0, 0);
    }
}
