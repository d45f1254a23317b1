// The Wave and MP3 pages over the real codec drivers: their lists, what Apply stores, and the sheet around them.
#include <cstring>
#include <set>
#include <vector>

#include "app/FormatBuffers.h"
#include "prefs/SetMp3.h"
#include "prefs/SetWave.h"
#include "settings/Settings.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
constexpr int kWaveList = 220;
constexpr int kWaveRate = 186;
constexpr int kMp3List = 3712;
constexpr int kMp3Rate = 3708;

std::vector<unsigned char> Bytes(const WAVEFORMATEX* f) { return {reinterpret_cast<const unsigned char*>(f), reinterpret_cast<const unsigned char*>(f) + WaveFormatSize(*f)}; }

class FormatPages : public PageTest {
protected:
    // The sheet as the preferences command builds it, with only the two format pages.
    struct Sheet {
        OWL::TPropertySheet sheet{nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP};
        int shared = DefaultAudioFormat;
        TSetWave wave{&sheet, &shared, true};
        TSetMp3 mp3{&sheet, &shared, true};
    };
    static void ShowPage(HWND sheet, int index) { SendMessage(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0); }
};

TEST_F(FormatPages, WaveListOffersEachCodecFormatOnceAndKeepsTheChosenOneAcrossReopening)
{
    SampleRate = 8000;
    Resolution = true;
    Stereo = false;
    std::string chosenText;
    std::vector<unsigned char> chosenRecord;
    {
        Sheet s;
        ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
            HWND list = Item(s.wave, kWaveList);
            ASSERT_GT(Count(list), 4);
            EXPECT_EQ("No compression", ItemText(list, 0));
            EXPECT_EQ(0, SendMessage(list, CB_GETITEMDATA, 0, 0));
            std::set<std::string> texts;
            for (int i = 1; i < Count(list); ++i) {
                EXPECT_TRUE(texts.insert(ItemText(list, i)).second) << "listed twice: " << ItemText(list, i);
                const LRESULT slot = SendMessage(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
                EXPECT_GE(slot, 1);
                EXPECT_LE(slot, 49);
            }
            for (const char* driver : {"IMA ADPCM  ", "MS ADPCM  ", "GSM 6.10  ", "MPEG Layer-3  "}) {
                EXPECT_GE(ItemStarting(list, driver), 1) << driver;
            }
            EXPECT_EQ(-1, ItemStarting(list, "CCITT G.711")) << "records without extra bytes are left out";
            const int ima = ItemStarting(list, "IMA ADPCM  ");
            hl::Choose(list, ima);
            chosenText = ItemText(list, ima);
            EXPECT_NE("", hl::Text(Item(s.wave, 161)));
            Ok(h);
        }));
        EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, ACMFormatTag);
        EXPECT_STREQ("IMA ADPCM", ACMDriver);
        EXPECT_EQ(chosenText.substr(std::strlen("IMA ADPCM  ")), ACMFormat);
        EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, RecordFormatBuffer->wFormatTag);
        EXPECT_EQ(8000u, RecordFormatBuffer->nSamplesPerSec);
        chosenRecord = Bytes(RecordFormatBuffer);
    }
    for (bool useIni : {false, true}) {
        const char* store = useIni ? ini.c_str() : nullptr;
        SaveAllSettings(store);
        std::memset(RecordFormatBuffer, 0, sizeof(WAVEFORMATEX));
        LoadAllSettings(store);
        EXPECT_EQ(chosenRecord, Bytes(RecordFormatBuffer)) << (useIni ? "INI" : "registry");
        Sheet s;
        Run(s.sheet, [&](HWND h) {
            HWND list = Item(s.wave, kWaveList);
            EXPECT_EQ(chosenText, ItemText(list, Selected(list))) << (useIni ? "INI" : "registry");
            Cancel(h);
        });
    }
}

