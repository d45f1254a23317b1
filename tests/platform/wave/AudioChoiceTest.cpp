// TAPVOX_AUDIO as the wave and mixer layers read it: the same value selects the same devices in both.
#include <gtest/gtest.h>

#include <cstdlib>

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
