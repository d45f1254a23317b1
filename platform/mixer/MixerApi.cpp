// The mixer* entry points on a backend's description: argument checks, line
// and control lookup, and the Windows structures.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/core/Strings.h"
#include "platform/mixer/MixerDevice.h"
#include "platform/user/Messages.h"
#include "platform/wave/AudioChoice.h"

namespace platform::mixer {
namespace {
struct Table {
    std::mutex mutex;
    std::map<const void*, std::shared_ptr<Device>> open;
};

Table& Mixers()
{
    static Table table;
    return table;
}

// The open mixer behind an object argument: a live handle, or a mixer index opened for the call.
std::shared_ptr<Device> Resolve(HMIXEROBJ object, DWORD flags, MMRESULT* error)
{
    const DWORD kind = flags & MIXER_OBJECTF_TYPEMASK;
    if (kind == MIXER_OBJECTF_HMIXER) {
        std::lock_guard lock(Mixers().mutex);
        const auto it = Mixers().open.find(object);
        if (it == Mixers().open.end()) {
            *error = MMSYSERR_INVALHANDLE;
            return nullptr;
        }
        return it->second;
    }
    if (kind == MIXER_OBJECTF_MIXER) {
        const auto id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(object));
        auto device = CurrentDriver().Open(id);
        if (!device) {
            *error = MMSYSERR_BADDEVICEID;
        }
        return device;
    }
    *error = MMSYSERR_NOTSUPPORTED;
    return nullptr;
}

struct Found {
    const Line* line = nullptr;
    DWORD destination = 0;
    DWORD source = 0;
    bool isSource = false;
    DWORD connections = 0;
};

void FillLine(const Description& d, const Found& f, MIXERLINEA* out)
{
    const DWORD cb = out->cbStruct;
    const DWORD_PTR user = out->dwUser;
    std::memset(out, 0, sizeof *out);
    out->cbStruct = cb;
    out->dwUser = user;
    out->dwDestination = f.destination;
    out->dwSource = f.isSource ? f.source : 0;
    out->dwLineID = f.line->id;
    out->fdwLine = MIXERLINE_LINEF_ACTIVE | (f.isSource ? MIXERLINE_LINEF_SOURCE : 0);
    out->dwComponentType = f.line->componentType;
    out->cChannels = f.line->channels;
    out->cConnections = f.connections;
    out->cControls = static_cast<DWORD>(f.line->controls.size());
    platform::CopyBounded(out->szShortName, sizeof out->szShortName, f.line->shortName);
    platform::CopyBounded(out->szName, sizeof out->szName, f.line->name);
    platform::CopyBounded(out->Target.szPname, sizeof out->Target.szPname, d.name);
}

template <typename Match>
bool FindLine(const Description& d, Match match, Found* f)
{
    for (DWORD i = 0; i < d.destinations.size(); ++i) {
        const Destination& dest = d.destinations[i];
        if (match(dest.line)) {
            *f = {&dest.line, i, 0, false, static_cast<DWORD>(dest.sources.size())};
            return true;
        }
    }
    for (DWORD i = 0; i < d.destinations.size(); ++i) {
        const Destination& dest = d.destinations[i];
        for (DWORD s = 0; s < dest.sources.size(); ++s) {
            if (match(dest.sources[s])) {
                *f = {&dest.sources[s], i, s, true, 0};
                return true;
            }
        }
    }
    return false;
}

const Control* FindControl(const Description& d, DWORD id, const Line** owner = nullptr)
{
    const Control* found = nullptr;
    Found where;
    FindLine(
        d,
        [&](const Line& line) {
            for (const Control& c : line.controls) {
                if (c.id == id) {
                    found = &c;
                    return true;
                }
            }
            return false;
        },
        &where);
    if (found && owner) {
        *owner = where.line;
    }
    return found;
}

void FillControl(const Control& c, MIXERCONTROLA* out)
{
    std::memset(out, 0, sizeof *out);
    out->cbStruct = sizeof *out;
    out->dwControlID = c.id;
    out->dwControlType = c.type;
    out->fdwControl = MIXERCONTROL_CONTROLF_UNIFORM | (c.items.empty() ? 0 : MIXERCONTROL_CONTROLF_MULTIPLE);
    out->cMultipleItems = static_cast<DWORD>(c.items.size());
    platform::CopyBounded(out->szShortName, sizeof out->szShortName, c.shortName);
    platform::CopyBounded(out->szName, sizeof out->szName, c.name);
    out->Bounds.lMinimum = c.minimum;
    out->Bounds.lMaximum = c.maximum;
    out->Metrics.cSteps = c.maximum > c.minimum ? static_cast<DWORD>(c.maximum - c.minimum) : 0;
}

// The details array must hold cChannels x items values of cbDetails bytes.
MMRESULT CheckDetails(const Control& c, const MIXERCONTROLDETAILS* d, std::size_t itemSize)
{
    const DWORD items = c.items.empty() ? 1 : static_cast<DWORD>(c.items.size());
    const DWORD asked = c.items.empty() ? 0 : d->cMultipleItems;
    if (!d->paDetails || d->cChannels < 1 || d->cChannels > 2 || d->cbDetails < itemSize ||
        (!c.items.empty() && asked != items)) {
        return MMSYSERR_INVALPARAM;
    }
    return MMSYSERR_NOERROR;
}

bool IsBoolean(DWORD type) { return (type & 0xF0000000) == 0x20000000 || (type & 0xF0000000) == 0x70000000; }
}
}

