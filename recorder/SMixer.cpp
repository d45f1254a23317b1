// SMixer: finding the mixer's play and record lines, the capture-source selector, and their volumes and mutes.
#include "recorder/SMixer.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Strings.h"

namespace {
HMIXEROBJ Obj(HMIXER m) { return reinterpret_cast<HMIXEROBJ>(m); }

bool IsSelector(DWORD type)
{
    return type == MIXERCONTROL_CONTROLTYPE_MUX || type == MIXERCONTROL_CONTROLTYPE_SINGLESELECT ||
           type == MIXERCONTROL_CONTROLTYPE_MIXER || type == MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT;
}

// Level 0..127 to the control's range; 64-bit so a wide range cannot overflow.
LONG VolumeValue(const MIXERCONTROLA& c, int level)
{
    const std::int64_t lo = c.Bounds.dwMinimum;
    const std::int64_t hi = c.Bounds.dwMaximum;
    return static_cast<LONG>(static_cast<DWORD>(level * (hi - lo) / 127 + lo));
}

LONG MuteValue(const MIXERCONTROLA&, int on) { return on ? 1 : 0; }

// A control whose maximum equals its minimum has one position: level 0.
int VolumeLevel(const MIXERCONTROLA& c, LONG value)
{
    const std::int64_t lo = c.Bounds.dwMinimum;
    const std::int64_t hi = c.Bounds.dwMaximum;
    if (hi <= lo) {
        return 0;
    }
    const std::int64_t level = (static_cast<std::int64_t>(static_cast<DWORD>(value)) - lo) * 127 / (hi - lo);
    return static_cast<int>(level < 0 ? 0 : (level > 127 ? 127 : level));
}

bool Details(HMIXER m, DWORD controlId, DWORD items, DWORD itemSize, void* data, bool set, DWORD flags)
{
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = controlId;
    d.cChannels = 1;
    d.cMultipleItems = items;
    d.cbDetails = itemSize;
    d.paDetails = data;
    const MMRESULT r = set ? mixerSetControlDetails(Obj(m), &d, MIXER_OBJECTF_HMIXER | flags)
                           : mixerGetControlDetailsA(Obj(m), &d, MIXER_OBJECTF_HMIXER | flags);
    return r == MMSYSERR_NOERROR;
}
}

SMixer::SMixer(const char* productName, HWND window) : notifyWindow(window)
{
    if (!productName || !*productName) {
        Open(0, MIXER_OBJECTF_MIXER);
        return;
    }
    for (UINT id = 0;; ++id) {
        MIXERCAPSA caps{};
        if (mixerGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) {
            return;
        }
        if (lstrcmpiA(caps.szPname, productName) == 0) {
            Open(id, MIXER_OBJECTF_MIXER);
            return;
        }
    }
}

SMixer::SMixer(UINT mixerId) { Open(mixerId, MIXER_OBJECTF_MIXER); }

SMixer::SMixer(DWORD objectType, const char* deviceName, HWND window) : notifyWindow(window)
{
    if (objectType != MIXER_OBJECTF_WAVEIN) {
        return;
    }
    const std::string name = deviceName ? deviceName : "";
    UINT device = 0;
    if (!(name.empty() || EqualsNoCase(name, "<default>") || name.find("Mapper") != std::string::npos ||
          name.find("mapper") != std::string::npos || name == "-1")) {
        bool found = false;
        const UINT count = waveInGetNumDevs();
        for (UINT i = 0; i < count && !found; ++i) {
            WAVEINCAPSA caps{};
            if (waveInGetDevCapsA(i, &caps, sizeof caps) != MMSYSERR_NOERROR) {
                device = 0;
                found = true;
            } else if (lstrcmpiA(caps.szPname, name.c_str()) == 0) {
                device = i;
                found = true;
            }
        }
        if (!found) {
            return;
        }
    }
    Open(device, MIXER_OBJECTF_WAVEIN);
}

