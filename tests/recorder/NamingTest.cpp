// Names of new recordings from the pattern, opening existing files and the formats
// they bring, and the caption.
#include "tests/recorder/RecorderFixture.h"

#include <fstream>

#include "files/Mp3File.h"
#include "prefs/PatternDialog.h"

using Naming = RecorderTest;

namespace {
std::string Base(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
void Touch(const std::string& path) { std::ofstream(path) << ""; }
}

TEST_F(Naming, PatternsWithDateCodesInstanceNumbersAndNumberFields)
{
    Open();
    char name[260];
    AutoName = true;
    AutoPrompt = false;
    ASSERT_TRUE(dialog->BuildFileName("%Y%m%d", name, false, "wav"));
    const std::time_t now = static_cast<std::time_t>(kStartTime);
    std::tm local{};
    localtime_r(&now, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y%m%d", &local);
    EXPECT_EQ(std::string(name), folder + "/" + day + "_1.wav");
    AutoPrompt = true;
    dialog->BuildFileName("%Y%m%d", name, false, ".mp3");
    EXPECT_EQ(Base(name), "%Y%m%d_1.mp3") << "with the prompt on the pattern is taken as it stands";

    // A number field gives take1, take2 ... without "_".
    dialog->BuildFileName("take%d", name, false, nullptr);
    EXPECT_EQ(Base(name), "take1.wav");
    Touch(name);
    dialog->BuildFileName("take%03d", name, false, nullptr);
    EXPECT_EQ(Base(name), "take001.wav");
    dialog->BuildFileName("take%d", name, false, nullptr);
    EXPECT_EQ(Base(name), "take2.wav");

    // Only the instance number when required.
    LHMode = 1;
    dialog->BuildFileName("talk", name, false, "wav");
    EXPECT_EQ(Base(name), "talk.wav");
    Touch(name);
    dialog->BuildFileName("talk", name, false, "wav");
    EXPECT_EQ(Base(name), "talk_1.wav");
    LHMode = 0;
    dialog->BuildFileName(nullptr, name, true, "wav");
    EXPECT_EQ(Base(name), "~rec_1.wav");
}

// The example the pattern dialog and the File page show is the name the recorder gives.
TEST_F(Naming, AnAutomaticNameIsTheExampleThePatternShows)
{
    Open();
    char name[260];
    AutoName = true;
    AutoPrompt = false;
    LHMode = 0;
    const std::time_t now = static_cast<std::time_t>(kStartTime);
    for (const char* pattern : {"%U-rec", "%A %d %B %Y", "%Y%m%d-%H%M%S", "%V-%G %u %e", "%y%j %p %I %Z"}) {
        ASSERT_TRUE(dialog->BuildFileName(pattern, name, false, "wav"));
        const std::string example = PatternExampleName(pattern, true, 0, now);
        EXPECT_NE(example, "") << pattern;
        EXPECT_EQ(Base(name), example) << pattern;
    }
    // A code the expansion does not know: no example, and the file is named as the pattern stands.
    EXPECT_EQ(PatternExampleName("%Q-rec", true, 0, now), "");
    dialog->BuildFileName("%Q-rec", name, false, "wav");
    EXPECT_EQ(Base(name), "%Q-rec_1.wav");
}

TEST_F(Naming, PercentTextsThatAreNoNumberFieldStayLiteral)
{
    Open();
    char name[260];
    AutoPrompt = true;
    // Conversions that would read or write memory, or a second field, are plain text.
    for (const char* pattern : {"%s%s%s%n", "a%d%s", "%d%d", "%x", "100%", "%.5d"}) {
        ASSERT_TRUE(dialog->BuildFileName(pattern, name, false, "wav"));
        EXPECT_EQ(Base(name), std::string(pattern) + "_1.wav") << pattern;
    }
    // A category or schedule prefix with a folder that holds "%" examines only the base name.
    const std::string odd = dir.file("100%s");
    mkdir(odd.c_str(), 0700);
    std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", odd.c_str());
    dialog->BuildFileName("take%d", name, false, "wav");
    EXPECT_EQ(std::string(name), odd + "/take1.wav");
}

TEST_F(Naming, AMissingDefaultFolderPutsNewNamesInTheTempFolderAndSaysWhy)
{
    std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", dir.file("gone").c_str());
    Open();
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 181)), "Default directory does not exist!");
    char name[260];
    dialog->BuildFileName(nullptr, name, true, "wav");
    char temp[260];
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    EXPECT_EQ(std::string(name), std::string(temp) + "~rec_1.wav");
}

