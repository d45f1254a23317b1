// TAPVOX_AUDIO as the wave and mixer layers read it: the same value selects the same devices in both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/mixer/Mixer.h"
#include "platform/wave/AudioChoice.h"
#include "platform/wave/Wave.h"

using platform::wave::AudioDevices;
using platform::wave::ChosenAudio;

TEST(AudioChoice, ValuesAndWhatBothLayersMakeOfThem)
{
    unsetenv("TAPVOX_AUDIO");
    EXPECT_EQ(ChosenAudio().devices, AudioDevices::Alsa);
    setenv("TAPVOX_AUDIO", "", 1);
    EXPECT_EQ(ChosenAudio().devices, AudioDevices::Alsa);

    setenv("TAPVOX_AUDIO", "file:/some where/take.wav;loop", 1);
    EXPECT_EQ(ChosenAudio().devices, AudioDevices::File);
    EXPECT_EQ(ChosenAudio().value, "/some where/take.wav;loop");
    EXPECT_EQ(mixerGetNumDevs(), 0u);  // a file has no mixer

    // Case and prefixes count: these are not understood, so neither layer has devices.
    for (const char* unknown : {"Script", "scripted", "FILE:/x.wav", "file"}) {
        setenv("TAPVOX_AUDIO", unknown, 1);
        EXPECT_EQ(ChosenAudio().devices, AudioDevices::Unknown) << unknown;
        EXPECT_EQ(ChosenAudio().value, unknown);
        EXPECT_EQ(waveInGetNumDevs(), 0u) << unknown;
        EXPECT_EQ(waveOutGetNumDevs(), 0u) << unknown;
        EXPECT_EQ(mixerGetNumDevs(), 0u) << unknown;
    }

    setenv("TAPVOX_AUDIO", "script", 1);
    EXPECT_EQ(ChosenAudio().devices, AudioDevices::Script);
    EXPECT_GT(waveOutGetNumDevs(), 0u);
    unsetenv("TAPVOX_AUDIO");
}

TEST(AudioChoice, ARelativeFileInputIsAnchoredInTheStartFolderAndNothingElseChanges)
{
    char* cwd = getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    const std::string start = cwd;
    std::free(cwd);
    const struct {
        const char* value;
        std::string anchored;
    } cases[] = {
        {"file:in put.wav;loop", "file:" + start + "/in put.wav;loop"},
        {"file:sub/in.wav", "file:" + start + "/sub/in.wav"},
        {"file:/abs/in.wav", "file:/abs/in.wav"},
        {"file:", "file:"},
        {"script", "script"},
        {"FILE:rel.wav", "FILE:rel.wav"},
    };
    for (const auto& c : cases) {
        setenv("TAPVOX_AUDIO", c.value, 1);
        platform::wave::AnchorChosenAudio();
        EXPECT_EQ(std::string(std::getenv("TAPVOX_AUDIO")), c.anchored) << c.value;
    }
    unsetenv("TAPVOX_AUDIO");
    platform::wave::AnchorChosenAudio();
    EXPECT_EQ(std::getenv("TAPVOX_AUDIO"), nullptr);
}
