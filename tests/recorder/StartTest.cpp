// What a recording's start makes of the file it is given: an empty file becomes a
// new recording of its type, and a start that fails leaves nothing behind and
// nothing latched.
#include "tests/recorder/RecorderFixture.h"

#include <utility>

#include "controls/CoolButton.h"
#include "files/FileType.h"

namespace {
using Start = RecorderTest;

// The sample rate and seconds of a file as ffprobe reads them.
std::pair<DWORD, double> Probe(const std::string& path)
{
    int status = -1;
    const std::string out = testsupport::RunCapture(
        "ffprobe -v error -show_entries stream=sample_rate:format=duration -of default=nw=1 '" + path + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    const std::size_t rate = out.find("sample_rate=");
    const std::size_t duration = out.find("duration=");
    if (rate == std::string::npos || duration == std::string::npos) {
        ADD_FAILURE() << out;
        return {0, 0};
    }
    return {static_cast<DWORD>(std::strtoul(out.c_str() + rate + 12, nullptr, 10)),
            std::strtod(out.c_str() + duration + 9, nullptr)};
}
}

// A file killed before its first frames is empty: it records as new, in its own type's format, with no message.
TEST_F(Start, AnEmptyFileOfEachTypeRecordsAsANewRecordingOfItsType)
{
    // Another rate on the Wave page shows a format taken from the wrong page.
    SampleRate = 11025;
    Mp3SampleRate = 16000;
    VorSampleRate = 8000;
    TAPVOX_REQUIRE_TOOL("ffprobe");
    const struct {
        const char* ending;
        int type;
        DWORD rate;
    } cases[] = {{".wav", FileTypeWave, 11025}, {".mp3", FileTypeMp3, 16000}, {".ogg", FileTypeOgg, 8000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ending);
        const std::string path = folder + "/empty" + c.ending;
        testsupport::WriteAll(path, {});
        hl::Reset();
        Open();
        ASSERT_TRUE(dialog->openfile(path.c_str(), -1));
        EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), c.type);
        EXPECT_EQ(dialog->GetDeviceFormat().nSamplesPerSec, c.rate);
        ClickRecord();
        ASSERT_TRUE(dialog->IsRecording());
        Feed(10, true);
        ClickStop();
        for (const hl::MessageBoxCall& box : hl::MessageBoxes()) {
            ADD_FAILURE() << box.text;
        }
        ASSERT_TRUE(dialog->savefile(nullptr, true));
        const auto [rate, seconds] = Probe(path);
        EXPECT_EQ(rate, c.rate);
        EXPECT_GT(seconds, 1.5);
        delete frame;
        frame = nullptr;
        dialog = nullptr;
    }
}

// A start that fails records nothing: the Record button is up again, and the empty
// file made for the take goes, of every type; a file that was empty is left empty.
TEST_F(Start, AFailedStartLeavesNoEmptyFileAndNoButtonDown)
{
    const auto recordState = [&] { return dynamic_cast<CoolButton*>(dialog->ChildWithId(150))->GetState(); };
    const struct {
        const char* ending;
        bool existedEmpty;
        bool noDevice;  // else the device refuses to open
    } cases[] = {{".wav", false, false}, {".mp3", false, true}, {".ogg", false, false},
                 {".wav", true, true},   {".mp3", true, false}, {".ogg", true, true}};
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ending) + (c.existedEmpty ? " existed empty" : " new") +
                     (c.noDevice ? ", no device" : ", busy device"));
        const std::string path = folder + "/failed" + c.ending;
        if (c.existedEmpty) {
            testsupport::WriteAll(path, {});
        }
        ASSERT_TRUE(dialog->openfile(path.c_str(), -1));
        ASSERT_TRUE(platform::NameExists(path));
        script::ResetWaveScript();
        if (c.noDevice) {
            script::SetWaveDevices({}, {"Scripted output"});
        } else {
            script::FailNextWaveOpen(true, MMSYSERR_ALLOCATED);
        }
        ClickRecord();
        EXPECT_FALSE(dialog->IsRecording());
        EXPECT_FALSE(dialog->IsInputOpen());
        EXPECT_NE(recordState(), 1);
        EXPECT_NE(recordState(), 3);
        EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
        EXPECT_EQ(platform::NameExists(path), c.existedEmpty);
        if (c.existedEmpty) {
            EXPECT_TRUE(platform::IsEmptyRegularFile(path));
        }
        EXPECT_FALSE(platform::NameExists(RecFile::MarkerFileNameFor(path))) << "no companion file either";
        std::remove(path.c_str());
    }
    // A take with audio is kept whole when a later start fails.
    script::ResetWaveScript();
    const std::string kept = folder + "/kept.wav";
    ASSERT_TRUE(dialog->openfile(kept.c_str(), -1));
    ClickRecord();
    Feed(5, true);
    ClickStop();
    const DWORD size = dialog->GetCurrentFile()->GetDataSize();
    ASSERT_GT(size, 0u);
    script::FailNextWaveOpen(true, MMSYSERR_ALLOCATED);
    ClickRecord();
    EXPECT_FALSE(dialog->IsRecording());
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(dialog->GetCurrentFile()->GetDataSize(), size);
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    EXPECT_EQ(SoxSamples(kept).size(), size);
}
