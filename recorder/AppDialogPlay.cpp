// TAppDialog: playback of the open recording through the wave output: priming the
// five buffers, reading and decoding blocks, refilling each returned buffer, the
// play timer, the end of the file, sound-byte play and play at speed.
#include <algorithm>
#include <cstring>

#include "files/FileType.h"
#include "files/RecFile.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "recorder/WaveHeaderFlags.h"
#include "settings/PlayBackSettings.h"
#include "settings/RecordSettings.h"
#include "settings/Settings.h"

namespace {
// A position this close to the end plays the recording from its start.
constexpr DWORD kNearEnd = 300;
constexpr UINT kPlayStepMs = 100;
// What the read and the output of play at speed keep free below a block's capacity.
constexpr DWORD kReadMargin = 100;
constexpr DWORD kOutputMargin = 200;

DWORD AlignDown(DWORD n, WORD align) { return align > 1 ? n - n % align : n; }
int Next(int index) { return (index + 1) % kAudioBufferCount; }
}

void TAppDialog::play()
{
    Trace("play");
    Latch(playButton);
    bnplay();
    if (HWND stopButton = GetDlgItem(154)) {
        ::SetFocus(stopButton);
    }
}

void TAppDialog::BnPlayDoubleClick()
{
    doubleClick = true;
    play();
}

void TAppDialog::CmPlayAtSpeed()
{
    if (!currentFile) {
        return;
    }
    if (speedMode == 0) {
        // A recording stops first: its stop would switch the speed off again.
        if (waveIn) {
            stop();
        }
        speedMode = 2;
    } else {
        // Off while playing: the rate leaves the Play button too.
        EndPlayAtSpeed();
    }
    play();
}

bool TAppDialog::DecodesThroughStream() const
{
    return currentFile && fileFormat->wFormatTag != WAVE_FORMAT_PCM && currentFile->GetFileType() != FileTypeOgg;
}

bool TAppDialog::ScalesSpeed() const { return speedMode != 0 && stretch && stretch->IsConfigured(); }

void TAppDialog::bnplay()
{
    if (!currentFile || currentFile->GetDataSize() == 0) {
        stop();
        return;
    }
    if (waveIn) {
        stop();
        Latch(playButton);
    }
    const DWORD length = currentFile->GetLength();
    const DWORD at = currentFile->GetPosition();
    if ((at > length ? at - length : length - at) < kNearEnd) {
        currentFile->position(0);
    }
    UINT device = WAVE_MAPPER;
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps) != MMSYSERR_NOERROR) {
        device = 0;
    }
    if (!BuffersReady() && !initdat()) {
        return;
    }
    PostToFrame(UM_STATE_CHANGED);
    if (waveOut) {
        return;
    }
    const DWORD need = AudioBlockBytes(deviceFormat);
    if (need > bufferCapacity) {
        // Blocks only grow while no device or stream holds them.
        CloseAcmStream();
        if (!EnsureBufferCapacity(need, 0)) {
            return;
        }
    }
    const MMRESULT opened = waveOutOpen(&waveOut, device, &deviceFormat, reinterpret_cast<DWORD_PTR>(Handle), 0,
                                        CALLBACK_WINDOW | WAVE_ALLOWSYNC);
    if (opened != MMSYSERR_NOERROR) {
        waveOut = nullptr;
        if (opened == MMSYSERR_ALLOCATED) {
            ShowMessage(3000, MB_OK | MB_ICONEXCLAMATION);
            stop();
        } else {
            ShowMessage(3071, MB_OK | MB_ICONEXCLAMATION);
            EvStopPlayback(0, 0);
        }
        return;
    }
    if (DecodesThroughStream() && conversionMode != ModeDecode && !acmopen(false, ModeDecode)) {
        // The output opened above goes too, so the next Play starts afresh.
        stop();
        return;
    }
    reported.clear();
    conversionFailed = false;
    if (!stretch) {
        stretch = std::make_unique<platform::TimeStretch>();
    }
    stretch->Configure(deviceFormat, std::max(bufferCapacity, conversionDstCapacity));
    stretchInput.resize(bufferCapacity);
    stretchHolds = stretchEnded = false;
    readEnded = false;

    lastOutputIndex = -1;
    playPosition = currentFile->GetPosition();
    const bool decodes = DecodesThroughStream();
    for (int i = 0; i < kAudioBufferCount; ++i) {
        WAVEHDR* h = buffers[i].header;
        if (!decodes) {
            h->dwBufferLength = ReadPlayData(h->lpData);
            h->dwUser = PlayedUpTo();
            mmoutdata(i);
            continue;
        }
        // Free until the timer step copies the converted block into it.
        h->dwFlags = WHDR_DONE;
        ReadForConversion(buffers[i].conversion);
        ConvertPlayData(i);
        lastConvertedIndex = i;
        if (i == 0) {
            StartPlayTimer(kPlayStepMs);
        }
    }
    lastOutputIndex = kAudioBufferCount - 1;
    lastWrittenIndex = kAudioBufferCount - 1;
    playing = true;
}

