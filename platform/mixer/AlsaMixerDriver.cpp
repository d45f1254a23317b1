// Mixers of the ALSA cards, built from their simple mixer elements: the
// speakers destination holds the playback elements (its own volume and mute
// from "Master"), the wave-in destination the capture elements, with the
// capture-source selector as a mux (an enumerated capture element) or, failing
// that, a mixer control over the elements' capture switches. Volumes are
// scaled to 0..65535 as on Windows.
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/mixer/MixerDevice.h"
#include "platform/wave/AlsaCards.h"

namespace platform::mixer {
namespace {
constexpr LONG kScale = 65535;

std::vector<int> Cards()
{
    wave::QuietAlsa();
    std::vector<int> cards;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        cards.push_back(card);
    }
    return cards;
}

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

DWORD SourceType(const std::string& name)
{
    if (Contains(name, "Mic")) {
        return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    }
    if (Contains(name, "Line")) {
        return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    }
    if (Contains(name, "Aux")) {
        return MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    }
    if (Contains(name, "CD")) {
        return MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    }
    if (Contains(name, "PCM") || Contains(name, "Wave")) {
        return MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    }
    return MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
}

enum class Kind { PlaybackVolume, PlaybackMute, CaptureVolume, CaptureMute, CaptureEnum, CaptureSwitches };

struct Binding {
    Kind kind;
    std::vector<snd_mixer_elem_t*> elements;
};

class AlsaMixer : public Device {
public:
    AlsaMixer(snd_mixer_t* mixer, std::string name) : mixer_(mixer) { Build(std::move(name)); }
    ~AlsaMixer() override { snd_mixer_close(mixer_); }

    const Description& Describe() const override { return description_; }

    bool Read(const Control& control, std::vector<LONG>* values) override
    {
        snd_mixer_handle_events(mixer_);
        const auto it = bindings_.find(control.id);
        if (it == bindings_.end()) {
            return false;
        }
        const Binding& b = it->second;
        snd_mixer_elem_t* e = b.elements.front();
        long v = 0;
        long lo = 0;
        long hi = 0;
        int on = 0;
        switch (b.kind) {
        case Kind::PlaybackVolume:
        case Kind::CaptureVolume: {
            const bool play = b.kind == Kind::PlaybackVolume;
            if ((play ? snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &v)
                      : snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &v)) < 0 ||
                (play ? snd_mixer_selem_get_playback_volume_range(e, &lo, &hi)
                      : snd_mixer_selem_get_capture_volume_range(e, &lo, &hi)) < 0) {
                return false;
            }
            *values = {hi > lo ? static_cast<LONG>((v - lo) * kScale / (hi - lo)) : 0};
            return true;
        }
        case Kind::PlaybackMute:
        case Kind::CaptureMute:
            if ((b.kind == Kind::PlaybackMute ? snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on)
                                              : snd_mixer_selem_get_capture_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on)) <
                0) {
                return false;
            }
            *values = {on ? 0 : 1};
            return true;
        case Kind::CaptureEnum: {
            unsigned item = 0;
            if (snd_mixer_selem_get_enum_item(e, SND_MIXER_SCHN_FRONT_LEFT, &item) < 0) {
                return false;
            }
            values->assign(control.items.size(), 0);
            if (item < values->size()) {
                (*values)[item] = 1;
            }
            return true;
        }
        case Kind::CaptureSwitches:
            values->clear();
            for (snd_mixer_elem_t* s : b.elements) {
                if (snd_mixer_selem_get_capture_switch(s, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0) {
                    return false;
                }
                values->push_back(on ? 1 : 0);
            }
            return true;
        }
        return false;
    }

    bool Write(const Control& control, const std::vector<LONG>& values) override
    {
        const auto it = bindings_.find(control.id);
        if (it == bindings_.end() || values.empty()) {
            return false;
        }
        const Binding& b = it->second;
        snd_mixer_elem_t* e = b.elements.front();
        long lo = 0;
        long hi = 0;
        switch (b.kind) {
        case Kind::PlaybackVolume:
            if (snd_mixer_selem_get_playback_volume_range(e, &lo, &hi) < 0) {
                return false;
            }
            return snd_mixer_selem_set_playback_volume_all(e, lo + static_cast<long>(values[0]) * (hi - lo) / kScale) ==
                   0;
        case Kind::CaptureVolume:
            if (snd_mixer_selem_get_capture_volume_range(e, &lo, &hi) < 0) {
                return false;
            }
            return snd_mixer_selem_set_capture_volume_all(e, lo + static_cast<long>(values[0]) * (hi - lo) / kScale) ==
                   0;
        case Kind::PlaybackMute:
            return snd_mixer_selem_set_playback_switch_all(e, values[0] ? 0 : 1) == 0;
        case Kind::CaptureMute:
            return snd_mixer_selem_set_capture_switch_all(e, values[0] ? 0 : 1) == 0;
        case Kind::CaptureEnum:
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (values[i]) {
                    bool ok = false;
                    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
                        ok |= snd_mixer_selem_set_enum_item(e, static_cast<snd_mixer_selem_channel_id_t>(ch),
                                                            static_cast<unsigned>(i)) == 0;
                    }
                    return ok;
                }
            }
            return true;
        case Kind::CaptureSwitches:
            for (std::size_t i = 0; i < values.size() && i < b.elements.size(); ++i) {
                if (snd_mixer_selem_set_capture_switch_all(b.elements[i], values[i] ? 1 : 0) < 0) {
                    return false;
                }
            }
            return true;
        }
        return false;
    }

