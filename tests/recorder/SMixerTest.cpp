// The sound card mixer: the mixer a device picks, one input on, volume scaling, bounded names, failures.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/mixer/ScriptedMixer.h"
#include "platform/wave/ScriptedWave.h"
#include "recorder/SMixer.h"

namespace script = platform::scripted;

namespace {
script::MixerControlScript Volume(const std::string& name, LONG lo, LONG hi, LONG value = 0)
{
    return {MIXERCONTROL_CONTROLTYPE_VOLUME, name, lo, hi, {}, {value}};
}
script::MixerControlScript Mute(const std::string& name) { return {MIXERCONTROL_CONTROLTYPE_MUTE, name, 0, 1, {}, {}}; }

script::MixerScript Card(const std::string& name, script::MixerControlScript selector)
{
    script::MixerScript card;
    card.name = name;
    script::MixerDestinationScript speakers;
    speakers.line = {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers", "Speakers", {Volume("Master", 0, 65535)}};
    speakers.sources = {
        {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave", "Wave", {Volume("Wave volume", 0, 65535)}},
        {MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line", "Line Volume", {Volume("Line volume", 0, 65535), Mute("Line mute")}},
        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Mic", "Microphone", {Volume("Mic volume", 100, 1100)}},
    };
    script::MixerDestinationScript wavein;
    // A volume before the selector: the selector is the first control of a selector type.
    wavein.line = {MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording", "Recording Control", {Volume("Rec master", 0, 65535)}};
    if (!selector.name.empty()) {
        wavein.line.controls.push_back(selector);
    }
    wavein.sources = {
        // A control whose range is a single value.
        {MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line", "Line In", {Volume("Rec line volume", 5, 5, 5)}},
        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Mic", std::string(70, 'M'), {Volume("Rec mic volume", 0, 255, 51)}},
    };
    card.destinations = {speakers, wavein};
    return card;
}

script::MixerControlScript Mux(std::vector<std::string> items, std::vector<LONG> values,
                               DWORD type = MIXERCONTROL_CONTROLTYPE_MUX)
{
    return {type, "Capture source", 0, 1, std::move(items), std::move(values)};
}

HWND Window() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x77)); }

struct SoundCardMixer : ::testing::Test {
    void SetUp() override
    {
        setenv("TAPVOX_AUDIO", "script", 1);
        script::ResetWaveScript();
        script::SetWaveDevices({"Card A", "Card B"}, {"Speakers"});
        script::SetMixers({Card("Card A mixer", Mux({"Microphone", "Line In", "CD"}, {1, 0, 0})),
                           Card("Card B mixer", Mux({"Mic", "Line-In"}, {0, 1}))});
    }
    static std::string NameOf(SMixer& m)
    {
        char name[MAXPNAMELEN] = {};
        return m.GetName(name, sizeof name) ? name : "";
    }
};
}

TEST_F(SoundCardMixer, AWaveInDeviceNameChoosesTheMixerOfThatDevice)
{
    for (const char* mapper : {"Wave Mapper", "Sound mapper", "", "-1", "<DEFAULT>"}) {
        SMixer m(MIXER_OBJECTF_WAVEIN, mapper, Window());
        ASSERT_NE(m.mixer, nullptr) << mapper;
        EXPECT_EQ(NameOf(m), "Card A mixer");
    }
    SMixer b(MIXER_OBJECTF_WAVEIN, "card b", nullptr);
    EXPECT_EQ(NameOf(b), "Card B mixer");
    SMixer none(MIXER_OBJECTF_WAVEIN, "Card C", nullptr);
    EXPECT_EQ(none.mixer, nullptr);
    EXPECT_EQ(none.GetDestinationCount(), -1);
    SMixer wrongType(0x10000000, "Card A", nullptr);
    EXPECT_EQ(wrongType.mixer, nullptr);
}

TEST_F(SoundCardMixer, TheProductNameSearchStopsAtTheFirstUnreadableMixer)
{
    auto unreadable = Card("Broken", {});
    unreadable.unreadable = true;
    script::SetMixers({Card("First", {}), unreadable, Card("Third", {})});
    EXPECT_EQ(SMixer("Third", nullptr).mixer, nullptr);
    SMixer first("FIRST", Window());
    EXPECT_EQ(NameOf(first), "First");
    SMixer byDefault(nullptr, nullptr);
    EXPECT_EQ(NameOf(byDefault), "First");
    EXPECT_EQ(byDefault.GetDestinationCount(), 2);
    SMixer byId(2u);
    EXPECT_EQ(NameOf(byId), "Third");
}

TEST_F(SoundCardMixer, SelectingLineInPicksAnItemNamedLineIn)
{
    SMixer m(0u);
    ASSERT_EQ(m.GetRecordLineCount(), 3);
    char name[64] = {};
    ASSERT_TRUE(m.GetSelectedRecordLine(name, sizeof name));
    EXPECT_STREQ(name, "Microphone");
    ASSERT_TRUE(m.SelectRecordLine("line-in"));
    EXPECT_EQ(script::MixerControlValues(0, "Capture source"), (std::vector<LONG>{0, 1, 0}));
    ASSERT_TRUE(m.GetSelectedRecordLine(name, sizeof name));
    EXPECT_STREQ(name, "Line In");
    ASSERT_TRUE(m.GetRecordLineName(2, name, sizeof name));
    EXPECT_STREQ(name, "CD");
    EXPECT_FALSE(m.GetRecordLineName(3, name, sizeof name));
    EXPECT_FALSE(m.GetRecordLineName(-1, name, sizeof name));
    EXPECT_FALSE(m.SelectRecordLine("Phono"));
    EXPECT_TRUE(m.SelectRecordLine("cd"));
    EXPECT_EQ(script::MixerControlValues(0, "Capture source"), (std::vector<LONG>{0, 0, 1}));
}

TEST_F(SoundCardMixer, AMixerControlEndsWithExactlyOneInputOn)
{
    script::SetMixers({Card("Card", Mux({"Mic", "Line", "Aux"}, {1, 0, 1}, MIXERCONTROL_CONTROLTYPE_MIXER))});
    SMixer m(0u);
    char name[64] = "unchanged";
    ASSERT_TRUE(m.SelectRecordLine("Line"));
    EXPECT_EQ(script::MixerControlValues(0, "Capture source"), (std::vector<LONG>{0, 1, 0}));
    script::SetMixers({Card("Card", Mux({"Mic", "Line"}, {0, 0}))});
    SMixer none(0u);
    ASSERT_TRUE(none.GetSelectedRecordLine(name, sizeof name));
    EXPECT_STREQ(name, "unchanged");  // nothing on: the buffer is left as it was
}

TEST_F(SoundCardMixer, WithoutASelectorTheCountIsMinusOneAndNothingCanBeSelected)
{
    script::SetMixers({Card("Card", {})});
    SMixer m(0u);
    ASSERT_NE(m.mixer, nullptr);
    EXPECT_EQ(m.GetRecordLineCount(), -1);
    EXPECT_FALSE(m.SelectRecordLine("Line In"));
    char name[8] = {};
    EXPECT_FALSE(m.GetSelectedRecordLine(name, sizeof name));
    EXPECT_FALSE(m.GetRecordLineName(0, name, sizeof name));
}

TEST_F(SoundCardMixer, ASelectorWithoutItemsCountsAsOne)
{
    script::SetMixers({Card("Card", Mux({}, {1}))});
    SMixer m(0u);
    EXPECT_EQ(m.GetRecordLineCount(), 1);
}

TEST_F(SoundCardMixer, VolumeOutsideTheScaleIsRefusedWithoutTouchingTheMixer)
{
    SMixer m(0u);
    const int reads = script::MixerValueReads();
    const int writes = script::MixerValueWrites();
    EXPECT_FALSE(m.SetPlayVolume(MIXERLINE_COMPONENTTYPE_SRC_LINE, 128));
    EXPECT_FALSE(m.SetPlayVolume(MIXERLINE_COMPONENTTYPE_SRC_LINE, -1));
    EXPECT_FALSE(m.SetRecordVolume("Mic", 128));
    EXPECT_EQ(script::MixerValueReads(), reads);
    EXPECT_EQ(script::MixerValueWrites(), writes);
}

TEST_F(SoundCardMixer, VolumesScaleBetweenTheControlsBounds)
{
    SMixer m(0u);
    ASSERT_TRUE(m.SetPlayVolume(MIXERLINE_COMPONENTTYPE_SRC_LINE, 127));
    EXPECT_EQ(script::MixerControlValues(0, "Line volume"), std::vector<LONG>{65535});
    ASSERT_TRUE(m.SetPlayVolume("Line-In", 64));
    EXPECT_EQ(script::MixerControlValues(0, "Line volume"), std::vector<LONG>{64 * 65535 / 127});
    EXPECT_EQ(m.GetPlayVolume("line"), 63);  // both ways round down
    ASSERT_TRUE(m.SetPlayVolume("Mike", 127));
    EXPECT_EQ(script::MixerControlValues(0, "Mic volume"), std::vector<LONG>{1100});
    ASSERT_TRUE(m.SetPlayVolume(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0));
    EXPECT_EQ(script::MixerControlValues(0, "Mic volume"), std::vector<LONG>{100});
    EXPECT_EQ(m.GetRecordVolume(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE), 51 * 127 / 255);
    // No auxiliary line, and an unknown name is type 0: not found.
    EXPECT_EQ(m.GetPlayVolume(MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY), -1);
    EXPECT_FALSE(m.SetPlayVolume("Phono", 10));
    EXPECT_EQ(m.FindPlayLine(0), 0u);
}

TEST_F(SoundCardMixer, AControlWhoseMaximumEqualsItsMinimumDoesNotDivideByZero)
{
    SMixer m(0u);
    EXPECT_EQ(m.GetRecordVolume(MIXERLINE_COMPONENTTYPE_SRC_LINE), 0);
    EXPECT_TRUE(m.SetRecordVolume("Line", 100));
    EXPECT_EQ(script::MixerControlValues(0, "Rec line volume"), std::vector<LONG>{5});
}

TEST_F(SoundCardMixer, NamesAreCopiedBoundedByTheDestinationSize)
{
    script::SetMixers({Card(std::string(40, 'N'), Mux({std::string(63, 'x'), "Line"}, {1, 0}))});
    SMixer m(0u);
    struct Guarded {
        char text[8];
        char guard[8];
    } g;
    std::memset(&g, '#', sizeof g);
    ASSERT_TRUE(m.GetRecordLineName(0, g.text, sizeof g.text));
    EXPECT_STREQ(g.text, "xxxxxxx");
    ASSERT_TRUE(m.GetSelectedRecordLine(g.text, sizeof g.text));
    EXPECT_STREQ(g.text, "xxxxxxx");
    ASSERT_TRUE(m.GetName(g.text, sizeof g.text));
    EXPECT_STREQ(g.text, "NNNNNNN");
    EXPECT_EQ(std::string(g.guard, sizeof g.guard), std::string(8, '#'));
    // A long line name is found by its (cut) full name or its short name.
    EXPECT_NE(m.FindRecordLineByName(std::string(63, 'M').c_str()), 0u);
    EXPECT_NE(m.FindRecordLineByName("mic"), 0u);
    EXPECT_EQ(m.FindRecordLineByName(std::string(70, 'M').c_str()), 0u);
    EXPECT_EQ(m.FindPlayLineByName(nullptr), 0u);
}

TEST_F(SoundCardMixer, MuteAndMixerFailuresAreResultsOnly)
{
    SMixer m(0u);
    EXPECT_FALSE(m.GetPlayMute("Line"));
    ASSERT_TRUE(m.SetPlayMute("Line", true));
    EXPECT_EQ(script::MixerControlValues(0, "Line mute"), std::vector<LONG>{1});
    EXPECT_TRUE(m.GetPlayMute(MIXERLINE_COMPONENTTYPE_SRC_LINE));
    EXPECT_FALSE(m.SetPlayMute("Mic", true));  // the microphone line has no mute control
    script::FailMixerValues(true);
    EXPECT_EQ(m.GetPlayVolume("Line"), -1);
    EXPECT_FALSE(m.SetPlayVolume("Line", 3));
    EXPECT_FALSE(m.GetPlayMute("Line"));
    EXPECT_FALSE(m.SelectRecordLine("CD"));
    char name[16] = "kept";
    EXPECT_FALSE(m.GetSelectedRecordLine(name, sizeof name));
    EXPECT_STREQ(name, "kept");
}

TEST(SoundCardMixerNames, ComponentTypesFromLineNames)
{
    EXPECT_EQ(SMixer::ComponentTypeFromName("LINEIN"), MIXERLINE_COMPONENTTYPE_SRC_LINE);
    EXPECT_EQ(SMixer::ComponentTypeFromName("line-in"), MIXERLINE_COMPONENTTYPE_SRC_LINE);
    EXPECT_EQ(SMixer::ComponentTypeFromName("mic"), MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    EXPECT_EQ(SMixer::ComponentTypeFromName("Auxiliary"), MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY);
    EXPECT_EQ(SMixer::ComponentTypeFromName("Line In"), 0u);
    EXPECT_EQ(SMixer::ComponentTypeFromName(nullptr), 0u);
}