DWORD TAppDialog::PlayBlockBytes() const
{
    if (currentFile->GetFileType() == FileTypeOgg) {
        const DWORD frame = 2 * std::max<WORD>(fileFormat->nChannels, 1);
        return AlignDown(fileFormat->nSamplesPerSec * frame / 5, static_cast<WORD>(frame));
    }
    DWORD block = fileFormat->nAvgBytesPerSec / 5;
    if (speedMode != 0) {
        block = static_cast<DWORD>(block * PlayRate);
        if (block > bufferCapacity) {
            block = bufferCapacity - kReadMargin;
        }
    }
    return AlignDown(block, fileFormat->nBlockAlign);
}

DWORD TAppDialog::PlayOutputBytes() const
{
    const DWORD fifth = AlignDown(deviceFormat.nAvgBytesPerSec / 5, deviceFormat.nBlockAlign);
    return std::min(fifth, AlignDown(bufferCapacity - kOutputMargin, deviceFormat.nBlockAlign));
}

void TAppDialog::SoundByteStep()
{
    auto* rf = dynamic_cast<RecFile*>(currentFile);
    if (!doubleClick || !rf || !HasTimeScale(currentFile)) {
        return;
    }
    const DWORD at = currentFile->GetPosition();
    const int marker = rf->FindMarker(at);
    const DWORD start = marker >= 0 ? rf->GetMarkerPosition(marker) : 0;
    // The file's own seconds: Ogg Vorbis positions count samples.
    if (at >= start && std::int64_t(currentFile->GetSeconds(at - start)) >= SoundByte) {
        currentFile->position(rf->GetNextMarkerPosition(at));
    }
}

LONG TAppDialog::ReadFileBlock(void* destination, DWORD block)
{
    SoundByteStep();
    LONG n = 0;
    if (currentFile->GetFileType() == FileTypeOgg) {
        n = currentFile->ReadSamples(static_cast<short*>(destination), static_cast<LONG>(block));
    } else {
        const std::int64_t remaining = std::int64_t(currentFile->GetLength()) - currentFile->GetPosition();
        block = static_cast<DWORD>(std::clamp<std::int64_t>(remaining, 0, block));
        n = block ? currentFile->Read(destination, static_cast<LONG>(block)) : 0;
    }
    n = std::max<LONG>(n, 0);
    readEnded = n == 0;
    return n;
}

DWORD TAppDialog::ReadPlayData(void* destination)
{
    if (!currentFile) {
        return 0;
    }
    if (!DecodesThroughStream()) {
        if (ScalesSpeed()) {
            return ReadScaled(destination);
        }
        if (stretchHolds) {
            // Play at speed was switched off: what the scaler held is dropped with it.
            DropStretched();
        }
    }
    return static_cast<DWORD>(ReadFileBlock(destination, PlayBlockBytes()));
}

DWORD TAppDialog::ReadScaled(void* destination)
{
    const DWORD target = PlayOutputBytes();
    stretch->SetSpeed(PlayRate);
    // Blocks of the file go in until a fifth of a second can come out, so no
    // buffer of the ring is left empty before the end.
    while (stretch->ReadyBytes() < target && !stretchEnded) {
        const LONG n = ReadFileBlock(stretchInput.data(), PlayBlockBytes());
        if (n == 0) {
            stretch->Flush();
            stretchEnded = true;
            break;
        }
        stretch->Put(stretchInput.data(), static_cast<std::size_t>(n));
        stretchHolds = true;
    }
    return static_cast<DWORD>(stretch->Take(destination, target));
}