TEST_F(FormatPages, Mp3ListHoldsOnlyTableBitRatesOfTheRateAndEachDriverPassListsItsOwn)
{
    Mp3SampleRate = 44100;
    Mp3Stereo = true;
    CodecDrivers().clear();
    Sheet s;
    int alone = 0;
    Run(s.sheet, [&](HWND h) {
        ShowPage(h, 1);
        HWND list = Item(s.mp3, kMp3List);
        alone = Count(list);
        ASSERT_GT(alone, 0);
        EXPECT_EQ(0, ItemStarting(list, "MPEG Layer-3  ")) << "no warning item once a format qualifies";
        EXPECT_EQ(0, Selected(list)) << "slot 1 is selected when the stored format is not listed";
        for (int i = 0; i < Count(list); ++i) {
            const LRESULT slot = SendMessage(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
            ASSERT_GE(slot, 1);
            EXPECT_EQ(std::string::npos, ItemText(list, i).find("130")) << ItemText(list, i);
        }
        Cancel(h);
    });
    ListMp3Codec();
    Sheet again;
    Run(again.sheet, [&](HWND h) {
        ShowPage(h, 1);
        EXPECT_EQ(2 * alone, Count(Item(again.mp3, kMp3List))) << "the driver-less and the per-driver pass each list theirs";
        Cancel(h);
    });
}

// A page that refuses OK leaves the pages applied before it with an emptied list: the next OK must still store the choice.
TEST_F(FormatPages, ASecondOkAfterARefusedPageStoresTheFormatsTheUserChose)
{
    SampleRate = 8000;
    Resolution = true;
    Mp3SampleRate = 44100;
    Mp3Stereo = true;
    Sheet s;
    std::string waveChoice;
    std::string mp3Choice;
    std::vector<unsigned char> mp3Record;
    hl::AnswerMessageBox(IDOK);
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        HWND waveList = Item(s.wave, kWaveList);
        hl::Choose(waveList, ItemStarting(waveList, "GSM 6.10  "));
        waveChoice = ItemText(waveList, Selected(waveList));
        ShowPage(h, 1);
        HWND mp3List = Item(s.mp3, kMp3List);
        ASSERT_GT(Count(mp3List), 2);
        hl::Choose(mp3List, 2);
        mp3Choice = ItemText(mp3List, 2);
        // The wave page applies first; the MP3 page's Mp3Stereo box is fine but its rate is out of range.
        Retype(Item(s.mp3, kMp3Rate), "0");
        Ok(h);
        ASSERT_EQ(1u, hl::MessageBoxes().size());
        ASSERT_EQ(&s.mp3, s.sheet.GetCurrentPage()) << "the refused page stays in front";
        ASSERT_TRUE(IsWindow(h));
        Retype(Item(s.mp3, kMp3Rate), "44100");
        hl::Choose(Item(s.mp3, kMp3List), ItemStarting(Item(s.mp3, kMp3List), mp3Choice));
        Ok(h);
    }));
    EXPECT_EQ(WAVE_FORMAT_GSM610, RecordFormatBuffer->wFormatTag);
    EXPECT_EQ(WAVE_FORMAT_GSM610, ACMFormatTag);
    EXPECT_STREQ("GSM 6.10", ACMDriver);
    EXPECT_EQ(waveChoice.substr(std::strlen("GSM 6.10  ")), ACMFormat);
    EXPECT_EQ(WAVE_FORMAT_MPEGLAYER3, Mp3FormatBuffer->wFormatTag);
    EXPECT_GT(Mp3FormatBuffer->cbSize, 0) << "the codec's full record, not a bare one";
    EXPECT_EQ(mp3Choice.substr(std::strlen("MPEG Layer-3  ")), Mp3ACMFormat);
}

TEST_F(FormatPages, WithoutTheCompressionManagerTheWavePageStoresPcmOfItsControls)
{
    SetAcmEnabled(false);
    SampleRate = 8000;
    Resolution = false;
    Stereo = false;
    std::memset(RecordFormatBuffer, 0xAB, FormatBufferBytes());
    Sheet s;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        EXPECT_FALSE(IsWindowVisible(Item(s.wave, kWaveList)));
        EXPECT_EQ("<Audio Compression not available>", hl::Text(Item(s.wave, 221)));
        Retype(Item(s.wave, kWaveRate), "22050");
        hl::Click(Item(s.wave, 172));
        hl::Click(Item(s.wave, 225));
        EXPECT_EQ(MegabytesPerMinute(22050 * 4), hl::Text(Item(s.wave, 161)));
        Ok(h);
    }));
    const WAVEFORMATEX pcm = MakePcmFormat(2, 22050, 16);
    EXPECT_EQ(0, std::memcmp(&pcm, RecordFormatBuffer, sizeof pcm));
    EXPECT_EQ(WAVE_FORMAT_PCM, ACMFormatTag);
    EXPECT_STREQ("", ACMDriver);
}

TEST_F(FormatPages, Mp3PageWithoutAUsableCodecFormatKeepsTheStoredOne)
{
    SetDefaultMp3Format(Mp3FormatBuffer);
    const std::vector<unsigned char> stored = Bytes(Mp3FormatBuffer);
    std::snprintf(Mp3ACMFormat, sizeof Mp3ACMFormat, "kept");
    Mp3SampleRate = 12345;  // no MPEG rate
    Sheet s;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        ShowPage(h, 1);
        HWND list = Item(s.mp3, kMp3List);
        ASSERT_EQ(1, Count(list));
        EXPECT_EQ(0, ItemStarting(list, "WARNING: Current"));
        EXPECT_EQ("", hl::Text(Item(s.mp3, 3710)));
        Ok(h);
    }));
    EXPECT_EQ(12345, Mp3SampleRate);
    EXPECT_EQ(stored, Bytes(Mp3FormatBuffer));
    EXPECT_STREQ("kept", Mp3ACMFormat);
}