SMixer::~SMixer()
{
    if (mixer) {
        mixerClose(mixer);
    }
}

void SMixer::Open(UINT id, DWORD flags)
{
    HMIXER m = nullptr;
    const DWORD callback = notifyWindow ? CALLBACK_WINDOW : CALLBACK_NULL;
    if (mixerOpen(&m, id, reinterpret_cast<DWORD_PTR>(notifyWindow), 0, flags | callback) == MMSYSERR_NOERROR) {
        mixer = m;
    }
}

int SMixer::GetDestinationCount()
{
    MIXERCAPSA caps{};
    if (!mixer || mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(mixer), &caps, sizeof caps) != MMSYSERR_NOERROR) {
        return -1;
    }
    return static_cast<int>(caps.cDestinations);
}

bool SMixer::GetName(char* buffer, std::size_t size)
{
    MIXERCAPSA caps{};
    if (!mixer || !buffer || mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(mixer), &caps, sizeof caps) != MMSYSERR_NOERROR) {
        return false;
    }
    platform::CopyBounded(buffer, size, caps.szPname);
    return true;
}

DWORD SMixer::ComponentTypeFromName(const char* name)
{
    if (!name) {
        return 0;
    }
    for (const char* n : {"Line", "Line-In", "LineIn"}) {
        if (lstrcmpiA(name, n) == 0) {
            return MIXERLINE_COMPONENTTYPE_SRC_LINE;
        }
    }
    for (const char* n : {"Microphone", "Mike", "Mic"}) {
        if (lstrcmpiA(name, n) == 0) {
            return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        }
    }
    for (const char* n : {"Aux", "Auxiliary"}) {
        if (lstrcmpiA(name, n) == 0) {
            return MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
        }
    }
    return 0;
}

