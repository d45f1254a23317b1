// A format chosen on the Wave or MP3 page is the format of the next recording.
#include "tests/recorder/RecorderFixture.h"

#include "files/Mp3File.h"
#include "owl/PropertySheet.h"
#include "prefs/SetMp3.h"
#include "prefs/SetWave.h"

namespace {
class ChosenFormat : public RecorderTest {
protected:
    // The two format pages in a sheet; pick acts as the user on the list of the page shown.
    void Choose(bool mp3Page, const std::string& itemPrefix)
    {
        OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
        int shared = DefaultAudioFormat;
        TSetWave wave(&sheet, &shared, true);
        TSetMp3 mp3(&sheet, &shared, true);
        hl::AnswerDialog("Options", [&](HWND h) {
            if (mp3Page) {
                SendMessage(h, PSM_SETCURSEL, 1, 0);
            }
            HWND list = GetDlgItem((mp3Page ? static_cast<OWL::TWindow&>(mp3) : wave).GetHandle(), mp3Page ? 3712 : 220);
            const int item = static_cast<int>(
                SendMessage(list, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(itemPrefix.c_str())));
            ASSERT_GE(item, 0) << itemPrefix;
            hl::Choose(list, item);
            if (mp3Page) {
                hl::Click(GetDlgItem(mp3.GetHandle(), 3713));
            }
            hl::Click(GetDlgItem(h, IDOK));
        });
        ASSERT_EQ(IDOK, sheet.Execute());
    }
    void RecordAWhile()
    {
        Open();
        ClickRecord();
        ASSERT_TRUE(dialog->IsRecording());
        Feed(6, true);
        ClickStop();
    }
};

TEST_F(ChosenFormat, TheWavePagesCodecFormatIsTheRecordingsFormat)
{
    TAPVOX_REQUIRE_TOOL("sndfile-info");
    Stereo = false;
    std::snprintf(ACMDriver, sizeof ACMDriver, "%s", "");
    Choose(false, "MS ADPCM  ");
    ASSERT_EQ(WAVE_FORMAT_ADPCM, RecordFormatBuffer->wFormatTag);
    const std::vector<std::uint8_t> chosen(reinterpret_cast<const std::uint8_t*>(RecordFormatBuffer),
                                           reinterpret_cast<const std::uint8_t*>(RecordFormatBuffer) + WaveFormatSize(*RecordFormatBuffer));
    RecordAWhile();
    ASSERT_EQ(folder + "/take_1.wav", CurrentName());
    auto f = ReadWave(CurrentName());
    ASSERT_NE(nullptr, f->GetFormat());
    const auto* got = reinterpret_cast<const std::uint8_t*>(f->GetFormat());
    EXPECT_EQ(chosen, std::vector<std::uint8_t>(got, got + WaveFormatSize(*f->GetFormat())));
    int status = -1;
    const std::string info = testsupport::RunCapture("sndfile-info '" + CurrentName() + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("WAVE_FORMAT_MS_ADPCM"), std::string::npos) << info;
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
}

TEST_F(ChosenFormat, TheMp3PagesBitRateIsTheRecordingsBitRate)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    Mp3SampleRate = 16000;
    Mp3Stereo = false;
    Choose(true, "MPEG Layer-3  32 kBit/s");
    ASSERT_EQ(1, DefaultAudioFormat);
    ASSERT_EQ(4000u, Mp3FormatBuffer->nAvgBytesPerSec);
    RecordAWhile();
    ASSERT_EQ(folder + "/take_1.mp3", CurrentName());
    Mp3File f(CurrentName().c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(f.open());
    ASSERT_NE(nullptr, f.GetFormat());
    EXPECT_EQ(4000u, f.GetFormat()->nAvgBytesPerSec);
    EXPECT_EQ(16000u, f.GetFormat()->nSamplesPerSec);
    int status = -1;
    const std::string said = testsupport::RunCapture("mpg123 -t -v '" + CurrentName() + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("cbr32 16000 mono"), std::string::npos) << said;
}
}