using namespace platform::mixer;

UINT mixerGetNumDevs() { return CurrentDriver().Count(); }

MMRESULT mixerGetDevCapsA(UINT_PTR mixerId, LPMIXERCAPSA caps, UINT size)
{
    if (!caps || size < sizeof(MIXERCAPSA)) {
        return MMSYSERR_INVALPARAM;
    }
    // The id may also be an open mixer's handle.
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(Mixers().mutex);
        const auto it = Mixers().open.find(reinterpret_cast<const void*>(mixerId));
        if (it != Mixers().open.end()) {
            device = it->second;
        }
    }
    if (!device) {
        device = CurrentDriver().Open(static_cast<UINT>(mixerId));
    }
    if (!device) {
        return MMSYSERR_BADDEVICEID;
    }
    *caps = MIXERCAPSA{};
    platform::CopyBounded(caps->szPname, sizeof caps->szPname, device->Describe().name);
    caps->cDestinations = static_cast<DWORD>(device->Describe().destinations.size());
    return MMSYSERR_NOERROR;
}

MMRESULT mixerOpen(LPHMIXER handle, UINT mixerId, DWORD_PTR /*callback*/, DWORD_PTR /*instance*/, DWORD flags)
{
    if (!handle) {
        return MMSYSERR_INVALPARAM;
    }
    *handle = nullptr;
    const DWORD callbackType = flags & CALLBACK_TYPEMASK;
    if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_WINDOW) {
        return MMSYSERR_INVALFLAG;
    }
    UINT id = mixerId;
    const DWORD kind = flags & MIXER_OBJECTF_TYPEMASK;
    if (kind == MIXER_OBJECTF_WAVEIN) {
        const int mixer = CurrentDriver().MixerOfWaveIn(mixerId);
        if (mixer < 0) {
            return MMSYSERR_NODRIVER;
        }
        id = static_cast<UINT>(mixer);
    } else if (kind != MIXER_OBJECTF_MIXER) {
        return MMSYSERR_NOTSUPPORTED;
    }
    // Change notifications (MM_MIXM_*) are not sent: nothing of the program handles them.
    std::shared_ptr<Device> device = CurrentDriver().Open(id);
    if (!device) {
        return MMSYSERR_BADDEVICEID;
    }
    std::lock_guard lock(Mixers().mutex);
    Mixers().open.emplace(device.get(), device);
    *handle = reinterpret_cast<HMIXER>(device.get());
    return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER handle)
{
    std::lock_guard lock(Mixers().mutex);
    return Mixers().open.erase(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT mixerGetLineInfoA(HMIXEROBJ object, LPMIXERLINEA line, DWORD flags)
{
    if (!line || line->cbStruct < sizeof(MIXERLINEA)) {
        return MMSYSERR_INVALPARAM;
    }
    MMRESULT error = MMSYSERR_NOERROR;
    const auto device = Resolve(object, flags, &error);
    if (!device) {
        return error;
    }
    const Description& d = device->Describe();
    Found f;
    bool ok = false;
    switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (line->dwDestination < d.destinations.size()) {
            const Destination& dest = d.destinations[line->dwDestination];
            f = {&dest.line, line->dwDestination, 0, false, static_cast<DWORD>(dest.sources.size())};
            ok = true;
        }
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        if (line->dwDestination < d.destinations.size() &&
            line->dwSource < d.destinations[line->dwDestination].sources.size()) {
            f = {&d.destinations[line->dwDestination].sources[line->dwSource], line->dwDestination, line->dwSource,
                 true, 0};
            ok = true;
        }
        break;
    case MIXER_GETLINEINFOF_LINEID: {
        const DWORD id = line->dwLineID;
        ok = FindLine(d, [id](const Line& l) { return l.id == id; }, &f);
        break;
    }
    case MIXER_GETLINEINFOF_COMPONENTTYPE: {
        const DWORD type = line->dwComponentType;
        ok = FindLine(d, [type](const Line& l) { return l.componentType == type; }, &f);
        break;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
    if (!ok) {
        return MIXERR_INVALLINE;
    }
    FillLine(d, f, line);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControlsA(HMIXEROBJ object, LPMIXERLINECONTROLSA controls, DWORD flags)
{
    if (!controls || controls->cbStruct < sizeof(MIXERLINECONTROLSA) || !controls->pamxctrl ||
        controls->cbmxctrl < sizeof(MIXERCONTROLA) || controls->cControls == 0) {
        return MMSYSERR_INVALPARAM;
    }
    MMRESULT error = MMSYSERR_NOERROR;
    const auto device = Resolve(object, flags, &error);
    if (!device) {
        return error;
    }
    const Description& d = device->Describe();
    auto* out = reinterpret_cast<std::uint8_t*>(controls->pamxctrl);
    const DWORD query = flags & MIXER_GETLINECONTROLSF_QUERYMASK;
    if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
        const Line* owner = nullptr;
        const Control* c = FindControl(d, controls->dwControlID, &owner);
        if (!c) {
            return MIXERR_INVALCONTROL;
        }
        controls->dwLineID = owner->id;
        FillControl(*c, controls->pamxctrl);
        return MMSYSERR_NOERROR;
    }
    Found f;
    const DWORD lineId = controls->dwLineID;
    if (!FindLine(d, [lineId](const Line& l) { return l.id == lineId; }, &f)) {
        return MIXERR_INVALLINE;
    }
    if (query == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
        for (const Control& c : f.line->controls) {
            if (c.type == controls->dwControlType) {
                FillControl(c, controls->pamxctrl);
                return MMSYSERR_NOERROR;
            }
        }
        return MIXERR_INVALCONTROL;
    }
    if (query != MIXER_GETLINECONTROLSF_ALL) {
        return MMSYSERR_INVALFLAG;
    }
    // The caller's array must be sized by the line's control count.
    if (controls->cControls != f.line->controls.size()) {
        return MMSYSERR_INVALPARAM;
    }
    for (std::size_t i = 0; i < f.line->controls.size(); ++i) {
        FillControl(f.line->controls[i], reinterpret_cast<MIXERCONTROLA*>(out + i * controls->cbmxctrl));
    }
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetControlDetailsA(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags)
{
    if (!details || details->cbStruct < sizeof(MIXERCONTROLDETAILS)) {
        return MMSYSERR_INVALPARAM;
    }
    MMRESULT error = MMSYSERR_NOERROR;
    const auto device = Resolve(object, flags, &error);
    if (!device) {
        return error;
    }
    const Control* c = FindControl(device->Describe(), details->dwControlID);
    if (!c) {
        return MIXERR_INVALCONTROL;
    }
    auto* out = static_cast<std::uint8_t*>(details->paDetails);
    const DWORD query = flags & MIXER_GETCONTROLDETAILSF_QUERYMASK;
    if (query == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
        if (c->items.empty()) {
            return MMSYSERR_INVALPARAM;
        }
        if (const MMRESULT r = CheckDetails(*c, details, sizeof(MIXERCONTROLDETAILS_LISTTEXTA)); r) {
            return r;
        }
        for (std::size_t i = 0; i < c->items.size(); ++i) {
            auto* text = reinterpret_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(out + i * details->cbDetails);
            *text = MIXERCONTROLDETAILS_LISTTEXTA{};
            text->dwParam1 = static_cast<DWORD>(i);
            platform::CopyBounded(text->szName, sizeof text->szName, c->items[i]);
        }
        return MMSYSERR_NOERROR;
    }
    if (query != MIXER_GETCONTROLDETAILSF_VALUE) {
        return MMSYSERR_INVALFLAG;
    }
    if (const MMRESULT r = CheckDetails(*c, details, sizeof(LONG)); r) {
        return r;
    }
    std::vector<LONG> values;
    if (!device->Read(*c, &values) || values.size() != (c->items.empty() ? 1 : c->items.size())) {
        return MMSYSERR_ERROR;
    }
    // Channel-major: each channel gets the control's uniform values.
    std::size_t at = 0;
    for (DWORD ch = 0; ch < details->cChannels; ++ch) {
        for (const LONG v : values) {
            std::memcpy(out + at * details->cbDetails, &v, sizeof v);
            ++at;
        }
    }
    return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags)
{
    if (!details || details->cbStruct < sizeof(MIXERCONTROLDETAILS)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((flags & MIXER_SETCONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE) {
        return MMSYSERR_INVALFLAG;
    }
    MMRESULT error = MMSYSERR_NOERROR;
    const auto device = Resolve(object, flags, &error);
    if (!device) {
        return error;
    }
    const Control* c = FindControl(device->Describe(), details->dwControlID);
    if (!c) {
        return MIXERR_INVALCONTROL;
    }
    if (const MMRESULT r = CheckDetails(*c, details, sizeof(LONG)); r) {
        return r;
    }
    const auto* in = static_cast<const std::uint8_t*>(details->paDetails);
    std::vector<LONG> values(c->items.empty() ? 1 : c->items.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        LONG v = 0;
        std::memcpy(&v, in + i * details->cbDetails, sizeof v);
        if (IsBoolean(c->type)) {
            v = v != 0;
        } else if (c->minimum < c->maximum) {
            v = v < c->minimum ? c->minimum : (v > c->maximum ? c->maximum : v);
        }
        values[i] = v;
    }
    return device->Write(*c, values) ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

namespace platform::mixer {
void AssignIds(Description& d)
{
    DWORD control = 1;
    for (DWORD i = 0; i < d.destinations.size(); ++i) {
        Destination& dest = d.destinations[i];
        dest.line.id = 0xFFFF0000u + i;
        for (Control& c : dest.line.controls) {
            c.id = control++;
        }
        for (DWORD s = 0; s < dest.sources.size(); ++s) {
            dest.sources[s].id = ((i + 1) << 16) | s;
            for (Control& c : dest.sources[s].controls) {
                c.id = control++;
            }
        }
    }
}

namespace {
// The file-fed devices (and an unknown TAPVOX_AUDIO value) have no mixer.
class NoMixers : public Driver {
public:
    UINT Count() override { return 0; }
    std::unique_ptr<Device> Open(UINT) override { return nullptr; }
    int MixerOfWaveIn(UINT) override { return -1; }
};
}

Driver& CurrentDriver()
{
    switch (platform::wave::ChosenAudio().devices) {
    case platform::wave::AudioDevices::Alsa:
        return AlsaDriver();
    case platform::wave::AudioDevices::Script:
        return ScriptedDriver();
    case platform::wave::AudioDevices::File:
    case platform::wave::AudioDevices::Unknown:
        break;
    }
    static NoMixers none;
    return none;
}
}