namespace {
// The source lines of the destination of the given type, one by one, until visit returns true.
template <typename Visit>
DWORD EachSource(HMIXER m, DWORD destinationType, Visit visit)
{
    MIXERLINEA dest{};
    dest.cbStruct = sizeof dest;
    dest.dwComponentType = destinationType;
    if (!m || mixerGetLineInfoA(Obj(m), &dest, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
                  MMSYSERR_NOERROR) {
        return 0;
    }
    for (DWORD s = 0; s < dest.cConnections; ++s) {
        MIXERLINEA src{};
        src.cbStruct = sizeof src;
        src.dwDestination = dest.dwDestination;
        src.dwSource = s;
        if (mixerGetLineInfoA(Obj(m), &src, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) == MMSYSERR_NOERROR &&
            visit(src)) {
            return src.dwLineID;
        }
    }
    return 0;
}

std::string_view Bounded(const char* text, std::size_t capacity) { return {text, strnlen(text, capacity)}; }
}

DWORD SMixer::FindSourceLine(DWORD destinationType, DWORD componentType)
{
    if (componentType == 0) {
        return 0;
    }
    return EachSource(mixer, destinationType,
                      [componentType](const MIXERLINEA& l) { return l.dwComponentType == componentType; });
}

DWORD SMixer::FindSourceLineByName(DWORD destinationType, const char* name)
{
    if (!name) {
        return 0;
    }
    return EachSource(mixer, destinationType, [name](const MIXERLINEA& l) {
        return EqualsNoCase(Bounded(l.szShortName, sizeof l.szShortName), name) ||
               EqualsNoCase(Bounded(l.szName, sizeof l.szName), name);
    });
}

DWORD SMixer::FindPlayLine(DWORD type) { return FindSourceLine(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, type); }
DWORD SMixer::FindRecordLine(DWORD type) { return FindSourceLine(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, type); }
DWORD SMixer::FindPlayLineByName(const char* name)
{
    return FindSourceLineByName(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, name);
}
DWORD SMixer::FindRecordLineByName(const char* name)
{
    return FindSourceLineByName(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, name);
}

bool SMixer::GetControl(DWORD lineId, DWORD controlType, MIXERCONTROLA* control)
{
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = lineId;
    lc.dwControlType = controlType;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof(MIXERCONTROLA);
    lc.pamxctrl = control;
    return mixerGetLineControlsA(Obj(mixer), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
}

bool SMixer::SetValue(DWORD destinationType, DWORD componentType, DWORD controlType,
                      LONG (*toValue)(const MIXERCONTROLA&, int), int level)
{
    const DWORD line = FindSourceLine(destinationType, componentType);
    MIXERCONTROLA c{};
    if (!line || !GetControl(line, controlType, &c)) {
        return false;
    }
    LONG value = toValue(c, level);
    return Details(mixer, c.dwControlID, 0, sizeof value, &value, true, MIXER_SETCONTROLDETAILSF_VALUE);
}

bool SMixer::GetValue(DWORD destinationType, DWORD componentType, DWORD controlType, LONG* value,
                      MIXERCONTROLA* control)
{
    const DWORD line = FindSourceLine(destinationType, componentType);
    return line && GetControl(line, controlType, control) &&
           Details(mixer, control->dwControlID, 0, sizeof *value, value, false, MIXER_GETCONTROLDETAILSF_VALUE);
}

bool SMixer::SetPlayVolume(DWORD type, int level)
{
    if (level < 0 || level > 127) {
        return false;
    }
    return SetValue(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, type, MIXERCONTROL_CONTROLTYPE_VOLUME, VolumeValue, level);
}
bool SMixer::SetPlayVolume(const char* name, int level) { return SetPlayVolume(ComponentTypeFromName(name), level); }

int SMixer::GetPlayVolume(DWORD type)
{
    LONG value = 0;
    MIXERCONTROLA c{};
    if (!GetValue(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, type, MIXERCONTROL_CONTROLTYPE_VOLUME, &value, &c)) {
        return -1;
    }
    return VolumeLevel(c, value);
}
int SMixer::GetPlayVolume(const char* name) { return GetPlayVolume(ComponentTypeFromName(name)); }

bool SMixer::SetPlayMute(DWORD type, bool on)
{
    return SetValue(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, type, MIXERCONTROL_CONTROLTYPE_MUTE, MuteValue, on ? 1 : 0);
}
bool SMixer::SetPlayMute(const char* name, bool on) { return SetPlayMute(ComponentTypeFromName(name), on); }

bool SMixer::GetPlayMute(DWORD type)
{
    LONG value = 0;
    MIXERCONTROLA c{};
    return GetValue(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, type, MIXERCONTROL_CONTROLTYPE_MUTE, &value, &c) &&
           value != 0;
}
bool SMixer::GetPlayMute(const char* name) { return GetPlayMute(ComponentTypeFromName(name)); }

bool SMixer::SetRecordVolume(DWORD type, int level)
{
    if (level < 0 || level > 127) {
        return false;
    }
    return SetValue(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, type, MIXERCONTROL_CONTROLTYPE_VOLUME, VolumeValue, level);
}
bool SMixer::SetRecordVolume(const char* name, int level)
{
    return SetRecordVolume(ComponentTypeFromName(name), level);
}

int SMixer::GetRecordVolume(DWORD type)
{
    LONG value = 0;
    MIXERCONTROLA c{};
    if (!GetValue(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, type, MIXERCONTROL_CONTROLTYPE_VOLUME, &value, &c)) {
        return -1;
    }
    return VolumeLevel(c, value);
}
int SMixer::GetRecordVolume(const char* name) { return GetRecordVolume(ComponentTypeFromName(name)); }

bool SMixer::FindSelector(MIXERCONTROLA* selector)
{
    MIXERLINEA dest{};
    dest.cbStruct = sizeof dest;
    dest.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (!mixer || mixerGetLineInfoA(Obj(mixer), &dest, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
                      MMSYSERR_NOERROR ||
        dest.cControls == 0) {
        return false;
    }
    std::vector<MIXERCONTROLA> controls(dest.cControls);
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = dest.dwLineID;
    lc.cControls = dest.cControls;
    lc.cbmxctrl = sizeof(MIXERCONTROLA);
    lc.pamxctrl = controls.data();
    if (mixerGetLineControlsA(Obj(mixer), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) !=
        MMSYSERR_NOERROR) {
        return false;
    }
    for (const MIXERCONTROLA& c : controls) {
        if (IsSelector(c.dwControlType)) {
            *selector = c;
            return true;
        }
    }
    return false;
}

namespace {
DWORD ItemCount(const MIXERCONTROLA& c) { return c.cMultipleItems == 0 ? 1 : c.cMultipleItems; }

bool ReadNames(HMIXER m, const MIXERCONTROLA& c, std::vector<MIXERCONTROLDETAILS_LISTTEXTA>* names)
{
    names->assign(ItemCount(c), MIXERCONTROLDETAILS_LISTTEXTA{});
    return Details(m, c.dwControlID, ItemCount(c), sizeof(MIXERCONTROLDETAILS_LISTTEXTA), names->data(), false,
                   MIXER_GETCONTROLDETAILSF_LISTTEXT);
}

std::string_view ItemName(const MIXERCONTROLDETAILS_LISTTEXTA& t) { return Bounded(t.szName, sizeof t.szName); }
}

int SMixer::GetRecordLineCount()
{
    MIXERCONTROLA c{};
    return FindSelector(&c) ? static_cast<int>(ItemCount(c)) : -1;
}

bool SMixer::GetRecordLineName(int index, char* buffer, std::size_t size)
{
    MIXERCONTROLA c{};
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> names;
    if (!buffer || !FindSelector(&c) || index < 0 || static_cast<DWORD>(index) >= ItemCount(c) ||
        !ReadNames(mixer, c, &names)) {
        return false;
    }
    platform::CopyBounded(buffer, size, ItemName(names[static_cast<std::size_t>(index)]));
    return true;
}

bool SMixer::GetSelectedRecordLine(char* buffer, std::size_t size)
{
    MIXERCONTROLA c{};
    if (!buffer || !FindSelector(&c)) {
        return false;
    }
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> names;
    const bool haveNames = ReadNames(mixer, c, &names);
    std::vector<LONG> values(ItemCount(c));
    if (!Details(mixer, c.dwControlID, ItemCount(c), sizeof(LONG), values.data(), false,
                 MIXER_GETCONTROLDETAILSF_VALUE)) {
        return false;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] != 0) {
            if (haveNames) {
                platform::CopyBounded(buffer, size < 260 ? size : 260, ItemName(names[i]));
            }
            break;
        }
    }
    return true;
}

bool SMixer::SelectRecordLine(const char* name)
{
    MIXERCONTROLA c{};
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> names;
    if (!name || !FindSelector(&c) || !ReadNames(mixer, c, &names)) {
        return false;
    }
    const bool lineIn = EqualsNoCase(name, "line-in");
    std::size_t chosen = names.size();
    for (std::size_t i = 0; i < names.size() && chosen == names.size(); ++i) {
        const std::string_view item = ItemName(names[i]);
        if (EqualsNoCase(item, name) || (lineIn && (EqualsNoCase(item, "linein") || EqualsNoCase(item, "line in")))) {
            chosen = i;
        }
    }
    if (chosen == names.size()) {
        return false;
    }
    // Even a mixer or multiple-select control ends with exactly one input on.
    std::vector<LONG> values(names.size(), 0);
    values[chosen] = 1;
    return Details(mixer, c.dwControlID, ItemCount(c), sizeof(LONG), values.data(), true,
                   MIXER_SETCONTROLDETAILSF_VALUE);
}
