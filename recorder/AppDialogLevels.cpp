// TAppDialog: the peak level of each buffer and its display, sound activation,
// and writing the buffers that sound is on for, directly or through the converter.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/StartOptions.h"
#include "controls/SMeter.h"
#include "files/FileType.h"
#include "files/RecFile.h"
#include "platform/kernel/Clock.h"
#include "recorder/AppDialog.h"
#include "recorder/PrivateMessages.h"
#include "recorder/SoundGate.h"
#include "settings/CodecDrivers.h"
#include "settings/FileSettings.h"
#include "settings/RecordSettings.h"
#include "settings/Settings.h"

namespace {
// Seconds of recording after which the headers and the journal are brought up to date.
constexpr DWORD kUpdateEveryBuffers = 60 * 5;

BYTE Peak8(signed char b) { return static_cast<BYTE>(std::abs(std::abs(int(b)) - 127)); }
}

DWORD TAppDialog::PeakLevel(const void* data, DWORD bytes) const
{
    const auto* p = static_cast<const signed char*>(data);
    if (!p) {
        return 0;
    }
    const bool stereo = deviceFormat.nChannels == 2;
    BYTE left = 0;
    BYTE right = 0;
    if (deviceFormat.wBitsPerSample == 16) {
        // The high byte rises with the sample, so the peak lies at the smallest or largest
        // sample; sixteen lanes (channels alternate in them) keep the scan vectorised.
        constexpr std::size_t kLanes = 16;
        const std::size_t count = bytes / 2;
        std::int16_t lo[kLanes] = {};
        std::int16_t hi[kLanes] = {};
        std::size_t i = 0;
        for (; i + kLanes <= count; i += kLanes) {
            std::int16_t v[kLanes];
            std::memcpy(v, p + 2 * i, sizeof v);
            for (std::size_t k = 0; k < kLanes; ++k) {
                lo[k] = std::min(lo[k], v[k]);
                hi[k] = std::max(hi[k], v[k]);
            }
        }
        const std::size_t step = stereo ? 2 : 1;
        for (std::size_t k = step; k < kLanes; ++k) {
            lo[k % step] = std::min(lo[k % step], lo[k]);
            hi[k % step] = std::max(hi[k % step], hi[k]);
        }
        for (; i + step <= count; i += step) {
            for (std::size_t c = 0; c < step; ++c) {
                std::int16_t v;
                std::memcpy(&v, p + 2 * (i + c), 2);
                lo[c] = std::min(lo[c], v);
                hi[c] = std::max(hi[c], v);
            }
        }
        auto peak = [](std::int16_t a, std::int16_t b) {
            return static_cast<BYTE>(std::max(std::abs(a >> 8), std::abs(b >> 8)));
        };
        left = peak(lo[0], hi[0]);
        right = stereo ? peak(lo[1], hi[1]) : 0;
    } else {
        const DWORD step = stereo ? 2 : 1;
        for (DWORD i = 0; i + step <= bytes; i += step) {
            left = std::max(left, Peak8(p[i]));
            if (stereo) {
                right = std::max(right, Peak8(p[i + 1]));
            }
        }
    }
    return stereo ? (DWORD(left) << 8) | right : left;
}

void TAppDialog::ShowLevel(DWORD peaks)
{
    if (peaks == lastPeaks) {
        return;
    }
    lastPeaks = peaks;
    int percent = 0;
    if (deviceFormat.nChannels == 2) {
        const int left = static_cast<int>((peaks >> 8) & 0xFF) * 100 / 127;
        const int right = static_cast<int>(peaks & 0xFF) * 100 / 127;
        levelMeter->SetStereoValues(left, right);
        percent = std::max(left, right);
    } else {
        percent = static_cast<int>(peaks & 0xFF) * 100 / 127;
        levelMeter->SetValue(percent);
    }
    SetDlgItemInt(Handle, 114, static_cast<UINT>(percent), FALSE);
}

void TAppDialog::SetSegmentOpen(bool open)
{
    if (open && !segmentOpen && currentFile) {
        segmentStartPosition = currentFile->GetOverwrite() ? currentFile->GetPosition() : currentFile->GetLength();
        segmentStartTime = _time64(nullptr);
    }
    segmentOpen = open;
}