TEST_F(FormatPages, OnlyFormatsWithASlotAreListedAndTheLastOfThemIsStoredWhole)
{
    Mp3SampleRate = 44100;
    Mp3Stereo = true;
    ListMp3Codec(8);  // the same codec eight times: more formats than slots
    Sheet s;
    std::string last;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        ShowPage(h, 1);
        HWND list = Item(s.mp3, kMp3List);
        ASSERT_EQ(49, Count(list));
        for (int i = 0; i < Count(list); ++i) {
            EXPECT_EQ(i + 1, SendMessage(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        }
        hl::Choose(list, 48);
        last = ItemText(list, 48);
        Ok(h);
    }));
    EXPECT_EQ(WAVE_FORMAT_MPEGLAYER3, Mp3FormatBuffer->wFormatTag);
    EXPECT_EQ(last.substr(std::strlen("MPEG Layer-3  ")), Mp3ACMFormat);
}

// Typing posts the refresh; an OK sent before the queue runs must not take a format of the old rate.
TEST_F(FormatPages, ARateTypedAndOkedBeforeTheRefreshStoresAFormatOfTheNewRate)
{
    SampleRate = 8000;
    Resolution = true;
    Sheet s;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        HWND list = Item(s.wave, kWaveList);
        hl::Choose(list, ItemStarting(list, "IMA ADPCM  "));
        HWND rate = Item(s.wave, kWaveRate);
        SendMessage(rate, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        for (char c : std::string("22050")) {
            SendMessage(rate, WM_CHAR, static_cast<unsigned char>(c), 1);
        }
        SendMessage(h, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(22050, SampleRate);
    EXPECT_EQ(22050u, RecordFormatBuffer->nSamplesPerSec);
    EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, RecordFormatBuffer->wFormatTag) << "the chosen compression at the new rate";
}

TEST_F(FormatPages, RatesOutsideOneToAHundredThousandAreRefusedAndTheSheetStaysOnThePage)
{
    for (const char* bad : {"0", "100001"}) {
        SampleRate = 8000;
        Sheet s;
        hl::Reset();
        hl::AnswerMessageBox(IDOK);
        ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
            ShowPage(h, 1);
            Retype(Item(s.wave, kWaveRate), bad);
            Ok(h);
            EXPECT_EQ(&s.wave, s.sheet.GetCurrentPage()) << bad;
            EXPECT_EQ(8000, SampleRate) << bad;
            ASSERT_EQ(1u, hl::MessageBoxes().size());
            EXPECT_NE(std::string::npos, hl::MessageBoxes()[0].text.find("Sample rate out of bounds")) << bad;
            Retype(Item(s.wave, kWaveRate), "100000");
            Ok(h);
        }));
        EXPECT_EQ(100000, SampleRate);
    }
}

TEST_F(FormatPages, DefaultTypeBoxesShareOneValueAndCancelKeepsIt)
{
    DefaultAudioFormat = 3;
    {
        Sheet s;
        ASSERT_EQ(IDCANCEL, Run(s.sheet, [&](HWND h) {
            EXPECT_EQ(BST_UNCHECKED, hl::Check(Item(s.wave, 813)));
            hl::Click(Item(s.wave, 813));
            EXPECT_EQ(0, s.shared);
            ShowPage(h, 1);
            EXPECT_EQ(BST_UNCHECKED, hl::Check(Item(s.mp3, 3713)));
            hl::Click(Item(s.mp3, 3713));
            EXPECT_EQ(1, s.shared);
            Cancel(h);
        }));
        EXPECT_EQ(3, DefaultAudioFormat);
    }
    Sheet s;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        ShowPage(h, 1);
        hl::Click(Item(s.mp3, 3713));
        ShowPage(h, 0);
        EXPECT_EQ(BST_UNCHECKED, hl::Check(Item(s.wave, 813)));
        Ok(h);
    }));
    EXPECT_EQ(1, DefaultAudioFormat);
}
}

// What the enumeration offers that no list can take is passed over, never an end of the walk.
TEST_F(FormatPages, TheEnumerationCallbackGoesOnPastEveryFormatItCannotTake)
{
    FormatList list(FormatList::Mp3Formats, true);
    ACMFORMATDETAILSA details{};
    details.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    const auto instance = reinterpret_cast<DWORD_PTR>(&list);
    EXPECT_TRUE(FormatList::FormatEnumCallback(nullptr, &details, instance, ACMDRIVERDETAILS_SUPPORTF_CODEC));
    EXPECT_TRUE(FormatList::FormatEnumCallback(Mp3DriverId(), nullptr, instance, ACMDRIVERDETAILS_SUPPORTF_CODEC));
    EXPECT_TRUE(FormatList::FormatEnumCallback(Mp3DriverId(), &details, instance, 0)) << "no format record";
    EXPECT_EQ(list.Slot(1), nullptr) << "nothing was kept";
}
