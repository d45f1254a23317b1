#pragma once
// The compression manager as the program calls it: driver and format
// enumeration, format details and suggestions, and synchronous stream
// conversion. Drivers are built in (PCM converter, G.711, IMA ADPCM, MS ADPCM,
// GSM 6.10, MPEG Layer-3). Structures are in-memory records: their cbStruct is
// checked against the documented sizes and nothing is written past it.
#include "platform/acm/CodecFormats.h"
#include "platform/core/MmResult.h"
#include "platform/core/Types.h"
#include "platform/core/WaveFormat.h"

// Handles. HACMOBJ is the generic form that acmMetrics and acmDriverID take;
// the others are cast to it as the program does.
struct HACMOBJ__;
using HACMOBJ = HACMOBJ__*;
struct HACMDRIVERID__;
using HACMDRIVERID = HACMDRIVERID__*;
struct HACMDRIVER__;
using HACMDRIVER = HACMDRIVER__*;
struct HACMSTREAM__;
using HACMSTREAM = HACMSTREAM__*;
using LPHACMDRIVERID = HACMDRIVERID*;
using LPHACMDRIVER = HACMDRIVER*;
using LPHACMSTREAM = HACMSTREAM*;
using LPDWORD = DWORD*;

constexpr MMRESULT ACMERR_BASE = 512;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = ACMERR_BASE + 0;
constexpr MMRESULT ACMERR_BUSY = ACMERR_BASE + 1;
constexpr MMRESULT ACMERR_UNPREPARED = ACMERR_BASE + 2;
constexpr MMRESULT ACMERR_CANCELED = ACMERR_BASE + 3;

// acmMetrics
constexpr UINT ACM_METRIC_COUNT_DRIVERS = 1;
constexpr UINT ACM_METRIC_COUNT_CODECS = 2;
constexpr UINT ACM_METRIC_COUNT_CONVERTERS = 3;
constexpr UINT ACM_METRIC_MAX_SIZE_FORMAT = 50;

// Driver details and enumeration
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_CODEC = 0x00000001;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_CONVERTER = 0x00000002;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_FILTER = 0x00000004;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_HARDWARE = 0x00000008;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_ASYNC = 0x00000010;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_LOCAL = 0x40000000;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_DISABLED = 0x80000000;
constexpr DWORD ACM_DRIVERENUMF_NOLOCAL = 0x40000000;
constexpr DWORD ACM_DRIVERENUMF_DISABLED = 0x80000000;

constexpr int ACMDRIVERDETAILS_SHORTNAME_CHARS = 32;
constexpr int ACMDRIVERDETAILS_LONGNAME_CHARS = 128;
constexpr int ACMDRIVERDETAILS_COPYRIGHT_CHARS = 80;
constexpr int ACMDRIVERDETAILS_LICENSING_CHARS = 128;
constexpr int ACMDRIVERDETAILS_FEATURES_CHARS = 512;
constexpr int ACMFORMATTAGDETAILS_FORMATTAG_CHARS = 48;
constexpr int ACMFORMATDETAILS_FORMAT_CHARS = 128;

// Documented structure sizes: the smallest cbStruct each call accepts.
constexpr DWORD ACMDRIVERDETAILS_DOCUMENTED_SIZE = 920;
constexpr DWORD ACMFORMATTAGDETAILS_DOCUMENTED_SIZE = 72;
constexpr DWORD ACMFORMATDETAILS_DOCUMENTED_SIZE = 152;
constexpr DWORD ACMSTREAMHEADER_DOCUMENTED_SIZE = 84;

struct ACMDRIVERDETAILSA {
    DWORD cbStruct;
    FOURCC fccType;
    FOURCC fccComp;
    WORD wMid;
    WORD wPid;
    DWORD vdwACM;
    DWORD vdwDriver;
    DWORD fdwSupport;
    DWORD cFormatTags;
    DWORD cFilterTags;
    HANDLE hicon;
    char szShortName[ACMDRIVERDETAILS_SHORTNAME_CHARS];
    char szLongName[ACMDRIVERDETAILS_LONGNAME_CHARS];
    char szCopyright[ACMDRIVERDETAILS_COPYRIGHT_CHARS];
    char szLicensing[ACMDRIVERDETAILS_LICENSING_CHARS];
    char szFeatures[ACMDRIVERDETAILS_FEATURES_CHARS];
};
using LPACMDRIVERDETAILSA = ACMDRIVERDETAILSA*;
static_assert(sizeof(ACMDRIVERDETAILSA) >= ACMDRIVERDETAILS_DOCUMENTED_SIZE);

constexpr FOURCC ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC = mmioFOURCC('a', 'u', 'd', 'c');

constexpr DWORD ACM_FORMATTAGDETAILSF_INDEX = 0x00000000;
constexpr DWORD ACM_FORMATTAGDETAILSF_FORMATTAG = 0x00000001;
constexpr DWORD ACM_FORMATTAGDETAILSF_LARGESTSIZE = 0x00000002;

struct ACMFORMATTAGDETAILSA {
    DWORD cbStruct;
    DWORD dwFormatTagIndex;
    DWORD dwFormatTag;
    DWORD cbFormatSize;
    DWORD fdwSupport;
    DWORD cStandardFormats;
    char szFormatTag[ACMFORMATTAGDETAILS_FORMATTAG_CHARS];
};
using LPACMFORMATTAGDETAILSA = ACMFORMATTAGDETAILSA*;
static_assert(sizeof(ACMFORMATTAGDETAILSA) == 72);