void TAppDialog::EndOfSound(MediaFile* file, SoundGate::AtEnd atEnd)
{
    if (atEnd == SoundGate::AtEnd::StopAndPlay) {
        PostMessage(UM_STOP_AND_PLAY);
    } else if (atEnd == SoundGate::AtEnd::UpdateFile) {
        file->update();
        if (auto* rf = dynamic_cast<RecFile*>(file)) {
            rf->Sync();
        }
        buffersSinceUpdate = 0;
        CheckFileNamed();
    }
    if (StartOptions.NotifyWindow) {
        ::PostMessage(StartOptions.NotifyWindow, UM_NOTIFY_EXTERNAL, 1, 1);
    }
}

bool TAppDialog::ConvertsThroughStream() const
{
    return AcmEnabled() && fileFormat->wFormatTag != WAVE_FORMAT_PCM && currentFile &&
           currentFile->GetFileType() != FileTypeWmv && currentFile->GetFileType() != FileTypeOgg;
}

void TAppDialog::mmdata(int thresholdPercent, const void* data, DWORD bytes, DWORD peaks, MediaFile* file, int index,
                        int& hangOverCount, int& talkOffCount, int& loudCount, __time64_t arrived)
{
    if (!file) {
        return;
    }
    const SoundGate::Decision step = AdvanceSoundGate(thresholdPercent, peaks, file, hangOverCount, talkOffCount, loudCount);
    const bool converts = ConvertsThroughStream();
    if (converts) {
        CollectDueConversion(file, index);
    }
    if (!step.write || writeStopped) {
        return;
    }
    if (converts) {
        HandToConverter(data, bytes, index, step.started, arrived);
    } else {
        WriteBuffer(file, data, bytes, index, step.started, arrived);
    }
}

SoundGate::Decision TAppDialog::AdvanceSoundGate(int thresholdPercent, DWORD peaks, MediaFile* file, int& hangOverCount,
                                                 int& talkOffCount, int& loudCount)
{
    const SoundGate gate({thresholdPercent, HangOverTime, TalkOff, RecordMode, FileAction == 1 && file->GetOverwrite()});
    SoundGate::Counters counters{hangOverCount, talkOffCount, loudCount};
    const SoundGate::Decision step = gate.Step(counters, SoundGate::LevelOf(peaks));
    hangOverCount = counters.hangOver;
    talkOffCount = counters.talkOff;
    loudCount = counters.loud;
    if (step.started) {
        SetSegmentOpen(true);
    }
    if (step.ended) {
        SetSegmentOpen(false);
        // During the stop's own flush the stop ends the take; nothing is asked of later handlers.
        if (!flushing) {
            EndOfSound(file, step.atEnd);
        }
    }
    if (step.nextFile && !flushing) {
        PostMessage(UM_NEXT_FILE_AFTER_SILENCE);
    }
    return step;
}

void TAppDialog::CollectDueConversion(MediaFile* file, int index)
{
    if (!acmStream) {
        return;
    }
    ACMSTREAMHEADER* h = buffers[index].conversion;
    if (h->fdwStatus & ACMSTREAMHEADER_STATUSF_INQUEUE) {
        Report(3030);
    } else if ((h->fdwStatus & ACMSTREAMHEADER_STATUSF_DONE) && h->dwUser) {
        CollectConversion(file, h, index);
    }
}

void TAppDialog::WriteBuffer(MediaFile* file, const void* data, DWORD bytes, int index, bool started, __time64_t arrived)
{
    if (started || gapMark) {
        AddBurstMarker(file, arrived);
    }
    LONG n = 0;
    LONG expected = static_cast<LONG>(bytes);
    if (file->GetFileType() == FileTypeOgg) {
        expected = static_cast<LONG>(bytes / (2 * std::max<WORD>(deviceFormat.nChannels, 1)));
        n = file->WriteSamples(static_cast<const short*>(data), static_cast<LONG>(bytes));
    } else {
        n = file->Write(data, static_cast<LONG>(bytes));
    }
    if (n != expected) {
        StopOnFailure(3032);
        return;
    }
    NoteWritten(file);
    UpdateRecordingStatus(index, started, nullptr);
}

