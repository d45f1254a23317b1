// TAppDialog: the one compression-manager stream between the PCM of the devices
// and a compressed file format, its codec driver, and its five conversion headers.
#include <algorithm>
#include <cstring>

#include "app/FormatBuffers.h"
#include "app/StartOptions.h"
#include "files/FileType.h"
#include "platform/core/Strings.h"
#include "recorder/AppDialog.h"
#include "settings/CodecDrivers.h"
#include "settings/Mp3Settings.h"
#include "settings/WaveSettings.h"

namespace {
bool SameRecord(const WAVEFORMATEX* a, const WAVEFORMATEX* b)
{
    return a && b && WaveFormatSize(*a) == WaveFormatSize(*b) && std::memcmp(a, b, WaveFormatSize(*a)) == 0;
}

std::string TagName(const char* name)
{
    return EqualsNoCase(name, "Lame MP3") ? std::string("MP3") : std::string(name);
}
}

bool TAppDialog::acmopen(bool suggest, int mode)
{
    if (!AcmEnabled()) {
        return false;
    }
    CloseAcmStream();
    const bool encode = mode == ModeEncode;

    ACMFORMATTAGDETAILSA tag{};
    tag.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    tag.dwFormatTag = fileFormat->wFormatTag;
    if (acmFormatTagDetailsA(nullptr, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) != MMSYSERR_NOERROR) {
        ShowMessage(3170, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    CodecText(TagName(tag.szFormatTag).c_str());

    HACMDRIVER driver = nullptr;
    if (encode) {
        const char* driverName = nullptr;
        if ((std::strstr(CurrentFileName, ".mp3") || std::strstr(CurrentFileName, ".MP3")) &&
            SameRecord(fileFormat, Mp3FormatBuffer)) {
            driverName = Mp3ACMDriver;
        } else if (currentFile && currentFile->GetFileType() != FileTypeMp3 && SameRecord(fileFormat, RecordFormatBuffer)) {
            driverName = ACMDriver;
        }
        if (const CodecDriverEntry* entry = FindCodecDriver(driverName)) {
            if (acmDriverOpen(&driver, entry->id, 0) != MMSYSERR_NOERROR) {
                driver = nullptr;
            }
        }
    }

    DWORD largest = 0;
    acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest);
    largest = std::clamp<DWORD>(largest, sizeof(WAVEFORMATEX), static_cast<DWORD>(fileFormatBuffer.size()));
    // Switch S chooses the format of a file being made; a file with data keeps the one it has.
    const bool bySwitch = StartOptions.SuggestedFormats && (creatingFile || !encode);
    if (bySwitch || (suggest && fileFormat->wFormatTag != ACMFormatTag)) {
        fileFormat->cbSize = static_cast<WORD>(largest - sizeof(WAVEFORMATEX));
        constexpr DWORD kAll = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC;
        constexpr DWORD kNoRate = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS;
        auto suggestNow = [&](DWORD flags) {
            return encode ? acmFormatSuggest(driver, &deviceFormat, fileFormat, largest, flags)
                          : acmFormatSuggest(nullptr, fileFormat, &deviceFormat, sizeof(WAVEFORMATEX), flags);
        };
        if (suggestNow(kAll) != MMSYSERR_NOERROR && suggestNow(kNoRate) != MMSYSERR_NOERROR) {
            ShowMessage(3171, MB_OK | MB_ICONEXCLAMATION);
        }
    }

    HACMSTREAM stream = nullptr;
    const MMRESULT opened = encode ? acmStreamOpen(&stream, driver, &deviceFormat, fileFormat, nullptr, 0, 0, 0)
                                   : acmStreamOpen(&stream, nullptr, fileFormat, &deviceFormat, nullptr, 0, 0, 0);
    if (driver) {
        acmDriverClose(driver, 0);
    }
    if (opened != MMSYSERR_NOERROR) {
        ShowMessage(3172, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    acmStream = stream;

    if (fileFormat->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && CodecDrivers().size() > 1) {
        HACMDRIVERID id = nullptr;
        HACMDRIVER own = nullptr;
        if (acmDriverID(reinterpret_cast<HACMOBJ>(acmStream), &id, 0) == MMSYSERR_NOERROR &&
            acmDriverOpen(&own, id, 0) == MMSYSERR_NOERROR) {
            ACMFORMATTAGDETAILSA mp3{};
            mp3.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
            mp3.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
            if (acmFormatTagDetailsA(own, &mp3, ACM_FORMATTAGDETAILSF_FORMATTAG) == MMSYSERR_NOERROR) {
                CodecText(TagName(mp3.szFormatTag).c_str());
            }
            acmDriverClose(own, 0);
        }
    }

    // Blocks hold a fifth of a second of the source, and all a conversion of it can give.
    const DWORD source = std::max(bufferCapacity, AudioBlockBytes(encode ? deviceFormat : *fileFormat));
    DWORD most = 0;
    if (acmStreamSize(acmStream, source, &most, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR) {
        most = source;
    }
    EnsureBufferCapacity(source, std::max(most, kAudioBlockBytes));
    for (AudioBuffer& b : buffers) {
        if (b.conversion) {
            ResetConversionHeader(b.conversion);
            if (acmStreamPrepareHeader(acmStream, b.conversion, 0) != MMSYSERR_NOERROR) {
                LogMessage(3173);
            }
        }
    }
    // Only a stream that exists may say the mode: a failed reopen leaves none.
    conversionMode = mode;
    return true;
}

void TAppDialog::CloseAcmStream()
{
    if (!AcmEnabled()) {
        return;
    }
    conversionMode = ModeNone;
    if (!acmStream) {
        return;
    }
    acmStreamReset(acmStream, 0);
    for (AudioBuffer& b : buffers) {
        if (b.conversion) {
            ResetConversionHeader(b.conversion);
            acmStreamUnprepareHeader(acmStream, b.conversion, 0);
        }
    }
    acmStreamClose(acmStream, 0);
    acmStream = nullptr;
}

void TAppDialog::ResetConversionHeader(ACMSTREAMHEADER* h) const
{
    h->cbSrcLength = bufferCapacity;
    h->cbDstLength = conversionDstCapacity;
    h->cbSrcLengthUsed = 0;
    h->cbDstLengthUsed = 0;
    h->fdwStatus = 0;
    h->dwUser = 0;
}