void TAppDialog::DropStretched()
{
    if (stretch) {
        stretch->Clear();
    }
    stretchHolds = stretchEnded = false;
}

DWORD_PTR TAppDialog::PlayedUpTo() const
{
    const DWORD at = currentFile->GetPosition();
    const DWORD length = currentFile->GetLength();
    // The end of the file is reached only with the block that carries the scaler's last output.
    if (stretchHolds && length > 0 && at >= length && !(stretchEnded && stretch->ReadyBytes() == 0)) {
        return length - 1;
    }
    return at;
}

DWORD TAppDialog::ReadForConversion(ACMSTREAMHEADER* h)
{
    h->cbSrcLength = static_cast<DWORD>(ReadFileBlock(h->pbSrc, PlayBlockBytes()));
    h->dwSrcUser = currentFile->GetPosition();
    return h->cbSrcLength;
}

void TAppDialog::ConvertPlayData(int index)
{
    if (!DecodesThroughStream() || !acmStream) {
        return;
    }
    ACMSTREAMHEADER* h = buffers[index].conversion;
    h->cbDstLength = conversionDstCapacity;
    if (acmStreamConvert(acmStream, h, ACM_STREAMCONVERTF_BLOCKALIGN) != MMSYSERR_NOERROR) {
        // Nothing of this block plays; the ring goes on, and ends at the file's end.
        h->cbDstLengthUsed = 0;
        h->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
        if (!conversionFailed) {
            conversionFailed = true;
            Warning("acmStreamConvert failure\n(ConvertPlayData)");
        }
    }
    if (ScalesSpeed()) {
        ConvertScaled(index);
    } else if (stretchHolds) {
        DropStretched();
    }
    h->dwUser = 1;
}

void TAppDialog::ConvertScaled(int index)
{
    ACMSTREAMHEADER* h = buffers[index].conversion;
    const DWORD target = PlayOutputBytes();
    stretch->SetSpeed(PlayRate);
    // Decoded blocks go in until a fifth of a second can come out; each further
    // block is read and decoded in this header, in file order.
    for (;;) {
        if (h->cbDstLengthUsed > 0) {
            stretch->Put(h->pbDst, h->cbDstLengthUsed);
            stretchHolds = true;
        }
        if (stretch->ReadyBytes() >= target || stretchEnded) {
            break;
        }
        if (h->cbSrcLength == 0 || ReadForConversion(h) == 0) {
            stretch->Flush();
            stretchEnded = true;
            break;
        }
        h->cbDstLength = conversionDstCapacity;
        if (acmStreamConvert(acmStream, h, ACM_STREAMCONVERTF_BLOCKALIGN) != MMSYSERR_NOERROR) {
            h->cbDstLengthUsed = 0;
        }
    }
    h->cbDstLengthUsed = static_cast<DWORD>(stretch->Take(h->pbDst, std::min(target, h->cbDstLength)));
    h->dwSrcUser = PlayedUpTo();
    h->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
}

bool TAppDialog::OutputIdle()
{
    return std::none_of(std::begin(buffers), std::end(buffers),
                        [](const AudioBuffer& b) { return b.header && (HeaderFlags(b.header) & WHDR_INQUEUE); });
}