void TAppDialog::HandToConverter(const void* data, DWORD bytes, int index, bool started, __time64_t arrived)
{
    if (!acmStream || conversionFailed) {
        return;
    }
    ACMSTREAMHEADER* h = buffers[index].conversion;
    if (h->dwUser != 0) {
        Report(3034);
        return;
    }
    const DWORD take = std::min(bytes, bufferCapacity);
    h->cbSrcLength = take;
    h->cbDstLength = conversionDstCapacity;
    h->dwSrcUser = started || gapMark ? 1 : 0;
    h->dwDstUser = static_cast<DWORD_PTR>(arrived);
    std::memcpy(h->pbSrc, data, take);
    h->dwUser = 1;
    const MMRESULT r = acmStreamConvert(acmStream, h, ACM_STREAMCONVERTF_BLOCKALIGN | (started ? ACM_STREAMCONVERTF_START : 0));
    if (r != MMSYSERR_NOERROR) {
        h->dwUser = 0;
        // What was converted before still reaches the file: only the converting stops.
        if (!conversionFailed) {
            conversionFailed = true;
            Warning("acmStreamConvert failure\n(mmdata)");
            PostMessage(UM_ENGINE_REPORT, 0, 1);
        }
    }
}

void TAppDialog::CollectConversion(MediaFile* file, ACMSTREAMHEADER* h, int index)
{
    const bool burstStart = h->dwSrcUser != 0;
    h->dwUser = 0;
    if (writeStopped) {
        return;
    }
    if (burstStart) {
        // The burst's marker goes where its converted audio lands, with the time it was heard.
        AddBurstMarker(file, static_cast<__time64_t>(h->dwDstUser));
    }
    if (h->cbDstLengthUsed > 0 && file->Write(h->pbDst, static_cast<LONG>(h->cbDstLengthUsed)) != static_cast<LONG>(h->cbDstLengthUsed)) {
        StopOnFailure(3031);
        return;
    }
    if (deviceFormat.nAvgBytesPerSec) {
        file->AddSampleCount(static_cast<DWORD>(std::uint64_t(h->cbSrcLengthUsed) * deviceFormat.nSamplesPerSec /
                                                deviceFormat.nAvgBytesPerSec));
    }
    NoteWritten(file);
    UpdateRecordingStatus(index, burstStart, h);
}

void TAppDialog::FinishConversions(MediaFile* file)
{
    if (!acmStream || !BuffersReady() || !buffers[0].conversion) {
        return;
    }
    // Oldest first: the conversion after the last input buffer is the one handed in longest ago.
    for (int n = 1; n <= kAudioBufferCount; ++n) {
        const int idx = (lastInputIndex + n + kAudioBufferCount) % kAudioBufferCount;
        ACMSTREAMHEADER* h = buffers[idx].conversion;
        if (h->dwUser && (h->fdwStatus & ACMSTREAMHEADER_STATUSF_DONE)) {
            if (file && conversionMode == ModeEncode) {
                CollectConversion(file, h, idx);
            }
            h->dwUser = 0;
        }
    }
    if (!file || conversionMode != ModeEncode || writeStopped) {
        return;
    }
    // The encoder's last frames: an empty conversion that ends the stream, until nothing more comes.
    ACMSTREAMHEADER* h = buffers[(lastInputIndex + 1 + kAudioBufferCount) % kAudioBufferCount].conversion;
    for (int round = 0; round < 8; ++round) {
        h->cbSrcLength = 0;
        h->cbDstLength = conversionDstCapacity;
        if (acmStreamConvert(acmStream, h, ACM_STREAMCONVERTF_END) != MMSYSERR_NOERROR || h->cbDstLengthUsed == 0) {
            break;
        }
        if (file->Write(h->pbDst, static_cast<LONG>(h->cbDstLengthUsed)) != static_cast<LONG>(h->cbDstLengthUsed)) {
            StopOnFailure(3031);
            break;
        }
    }
    h->cbSrcLength = bufferCapacity;
    h->cbDstLengthUsed = 0;
    h->cbSrcLengthUsed = 0;
}

void TAppDialog::AddBurstMarker(MediaFile* file, __time64_t when)
{
    auto* rf = dynamic_cast<RecFile*>(file);
    if (!rf) {
        return;
    }
    // The write point: the position while overwriting, else the end the audio is appended to.
    const DWORD at = file->GetOverwrite() ? file->GetPosition() : file->GetLength();
    rf->AddMarker(at, when, false);
}

void TAppDialog::NoteWritten(MediaFile* file)
{
    if (++buffersSinceUpdate >= kUpdateEveryBuffers) {
        buffersSinceUpdate = 0;
        // The update ends at the end of the data; a loop pass goes on where it was.
        const DWORD at = file->GetPosition();
        if (!file->update()) {
            Warning("Can't update the recording file.");
        }
        if (file->GetOverwrite()) {
            file->position(at);
        }
        CheckFileNamed();
    }
}