TEST_F(Naming, OpeningDecidesTheTypeByTheEndingAndShowsTheCaption)
{
    AutoName = false;
    Open();
    frame->SetWindowText("Tapvox");
    ASSERT_TRUE(dialog->openfile(nullptr, -1));
    EXPECT_EQ(Base(CurrentName()), "~rec_1.wav");
    EXPECT_TRUE(dialog->GetCurrentFile()->HasTempName());
    EXPECT_EQ(frame->GetWindowText(), "[~rec_1.wav] Tapvox");
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 180)), "8kHz 16 bit ST 256kbps");

    const std::string ogg = folder + "/song.OGA";
    ASSERT_TRUE(dialog->openfile(ogg.c_str(), 0));
    EXPECT_EQ(dialog->GetCurrentFile()->GetFileType(), 3);
    EXPECT_EQ(frame->GetWindowText(), "song.OGA Tapvox");
    // The empty generated recording went when it was closed.
    EXPECT_FALSE(platform::NameExists(folder + "/~rec_1.wav"));
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 218)), "Vorbis");
}

TEST_F(Naming, AFileWithABrokenOrZeroRateFormatIsRefusedWithAMessage)
{
    Open();
    // A WAV file whose format claims more extra bytes than any record may hold, and one at 0 Hz.
    auto header = [](WORD tag, DWORD rate, WORD cbSize) {
        std::vector<std::uint8_t> b;
        auto put32 = [&](DWORD v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
        auto put16 = [&](WORD v) { b.push_back(static_cast<std::uint8_t>(v)); b.push_back(static_cast<std::uint8_t>(v >> 8)); };
        const DWORD fmtSize = 18 + (cbSize > 2000 ? 0 : cbSize);
        b.insert(b.end(), {'R', 'I', 'F', 'F'});
        put32(4 + 8 + fmtSize + 8 + 4);
        b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        put32(fmtSize);
        put16(tag);
        put16(1);
        put32(rate);
        put32(rate * 2);
        put16(2);
        put16(16);
        put16(cbSize);
        b.resize(b.size() + (fmtSize - 18), 0);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        put32(4);
        b.insert(b.end(), {1, 2, 3, 4});
        return b;
    };
    const std::string zero = folder + "/zero.wav";
    testsupport::WriteAll(zero, header(1, 0, 0));
    EXPECT_FALSE(dialog->openfile(zero.c_str(), -1));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    ASSERT_FALSE(hl::MessageBoxes().empty());
    EXPECT_EQ(hl::MessageBoxes().back().text, "Cannot read audio format for this file.\n   " + zero);
    EXPECT_EQ(hl::MessageBoxes().back().caption, "Tapvox");
    // The file is left as it was.
    EXPECT_EQ(testsupport::ReadAll(zero), header(1, 0, 0));

    const std::string wide = folder + "/wide.wav";
    testsupport::WriteAll(wide, header(0x11, 8000, 3000));
    EXPECT_FALSE(dialog->openfile(wide.c_str(), -1));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(hl::MessageBoxes().back().text, "Cannot read audio format for this file.\n   " + wide);

    // A stored format that claims more extra bytes than its buffer holds is refused, not copied.
    std::snprintf(ACMDriver, sizeof ACMDriver, "IMA ADPCM");
    ACMFormatTag = WAVE_FORMAT_IMA_ADPCM;
    *RecordFormatBuffer = WAVEFORMATEX{WAVE_FORMAT_IMA_ADPCM, 2, 8000, 8110, 512, 4, 5000};
    EXPECT_FALSE(dialog->openfile(nullptr, 0));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(hl::MessageBoxes().back().text.rfind("Cannot read audio format for this file.", 0), 0u);
    std::snprintf(ACMDriver, sizeof ACMDriver, "No compression");

    // A zero rate in the settings is refused before any file is made.
    SampleRate = 0;
    EXPECT_FALSE(dialog->openfile(nullptr, 0));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    ClickRecord();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(script::InputOpen());
}

TEST_F(Naming, EveryInstanceNameTakenRefusesRatherThanReplacingARecording)
{
    AutoName = false;
    Open();
    for (int n = 1; n <= 9999; ++n) {
        Touch(folder + "/~rec_" + std::to_string(n) + ".wav");
    }
    testsupport::WriteAll(folder + "/~rec_9999.wav", {1, 2, 3});
    EXPECT_FALSE(dialog->openfile(nullptr, 0));
    EXPECT_EQ(testsupport::ReadAll(folder + "/~rec_9999.wav"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(Naming, SwitchDRecordsPcmEvenWhenTheSettingsAskForCompression)
{
    TAPVOX_REQUIRE_TOOL("sox");
    StartOptions.NoCompression = true;
    std::snprintf(ACMDriver, sizeof ACMDriver, "IMA ADPCM");
    ACMFormatTag = WAVE_FORMAT_IMA_ADPCM;
    Open();
    EXPECT_EQ(MaxFormatSize, 18);
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetFileFormat()->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(dialog->GetBuffer(0).conversion, nullptr);
    Feed(3, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}