void TAppDialog::mmoutdata(int index)
{
    if (index < 0 || index >= kAudioBufferCount || !waveOut) {
        return;
    }
    WAVEHDR* h = buffers[index].header;
    if (h->dwBufferLength == 0) {
        // Never queued: the header stays free, and the walk of returned buffers passes it.
        h->dwFlags = WHDR_DONE;
        return;
    }
    h->dwBufferLength = std::min(h->dwBufferLength, bufferCapacity);
    h->dwFlags = 0;
    outputPeaks[index] = PeakLevel(h->lpData, h->dwBufferLength);
    if (waveOutPrepareHeader(waveOut, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR ||
        waveOutWrite(waveOut, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        // Not queued: the header counts as free, and a ring that nothing keeps going ends.
        waveOutUnprepareHeader(waveOut, h, sizeof(WAVEHDR));
        h->dwFlags = WHDR_DONE;
        Report(3020);
        if (OutputIdle()) {
            PostMessage(UM_STOP);
        }
    }
}

LRESULT TAppDialog::EvWomDone(WPARAM wParam, LPARAM lParam)
{
    // A device closed since (a quick stop and play) is not this one; a header taken
    // back already was handled with an earlier message.
    auto* finished = reinterpret_cast<WAVEHDR*>(lParam);
    if (!waveOut || reinterpret_cast<HWAVEOUT>(wParam) != waveOut || !BuffersReady() || !finished ||
        (HeaderFlags(finished) & (WHDR_DONE | WHDR_PREPARED)) != (WHDR_DONE | WHDR_PREPARED)) {
        return 0;
    }
    for (int n = 0; n < kAudioBufferCount && waveOut; ++n) {
        const int idx = Next(lastOutputIndex);
        if (!HeaderDone(buffers[idx].header)) {
            break;
        }
        PlayBufferDone(buffers[idx].header, idx);
    }
    return 0;
}

void TAppDialog::PlayBufferDone(WAVEHDR* header, int index)
{
    if (playing) {
        playPosition = static_cast<DWORD>(header->dwUser);
    }
    waveOutUnprepareHeader(waveOut, header, sizeof(WAVEHDR));
    lastOutputIndex = index;
    ShowPlayPosition(header);
    if (!waveOut) {
        return;
    }
    if (!currentFile) {
        PostMessage(UM_STOP);
        return;
    }
    ShowLevel(outputPeaks[Next(index)]);
    if (!DecodesThroughStream()) {
        header->dwBufferLength = ReadPlayData(header->lpData);
        header->dwUser = PlayedUpTo();
        mmoutdata(index);
    } else {
        PlayTimerStep();
    }
    if (playing && (playPosition >= currentFile->GetLength() || NothingLeftToPlay())) {
        EndPlayback();
    }
}

bool TAppDialog::NothingLeftToPlay()
{
    const bool converted = std::any_of(std::begin(buffers), std::end(buffers),
                                       [](const AudioBuffer& b) { return b.conversion && b.conversion->dwUser; });
    return readEnded && OutputIdle() && !(DecodesThroughStream() && converted);
}

void TAppDialog::EndPlayback()
{
    // One end message per playback: buffers returned after it find the flag clear.
    playing = false;
    PostMessage(RecordMode == 1 ? UM_STOP_AND_RECORD : UM_STOP);
}

void TAppDialog::StartPlayTimer(UINT milliseconds) { SetTimer(TIMER_PLAY_STEP, milliseconds); }

void TAppDialog::PlayTimerStep()
{
    if (!waveOut || !playing || !acmStream || !BuffersReady()) {
        return;
    }
    // Converted blocks go to the device in ring order, each once (dwUser 1 until copied).
    bool wrote = false;
    for (int n = 0; n < kAudioBufferCount; ++n) {
        const int idx = Next(lastWrittenIndex);
        ACMSTREAMHEADER* c = buffers[idx].conversion;
        WAVEHDR* h = buffers[idx].header;
        if (!c->dwUser || !(c->fdwStatus & ACMSTREAMHEADER_STATUSF_DONE) || !HeaderDone(h)) {
            break;
        }
        const DWORD bytes = std::min(c->cbDstLengthUsed, bufferCapacity);
        std::memcpy(h->lpData, c->pbDst, bytes);
        c->dwUser = 0;
        h->dwBufferLength = bytes;
        h->dwUser = c->dwSrcUser;
        mmoutdata(idx);
        lastWrittenIndex = idx;
        wrote = true;
    }
    // Buffers the device has returned take the next blocks of the file.
    while (lastConvertedIndex != lastOutputIndex && !buffers[Next(lastConvertedIndex)].conversion->dwUser) {
        const int idx = Next(lastConvertedIndex);
        ReadForConversion(buffers[idx].conversion);
        ConvertPlayData(idx);
        lastConvertedIndex = idx;
    }
    if (!wrote) {
        if (NothingLeftToPlay()) {
            EndPlayback();
            return;
        }
        StartPlayTimer(kPlayStepMs);
    }
}