constexpr DWORD ACM_FORMATDETAILSF_INDEX = 0x00000000;
constexpr DWORD ACM_FORMATDETAILSF_FORMAT = 0x00000001;

struct ACMFORMATDETAILSA {
    DWORD cbStruct;
    DWORD dwFormatIndex;
    DWORD dwFormatTag;
    DWORD fdwSupport;
    LPWAVEFORMATEX pwfx;
    DWORD cbwfx;
    char szFormat[ACMFORMATDETAILS_FORMAT_CHARS];
};
using LPACMFORMATDETAILSA = ACMFORMATDETAILSA*;
using ACMFORMATDETAILS = ACMFORMATDETAILSA;
using LPACMFORMATDETAILS = ACMFORMATDETAILSA*;
static_assert(sizeof(ACMFORMATDETAILSA) >= ACMFORMATDETAILS_DOCUMENTED_SIZE);

constexpr DWORD ACM_FORMATENUMF_WFORMATTAG = 0x00010000;
constexpr DWORD ACM_FORMATENUMF_NCHANNELS = 0x00020000;
constexpr DWORD ACM_FORMATENUMF_NSAMPLESPERSEC = 0x00040000;
constexpr DWORD ACM_FORMATENUMF_WBITSPERSAMPLE = 0x00080000;
constexpr DWORD ACM_FORMATENUMF_CONVERT = 0x00100000;
constexpr DWORD ACM_FORMATENUMF_SUGGEST = 0x00200000;
constexpr DWORD ACM_FORMATENUMF_HARDWARE = 0x00400000;
constexpr DWORD ACM_FORMATENUMF_INPUT = 0x00800000;
constexpr DWORD ACM_FORMATENUMF_OUTPUT = 0x01000000;

constexpr DWORD ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr DWORD ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
constexpr DWORD ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
constexpr DWORD ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;
constexpr DWORD ACM_FORMATSUGGESTF_TYPEMASK = 0x00FF0000;

constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr DWORD ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004;

constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr DWORD ACM_STREAMSIZEF_DESTINATION = 0x00000001;

constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr DWORD ACM_STREAMCONVERTF_START = 0x00000010;
constexpr DWORD ACM_STREAMCONVERTF_END = 0x00000020;

constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;

// The manager never touches dwUser, dwSrcUser or dwDstUser: callers keep
// their own bookkeeping there.
struct ACMSTREAMHEADER {
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    LPBYTE pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    LPBYTE pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD dwReservedDriver[6];
};
using LPACMSTREAMHEADER = ACMSTREAMHEADER*;
static_assert(sizeof(ACMSTREAMHEADER) >= ACMSTREAMHEADER_DOCUMENTED_SIZE);

struct WAVEFILTER;
using LPWAVEFILTER = WAVEFILTER*;

using ACMDRIVERENUMCB = BOOL (*)(HACMDRIVERID hadid, DWORD_PTR dwInstance, DWORD fdwSupport);
using ACMFORMATENUMCBA = BOOL (*)(HACMDRIVERID hadid, LPACMFORMATDETAILSA pafd, DWORD_PTR dwInstance,
                                  DWORD fdwSupport);

MMRESULT acmMetrics(HACMOBJ hao, UINT uMetric, LPVOID pMetric);

MMRESULT acmDriverEnum(ACMDRIVERENUMCB fnCallback, DWORD_PTR dwInstance, DWORD fdwEnum);
MMRESULT acmDriverDetailsA(HACMDRIVERID hadid, LPACMDRIVERDETAILSA padd, DWORD fdwDetails);
MMRESULT acmDriverOpen(LPHACMDRIVER phad, HACMDRIVERID hadid, DWORD fdwOpen);
MMRESULT acmDriverClose(HACMDRIVER had, DWORD fdwClose);
// The driver identifier behind a driver handle or a stream handle.
MMRESULT acmDriverID(HACMOBJ hao, LPHACMDRIVERID phadid, DWORD fdwDriverID);

MMRESULT acmFormatTagDetailsA(HACMDRIVER had, LPACMFORMATTAGDETAILSA paftd, DWORD fdwDetails);
MMRESULT acmFormatDetailsA(HACMDRIVER had, LPACMFORMATDETAILSA pafd, DWORD fdwDetails);
MMRESULT acmFormatEnumA(HACMDRIVER had, LPACMFORMATDETAILSA pafd, ACMFORMATENUMCBA fnCallback,
                        DWORD_PTR dwInstance, DWORD fdwEnum);
MMRESULT acmFormatSuggest(HACMDRIVER had, LPWAVEFORMATEX pwfxSrc, LPWAVEFORMATEX pwfxDst, DWORD cbwfxDst,
                          DWORD fdwSuggest);

// Only synchronous streams without a callback or filter are offered: every
// conversion has finished when acmStreamConvert returns.
MMRESULT acmStreamOpen(LPHACMSTREAM phas, HACMDRIVER had, LPWAVEFORMATEX pwfxSrc, LPWAVEFORMATEX pwfxDst,
                       LPWAVEFILTER pwfltr, DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT acmStreamClose(HACMSTREAM has, DWORD fdwClose);
MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, LPDWORD pdwOutputBytes, DWORD fdwSize);
MMRESULT acmStreamReset(HACMSTREAM has, DWORD fdwReset);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwPrepare);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwUnprepare);
MMRESULT acmStreamConvert(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwConvert);
