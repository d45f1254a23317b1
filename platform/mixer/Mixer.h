#pragma once
// Sound-card mixers with the Windows mixer interface: each mixer has
// destination lines (speakers, wave-in) with source lines below them, and
// every line has controls (volume, mute, the capture-source selector ...)
// read and written as arrays of 4-byte values. Backends: ALSA's mixer
// elements, or the tests' scripted mixers (ScriptedMixer.h) with
// TAPVOX_AUDIO=script.
#include "platform/wave/Wave.h"

struct HMIXER__;
using HMIXER = HMIXER__*;
using LPHMIXER = HMIXER*;
struct HMIXEROBJ__;
using HMIXEROBJ = HMIXEROBJ__*;

constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
constexpr MMRESULT MIXERR_INVALVALUE = 1026;

// How the object argument is meant (mixerOpen and the mixerGet* calls).
constexpr DWORD MIXER_OBJECTF_HANDLE = 0x80000000;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
constexpr DWORD MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;
constexpr DWORD MIXER_OBJECTF_WAVEIN = 0x20000000;
constexpr DWORD MIXER_OBJECTF_TYPEMASK = 0xF0000000;

constexpr UINT MM_MIXM_LINE_CHANGE = 0x3D0;
constexpr UINT MM_MIXM_CONTROL_CHANGE = 0x3D1;

constexpr int MIXER_SHORT_NAME_CHARS = 16;
constexpr int MIXER_LONG_NAME_CHARS = 64;

constexpr DWORD MIXERLINE_LINEF_ACTIVE = 0x00000001;
constexpr DWORD MIXERLINE_LINEF_SOURCE = 0x80000000;

constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_UNDEFINED = 0;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED = 0x1000;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_DIGITAL = 0x1001;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x1009;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_ANALOG = 0x100A;

constexpr DWORD MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
constexpr DWORD MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;

constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SINGLESELECT = 0x71010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUX = 0x71010001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT = 0x70010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MIXER = 0x70010001;

constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 1;
constexpr DWORD MIXER_GETLINEINFOF_LINEID = 2;
constexpr DWORD MIXER_GETLINEINFOF_COMPONENTTYPE = 3;
constexpr DWORD MIXER_GETLINEINFOF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 1;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 2;
constexpr DWORD MIXER_GETLINECONTROLSF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0;
constexpr DWORD MIXER_GETCONTROLDETAILSF_LISTTEXT = 1;
constexpr DWORD MIXER_GETCONTROLDETAILSF_QUERYMASK = 0x0000000F;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0;
constexpr DWORD MIXER_SETCONTROLDETAILSF_QUERYMASK = 0x0000000F;

struct MIXERCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD fdwSupport;
    DWORD cDestinations;
};
using LPMIXERCAPSA = MIXERCAPSA*;

struct MIXERLINEA {
    DWORD cbStruct;
    DWORD dwDestination;
    DWORD dwSource;
    DWORD dwLineID;
    DWORD fdwLine;
    DWORD_PTR dwUser;
    DWORD dwComponentType;
    DWORD cChannels;
    DWORD cConnections;
    DWORD cControls;
    CHAR szShortName[MIXER_SHORT_NAME_CHARS];
    CHAR szName[MIXER_LONG_NAME_CHARS];
    struct {
        DWORD dwType;
        DWORD dwDeviceID;
        WORD wMid;
        WORD wPid;
        MMVERSION vDriverVersion;
        CHAR szPname[MAXPNAMELEN];
    } Target;
};
using LPMIXERLINEA = MIXERLINEA*;

struct MIXERCONTROLA {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD dwControlType;
    DWORD fdwControl;
    DWORD cMultipleItems;
    CHAR szShortName[MIXER_SHORT_NAME_CHARS];
    CHAR szName[MIXER_LONG_NAME_CHARS];
    union {
        struct {
            LONG lMinimum;
            LONG lMaximum;
        };
        struct {
            DWORD dwMinimum;
            DWORD dwMaximum;
        };
        DWORD dwReserved[6];
    } Bounds;
    union {
        DWORD cSteps;
        DWORD cbCustomData;
        DWORD dwReserved[6];
    } Metrics;
};
using LPMIXERCONTROLA = MIXERCONTROLA*;

struct MIXERLINECONTROLSA {
    DWORD cbStruct;
    DWORD dwLineID;
    union {
        DWORD dwControlID;
        DWORD dwControlType;
    };
    DWORD cControls;
    DWORD cbmxctrl;
    LPMIXERCONTROLA pamxctrl;
};
using LPMIXERLINECONTROLSA = MIXERLINECONTROLSA*;

struct MIXERCONTROLDETAILS {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD cChannels;
    union {
        HWND hwndOwner;
        DWORD cMultipleItems;
    };
    DWORD cbDetails;
    LPVOID paDetails;
};
using LPMIXERCONTROLDETAILS = MIXERCONTROLDETAILS*;

// 72 bytes: two parameters and the item's name.
struct MIXERCONTROLDETAILS_LISTTEXTA {
    DWORD dwParam1;
    DWORD dwParam2;
    CHAR szName[MIXER_LONG_NAME_CHARS];
};
static_assert(sizeof(MIXERCONTROLDETAILS_LISTTEXTA) == 72);

struct MIXERCONTROLDETAILS_BOOLEAN {
    LONG fValue;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
    DWORD dwValue;
};
struct MIXERCONTROLDETAILS_SIGNED {
    LONG lValue;
};

UINT mixerGetNumDevs();
MMRESULT mixerGetDevCapsA(UINT_PTR mixerId, LPMIXERCAPSA caps, UINT size);
// mixerId is a mixer index, or a wave-input device with MIXER_OBJECTF_WAVEIN.
MMRESULT mixerOpen(LPHMIXER handle, UINT mixerId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT mixerClose(HMIXER handle);
// The object is an HMIXER (MIXER_OBJECTF_HMIXER) or a mixer index (MIXER_OBJECTF_MIXER).
MMRESULT mixerGetLineInfoA(HMIXEROBJ object, LPMIXERLINEA line, DWORD flags);
MMRESULT mixerGetLineControlsA(HMIXEROBJ object, LPMIXERLINECONTROLSA controls, DWORD flags);
MMRESULT mixerGetControlDetailsA(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags);
MMRESULT mixerSetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags);