private:
    void Add(Line& line, DWORD type, const std::string& name, Kind kind, std::vector<snd_mixer_elem_t*> elements,
             std::vector<std::string> items = {})
    {
        Control c;
        c.type = type;
        c.shortName = name.substr(0, 15);
        c.name = name;
        c.maximum = (type == MIXERCONTROL_CONTROLTYPE_VOLUME) ? kScale : 1;
        c.items = std::move(items);
        line.controls.push_back(c);
        pending_.push_back({kind, std::move(elements)});
    }

    void Build(std::string name)
    {
        description_.name = std::move(name);
        Destination speakers;
        speakers.line.componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        speakers.line.shortName = "Speakers";
        speakers.line.name = "Speakers";
        speakers.line.channels = 2;
        Destination wavein;
        wavein.line.componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
        wavein.line.shortName = "Recording";
        wavein.line.name = "Recording Control";
        wavein.line.channels = 2;

        std::vector<snd_mixer_elem_t*> elements;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e)) {
            if (snd_mixer_selem_is_active(e)) {
                elements.push_back(e);
            }
        }
        // Controls are bound in the order they are added: destination lines first, then their sources.
        snd_mixer_elem_t* selector = nullptr;
        std::vector<snd_mixer_elem_t*> switches;
        std::vector<std::string> switchNames;
        for (snd_mixer_elem_t* e : elements) {
            const std::string n = snd_mixer_selem_get_name(e);
            if (!selector && snd_mixer_selem_is_enum_capture(e)) {
                selector = e;
            }
            if (n != "Capture" && snd_mixer_selem_has_capture_switch(e)) {
                switches.push_back(e);
                switchNames.push_back(n);
            }
        }
        for (snd_mixer_elem_t* e : elements) {
            const std::string n = snd_mixer_selem_get_name(e);
            if (n == "Master") {
                if (snd_mixer_selem_has_playback_volume(e)) {
                    Add(speakers.line, MIXERCONTROL_CONTROLTYPE_VOLUME, "Master Volume", Kind::PlaybackVolume, {e});
                }
                if (snd_mixer_selem_has_playback_switch(e)) {
                    Add(speakers.line, MIXERCONTROL_CONTROLTYPE_MUTE, "Master Mute", Kind::PlaybackMute, {e});
                }
            }
        }
        for (snd_mixer_elem_t* e : elements) {
            const std::string n = snd_mixer_selem_get_name(e);
            if (n == "Master" || !(snd_mixer_selem_has_playback_volume(e) || snd_mixer_selem_has_playback_switch(e))) {
                continue;
            }
            Line line;
            line.componentType = SourceType(n);
            line.shortName = n.substr(0, 15);
            line.name = n;
            if (snd_mixer_selem_has_playback_volume(e)) {
                Add(line, MIXERCONTROL_CONTROLTYPE_VOLUME, n + " Volume", Kind::PlaybackVolume, {e});
            }
            if (snd_mixer_selem_has_playback_switch(e)) {
                Add(line, MIXERCONTROL_CONTROLTYPE_MUTE, n + " Mute", Kind::PlaybackMute, {e});
            }
            speakers.sources.push_back(std::move(line));
        }
        for (snd_mixer_elem_t* e : elements) {
            if (std::string(snd_mixer_selem_get_name(e)) == "Capture" && snd_mixer_selem_has_capture_volume(e)) {
                Add(wavein.line, MIXERCONTROL_CONTROLTYPE_VOLUME, "Capture Volume", Kind::CaptureVolume, {e});
            }
        }
        if (selector) {
            std::vector<std::string> items;
            const int count = snd_mixer_selem_get_enum_items(selector);
            for (int i = 0; i < count; ++i) {
                char text[64] = {};
                snd_mixer_selem_get_enum_item_name(selector, static_cast<unsigned>(i), sizeof text - 1, text);
                items.push_back(text);
            }
            Add(wavein.line, MIXERCONTROL_CONTROLTYPE_MUX, "Capture Source", Kind::CaptureEnum, {selector}, items);
        } else if (!switches.empty()) {
            Add(wavein.line, MIXERCONTROL_CONTROLTYPE_MIXER, "Capture Source", Kind::CaptureSwitches, switches,
                switchNames);
        }
        for (snd_mixer_elem_t* e : elements) {
            const std::string n = snd_mixer_selem_get_name(e);
            if (n == "Capture" || !(snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_has_capture_switch(e))) {
                continue;
            }
            Line line;
            line.componentType = SourceType(n);
            line.shortName = n.substr(0, 15);
            line.name = n;
            if (snd_mixer_selem_has_capture_volume(e)) {
                Add(line, MIXERCONTROL_CONTROLTYPE_VOLUME, n + " Capture Volume", Kind::CaptureVolume, {e});
            }
            if (snd_mixer_selem_has_capture_switch(e)) {
                Add(line, MIXERCONTROL_CONTROLTYPE_MUTE, n + " Capture Mute", Kind::CaptureMute, {e});
            }
            wavein.sources.push_back(std::move(line));
        }
        description_.destinations.push_back(std::move(speakers));
        description_.destinations.push_back(std::move(wavein));
        AssignIds(description_);
        // Controls were added in id order: each destination's line, then its sources.
        std::size_t next = 0;
        for (const Destination& d : description_.destinations) {
            std::vector<const Line*> lines{&d.line};
            for (const Line& l : d.sources) {
                lines.push_back(&l);
            }
            for (const Line* l : lines) {
                for (const Control& c : l->controls) {
                    bindings_[c.id] = pending_[next++];
                }
            }
        }
        pending_.clear();
    }

    snd_mixer_t* mixer_;
    Description description_;
    std::vector<Binding> pending_;
    std::map<DWORD, Binding> bindings_;
};

class Alsa : public Driver {
public:
    UINT Count() override { return static_cast<UINT>(Cards().size()); }

    std::unique_ptr<Device> Open(UINT id) override
    {
        const auto cards = Cards();
        if (id >= cards.size()) {
            return nullptr;
        }
        char* name = nullptr;
        std::string cardName = "hw:" + std::to_string(cards[id]);
        if (snd_card_get_name(cards[id], &name) == 0 && name) {
            cardName = name;
            std::free(name);
        }
        return OpenAlsaMixer(("hw:" + std::to_string(cards[id])).c_str(), cardName);
    }

    int MixerOfWaveIn(UINT waveInId) override
    {
        const int card = wave::AlsaCaptureCard(waveInId);
        const auto cards = Cards();
        for (std::size_t i = 0; i < cards.size(); ++i) {
            if (cards[i] == card) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};
}

std::unique_ptr<Device> OpenAlsaMixer(const char* ctlName, const std::string& name)
{
    wave::QuietAlsa();
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) {
        return nullptr;
    }
    if (snd_mixer_attach(mixer, ctlName) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    return std::make_unique<AlsaMixer>(mixer, name);
}

Driver& AlsaDriver()
{
    static Alsa driver;
    return driver;
}
}
