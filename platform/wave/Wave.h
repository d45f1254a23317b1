#pragma once
// Wave input and output devices with the Windows contract the recorder relies
// on: prepared headers are filled or played in queue order, each finished one
// gets WHDR_DONE and then one MM_WIM_DATA / MM_WOM_DONE posted to the callback
// window, reset returns every queued header, dwUser is never touched.
// The backend is chosen by TAPVOX_AUDIO: unset = ALSA, "script" = the tests'
// device (ScriptedWave.h), "file:PATH[;loop]" = a WAV file as input in real time
// and an output that discards in real time.
#include "platform/core/MmResult.h"
#include "platform/core/Types.h"
#include "platform/core/WaveFormat.h"

using MMVERSION = UINT;

struct HWAVEIN__;
using HWAVEIN = HWAVEIN__*;
using LPHWAVEIN = HWAVEIN*;
struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;
using LPHWAVEOUT = HWAVEOUT*;

constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr UINT WAVE_MAPPER = static_cast<UINT>(-1);

// Open flags.
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
constexpr DWORD WAVE_ALLOWSYNC = 0x0002;

// Messages posted to the callback window (wParam = device handle, lParam = header).
constexpr UINT MM_WOM_OPEN = 0x3BB;
constexpr UINT MM_WOM_CLOSE = 0x3BC;
constexpr UINT MM_WOM_DONE = 0x3BD;
constexpr UINT MM_WIM_OPEN = 0x3BE;
constexpr UINT MM_WIM_CLOSE = 0x3BF;
constexpr UINT MM_WIM_DATA = 0x3C0;

constexpr DWORD WHDR_DONE = 0x00000001;
constexpr DWORD WHDR_PREPARED = 0x00000002;
constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
constexpr DWORD WHDR_ENDLOOP = 0x00000008;
constexpr DWORD WHDR_INQUEUE = 0x00000010;
// Ours: audio was lost just before this input header's first byte (the layer
// could hold no more while no header was free); `reserved` holds the bytes lost.
constexpr DWORD WHDR_GAP = 0x00010000;

// 32 bytes on 32-bit Windows; here the same fields with pointer-sized members.
struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

// What waveInGetPosition reports: bytes or sample frames since the start.
constexpr UINT TIME_MS = 0x0001;
constexpr UINT TIME_SAMPLES = 0x0002;
constexpr UINT TIME_BYTES = 0x0004;

struct MMTIME {
    UINT wType;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
    } u;
};
using LPMMTIME = MMTIME*;

constexpr int MAXPNAMELEN = 32;

struct WAVEINCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
};
using LPWAVEINCAPSA = WAVEINCAPSA*;

struct WAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};
using LPWAVEOUTCAPSA = WAVEOUTCAPSA*;

UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsA(UINT_PTR deviceId, LPWAVEINCAPSA caps, UINT size);
MMRESULT waveInOpen(LPHWAVEIN handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags);
MMRESULT waveInClose(HWAVEIN handle);
// Input captured since the start (after a reset: since then), lost audio
// included; a type other than samples or milliseconds is answered in bytes.
MMRESULT waveInGetPosition(HWAVEIN handle, LPMMTIME time, UINT size);
MMRESULT waveInPrepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size);
MMRESULT waveInUnprepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size);
MMRESULT waveInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT size);
MMRESULT waveInStart(HWAVEIN handle);
MMRESULT waveInStop(HWAVEIN handle);
MMRESULT waveInReset(HWAVEIN handle);
// Our own addition: why the input device last refused its capabilities or its
// open, when the driver knows more than the result code (a file-fed input names
// its file and the format it plays); the length copied, 0 when there is nothing.
UINT waveInGetRefusalTextA(LPSTR text, UINT size);

UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size);
MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutClose(HWAVEOUT handle);
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size);
MMRESULT waveOutReset(HWAVEOUT handle);
