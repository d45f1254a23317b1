// The mixer calls: lines by index, id and type, callers' arrays checked, refusals, and ALSA's own elements.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/mixer/MixerDevice.h"
#include "platform/mixer/ScriptedMixer.h"
#include "platform/wave/ScriptedWave.h"

namespace script = platform::scripted;

namespace {
struct MixerApi : ::testing::Test {
    void SetUp() override
    {
        setenv("TAPVOX_AUDIO", "script", 1);
        script::ResetWaveScript();
        script::MixerScript card;
        card.name = "Card";
        script::MixerDestinationScript wavein;
        wavein.line = {MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                       "Rec",
                       "Recording",
                       {{MIXERCONTROL_CONTROLTYPE_MUX, "Source", 0, 1, {"Mic", "Line"}, {1, 0}}}};
        wavein.sources = {{MIXERLINE_COMPONENTTYPE_SRC_LINE,
                           "Line",
                           "Line In",
                           {{MIXERCONTROL_CONTROLTYPE_VOLUME, "Gain", 10, 20, {}, {15}},
                            {MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", 0, 1, {}, {0}}}}};
        card.destinations = {wavein};
        script::SetMixers({card});
        ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_WAVEIN), MMSYSERR_NOERROR);
    }
    void TearDown() override
    {
        if (mixer) {
            mixerClose(mixer);
        }
    }
    HMIXEROBJ Obj() const { return reinterpret_cast<HMIXEROBJ>(mixer); }

    MIXERLINEA Line(DWORD flags, DWORD destination, DWORD source, DWORD lineId = 0, DWORD type = 0)
    {
        MIXERLINEA l{};
        l.cbStruct = sizeof l;
        l.dwDestination = destination;
        l.dwSource = source;
        l.dwLineID = lineId;
        l.dwComponentType = type;
        result = mixerGetLineInfoA(Obj(), &l, MIXER_OBJECTF_HMIXER | flags);
        return l;
    }

    HMIXER mixer = nullptr;
    MMRESULT result = 0;
};
}

TEST_F(MixerApi, LinesAreFoundByIndexIdAndComponentType)
{
    const MIXERLINEA dest = Line(MIXER_GETLINEINFOF_COMPONENTTYPE, 0, 0, 0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    EXPECT_EQ(dest.cConnections, 1u);
    EXPECT_EQ(dest.cControls, 1u);
    EXPECT_STREQ(dest.Target.szPname, "Card");
    const MIXERLINEA src = Line(MIXER_GETLINEINFOF_SOURCE, 0, 0);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    EXPECT_STREQ(src.szName, "Line In");
    EXPECT_TRUE(src.fdwLine & MIXERLINE_LINEF_SOURCE);
    EXPECT_NE(src.dwLineID, 0u);
    const MIXERLINEA again = Line(MIXER_GETLINEINFOF_LINEID, 0, 0, src.dwLineID);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    EXPECT_EQ(again.dwComponentType, MIXERLINE_COMPONENTTYPE_SRC_LINE);
    Line(MIXER_GETLINEINFOF_SOURCE, 0, 1);
    EXPECT_EQ(result, MIXERR_INVALLINE);
    Line(MIXER_GETLINEINFOF_COMPONENTTYPE, 0, 0, 0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ(result, MIXERR_INVALLINE);
}

TEST_F(MixerApi, ControlQueriesCheckTheCallersArrays)
{
    const MIXERLINEA src = Line(MIXER_GETLINEINFOF_SOURCE, 0, 0);
    MIXERCONTROLA controls[3] = {};
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = src.dwLineID;
    lc.cControls = 3;  // the line has two
    lc.cbmxctrl = sizeof(MIXERCONTROLA);
    lc.pamxctrl = controls;
    EXPECT_EQ(mixerGetLineControlsA(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL), MMSYSERR_INVALPARAM);
    lc.cControls = 2;
    ASSERT_EQ(mixerGetLineControlsA(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    EXPECT_EQ(controls[0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(controls[0].Bounds.lMinimum, 10);
    EXPECT_EQ(controls[0].Bounds.lMaximum, 20);
    EXPECT_EQ(controls[1].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);
    lc.cControls = 1;
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_MUX;
    EXPECT_EQ(mixerGetLineControlsA(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MIXERR_INVALCONTROL);
    lc.pamxctrl = nullptr;
    EXPECT_EQ(mixerGetLineControlsA(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MMSYSERR_INVALPARAM);

    // Values: out-of-range volumes are clamped, booleans become 0 or 1.
    LONG value = 99;
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = controls[0].dwControlID;
    d.cChannels = 1;
    d.cbDetails = sizeof value;
    d.paDetails = &value;
    ASSERT_EQ(mixerSetControlDetails(Obj(), &d, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    EXPECT_EQ(script::MixerControlValues(0, "Gain"), std::vector<LONG>{20});
    d.dwControlID = controls[1].dwControlID;
    value = -5;
    ASSERT_EQ(mixerSetControlDetails(Obj(), &d, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    EXPECT_EQ(script::MixerControlValues(0, "Mute"), std::vector<LONG>{1});
    d.paDetails = nullptr;
    EXPECT_EQ(mixerGetControlDetailsA(Obj(), &d, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALPARAM);
    d.paDetails = &value;
    d.dwControlID = 999;
    EXPECT_EQ(mixerGetControlDetailsA(Obj(), &d, MIXER_OBJECTF_HMIXER), MIXERR_INVALCONTROL);
}

TEST_F(MixerApi, SelectorItemsNeedAnArrayOfTheirCount)
{
    const MIXERLINEA dest = Line(MIXER_GETLINEINFOF_DESTINATION, 0, 0);
    MIXERCONTROLA mux{};
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = dest.dwLineID;
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_MUX;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof mux;
    lc.pamxctrl = &mux;
    ASSERT_EQ(mixerGetLineControlsA(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MMSYSERR_NOERROR);
    ASSERT_EQ(mux.cMultipleItems, 2u);
    MIXERCONTROLDETAILS_LISTTEXTA texts[2] = {};
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = mux.dwControlID;
    d.cChannels = 1;
    d.cMultipleItems = 1;  // fewer than the control has
    d.cbDetails = sizeof texts[0];
    d.paDetails = texts;
    EXPECT_EQ(mixerGetControlDetailsA(Obj(), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT),
              MMSYSERR_INVALPARAM);
    d.cMultipleItems = 2;
    ASSERT_EQ(mixerGetControlDetailsA(Obj(), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(texts[1].szName, "Line");
    d.cbDetails = 4;
    EXPECT_EQ(mixerGetControlDetailsA(Obj(), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT),
              MMSYSERR_INVALPARAM);
    LONG values[2] = {};
    d.paDetails = values;
    ASSERT_EQ(mixerGetControlDetailsA(Obj(), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE),
              MMSYSERR_NOERROR);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 0);
}

TEST_F(MixerApi, HandlesAndDevicesThatAreNotThereAreRefused)
{
    HMIXER other = nullptr;
    EXPECT_EQ(mixerOpen(&other, 5, 0, 0, MIXER_OBJECTF_WAVEIN), MMSYSERR_NODRIVER);
    EXPECT_EQ(mixerOpen(&other, 5, 0, 0, MIXER_OBJECTF_MIXER), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerOpen(nullptr, 0, 0, 0, MIXER_OBJECTF_MIXER), MMSYSERR_INVALPARAM);
    MIXERCAPSA caps{};
    ASSERT_EQ(mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(mixer), &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Card");
    ASSERT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
    Line(MIXER_GETLINEINFOF_DESTINATION, 0, 0);
    EXPECT_EQ(result, MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerClose(mixer), MMSYSERR_INVALHANDLE);
    mixer = nullptr;
    setenv("TAPVOX_AUDIO", "file:/nonexistent.wav", 1);
    EXPECT_EQ(mixerGetNumDevs(), 0u);
}

// ALSA's mixer elements seen through the same interface: a card's where one
// exists, else the sound server's (ctest runs this beside a private null server).
TEST(AlsaMixer, PlaybackAndCaptureElementsBecomeLinesWithControls)
{
    unsetenv("TAPVOX_AUDIO");
    auto device = mixerGetNumDevs() > 0 ? platform::mixer::CurrentDriver().Open(0)
                                        : platform::mixer::OpenAlsaMixer("pulse", "Sound server");
    if (!device) {
        GTEST_SKIP() << "no ALSA mixer answers here";
    }
    const auto& d = device->Describe();
    ASSERT_EQ(d.destinations.size(), 2u);
    EXPECT_EQ(d.destinations[0].line.componentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ(d.destinations[1].line.componentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    // Every volume reads back what was written (within the element's resolution).
    int volumes = 0;
    for (const auto& dest : d.destinations) {
        std::vector<const platform::mixer::Line*> lines{&dest.line};
        for (const auto& s : dest.sources) {
            lines.push_back(&s);
        }
        for (const auto* line : lines) {
            for (const auto& c : line->controls) {
                std::vector<LONG> before;
                ASSERT_TRUE(device->Read(c, &before)) << c.name;
                if (c.type != MIXERCONTROL_CONTROLTYPE_VOLUME) {
                    continue;
                }
                ++volumes;
                ASSERT_TRUE(device->Write(c, {c.maximum / 2})) << c.name;
                std::vector<LONG> after;
                ASSERT_TRUE(device->Read(c, &after));
                EXPECT_NEAR(after[0], c.maximum / 2, c.maximum / 50) << c.name;
                device->Write(c, before);
            }
        }
    }
    EXPECT_GT(volumes, 0);
}
