// The pages in the sheet, through both stores: what each shows, what OK keeps across a save and a load, and Cancel.
#include <cstring>

#include "settings/Settings.h"
#include "platform/user/Controls.h"  // with SetKey.h: the hot-key flags are declared once
#include "prefs/SetDriver.h"
#include "prefs/SetFile.h"
#include "prefs/SetJoy.h"
#include "prefs/SetKey.h"
#include "prefs/SetMp3.h"
#include "prefs/SetPlayBack.h"
#include "prefs/SetRecord.h"
#include "prefs/SetStart.h"
#include "prefs/SetTimer.h"
#include "prefs/SetVorbis.h"
#include "prefs/SetWave.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
// One page alone in a sheet like the preferences sheet.
template <typename Page, typename... Args>
struct OnePage {
    explicit OnePage(Args... args) : page(&sheet, args...) {}
    OWL::TPropertySheet sheet{nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP};
    Page page;
};

class Pages : public StoreTest {
protected:
    // Saves and loads again, so what a test checks came back from the store.
    void StoreAndReload()
    {
        SaveAllSettings(Store());
        LoadAllSettings(Store());
    }
};

TEST_P(Pages, GeneralPageHidesTheStartUpBoxesAndKeepsEachChangedBox)
{
    OnTop = TrayIcon = ListenOnStart = MinimizeOnStart = false;
    StoreAndReload();
    OnePage<TSetStart> p;
    ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
        for (int hidden : {305, 2321, 2322}) {
            EXPECT_FALSE(IsWindowVisible(Item(p.page, hidden))) << hidden;
        }
        EXPECT_EQ("Minimize on program start", hl::Text(Item(p.page, 300)));
        for (int box : {300, 302, 217, 219}) {
            EXPECT_EQ(BST_UNCHECKED, hl::Check(Item(p.page, box))) << box;
        }
        hl::Click(Item(p.page, 302));
        hl::Click(Item(p.page, 219));
        Ok(h);
    }));
    StoreAndReload();
    EXPECT_TRUE(ListenOnStart);
    EXPECT_TRUE(TrayIcon);
    EXPECT_FALSE(OnTop);
    EXPECT_FALSE(MinimizeOnStart);
}

TEST_P(Pages, RecordAndPlaybackPagesClampWhatIsTypedAndKeepTheMode)
{
    RecordMode = 7;  // no radio of its own: shown as manual
    TalkOff = 5;
    SoundByte = 2;
    StoreAndReload();
    {
        OnePage<TSetRecord> p;
        ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
            EXPECT_EQ(BST_CHECKED, hl::Check(Item(p.page, 201)));
            EXPECT_EQ("5", hl::Text(Item(p.page, 203)));
            Ok(h);
        }));
        StoreAndReload();
        EXPECT_EQ(0, RecordMode);
    }
    {
        OnePage<TSetRecord> p;
        ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
            hl::Click(Item(p.page, 202));
            Retype(Item(p.page, 203), "0");
            Ok(h);
        }));
    }
    OnePage<TSetPlayBack> p;
    ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
        EXPECT_EQ("2", hl::Text(Item(p.page, 211)));
        Retype(Item(p.page, 211), "300");
        Ok(h);
    }));
    EXPECT_EQ(300, SoundByte);
    StoreAndReload();
    EXPECT_EQ(2, RecordMode);
    EXPECT_EQ(1, TalkOff);
    EXPECT_EQ(GetParam() ? 300 : 300 % 256, SoundByte) << "the registry keeps one byte";
}

TEST_P(Pages, VorbisPageStoresChannelsRateQualityAndTheRateItShowed)
{
    VorStereo = 0;
    VorSampleRate = 44100;
    VorQ = 4;
    DefaultAudioFormat = 1;
    StoreAndReload();
    int shared = DefaultAudioFormat;
    OnePage<TSetVorbis, int*> p(&shared);
    std::string shown;
    ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
        EXPECT_EQ("4", hl::Text(Item(p.page, 3875)));
        EXPECT_EQ(5, SendMessage(Item(p.page, 3871), TBM_GETPOS, 0, 0));
        EXPECT_EQ(BST_UNCHECKED, hl::Check(Item(p.page, 3870)));
        const std::string before = hl::Text(Item(p.page, 3867));
        hl::Click(Item(p.page, 3863));
        Retype(Item(p.page, 3865), "22050");
        hl::Drag(Item(p.page, 3871), 11);
        EXPECT_EQ("10", hl::Text(Item(p.page, 3875)));
        shown = hl::Text(Item(p.page, 3867));
        EXPECT_NE(before, shown);
        hl::Click(Item(p.page, 3870));
        EXPECT_EQ(3, shared);
        Ok(h);
    }));
    StoreAndReload();
    EXPECT_EQ(1, VorStereo);
    EXPECT_EQ(22050, VorSampleRate);
    EXPECT_EQ(10, VorQ);
    EXPECT_EQ(3, DefaultAudioFormat);
    ASSERT_GT(VorByteRate, 0);
    EXPECT_EQ(VorbisRateText(static_cast<long>(VorByteRate) * 8), shown);
}

TEST_P(Pages, FilePageKeepsLimitActionNamingAndFolder)
{
    FileSize = 20;
    FileAction = 0;
    LHMode = 0x40;
    AutoName = false;
    AutoPrompt = false;
    std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "%%Y%%m%%d-rec");
    std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s/", dir.path().c_str());
    DefaultAudioFormat = 1;
    StoreAndReload();
    int shared = DefaultAudioFormat;
    OnePage<TSetFile, int*> p(&shared);
    ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
        EXPECT_EQ(BST_CHECKED, hl::Check(Item(p.page, 188)));
        EXPECT_EQ("20240306-rec_1.mp3", hl::Text(Item(p.page, 104)));
        EXPECT_EQ(dir.path() + "/", hl::Text(Item(p.page, 199)));
        EXPECT_EQ(BST_CHECKED, hl::Check(Item(p.page, 4206)));
        hl::Click(Item(p.page, 102));
        EXPECT_EQ(BST_UNCHECKED, hl::Check(Item(p.page, 4206)));
        hl::Click(Item(p.page, 222));
        hl::Click(Item(p.page, 194));
        Retype(Item(p.page, 164), "50");
        Ok(h);
    }));
    StoreAndReload();
    EXPECT_EQ(50, FileSize);
    EXPECT_EQ(3, FileAction);
    EXPECT_EQ(0x40, LHMode);
    EXPECT_TRUE(AutoName);
    EXPECT_TRUE(AutoPrompt);
    EXPECT_STREQ("%Y%m%d-rec", ImprovedFilePrefix);
    EXPECT_EQ(dir.path() + "/", DefaultDirectory);
}

// Each action at the file limit has its own radio: the one stored is shown, the one clicked is stored.
TEST_P(Pages, FilePageShowsAndStoresEachLimitAction)
{
    const std::pair<int, int> actions[] = {{1, 227}, {2, 163}, {3, 222}, {0, 188}};
    for (const auto& [action, radio] : actions) {
        FileAction = (action + 1) % 4;
        {
            int shared = 0;
            OnePage<TSetFile, int*> p(&shared);
            ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
                hl::Click(Item(p.page, radio));
                Ok(h);
            }));
        }
        StoreAndReload();
        EXPECT_EQ(action, FileAction) << "radio " << radio;
        int shared = 0;
        OnePage<TSetFile, int*> p(&shared);
        ASSERT_EQ(IDCANCEL, Run(p.sheet, [&](HWND h) {
            for (const auto& [other, otherRadio] : actions) {
                EXPECT_EQ(other == action ? BST_CHECKED : BST_UNCHECKED, hl::Check(Item(p.page, otherRadio)))
                    << "action " << action << ", radio " << otherRadio;
            }
            Cancel(h);
        }));
    }
    FileAction = 7;
    int shared = 0;
    OnePage<TSetFile, int*> p(&shared);
    ASSERT_EQ(IDCANCEL, Run(p.sheet, [&](HWND h) {
        EXPECT_EQ(BST_CHECKED, hl::Check(Item(p.page, 188))) << "an unknown action shows as none";
        Cancel(h);
    }));
}

TEST_P(Pages, FileLimitTypedAsZeroIsStoredAsOneAndTheEstimateFollowsTheEdit)
{
    Resolution = false;
    SampleRate = 16000;
    RecordFormatBuffer->nAvgBytesPerSec = 16000;
    int shared = 0;
    OnePage<TSetFile, int*> p(&shared);
    ASSERT_EQ(IDOK, Run(p.sheet, [&](HWND h) {
        Retype(Item(p.page, 164), "20");
        EXPECT_EQ("21.8 minutes", hl::Text(Item(p.page, 165)));
        Retype(Item(p.page, 164), "0");
        Ok(h);
    }));
    StoreAndReload();
    EXPECT_EQ(1, FileSize);
}

TEST_P(Pages, CancelLeavesEverySettingAsItWas)
{
    const std::string before = dir.file("before.ini");
    const std::string after = dir.file("after.ini");
    SaveAllSettings(before.c_str());
    OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
    int shared = DefaultAudioFormat;
    TSetStart start(&sheet);
    TSetWave wave(&sheet, &shared, true);
    TSetMp3 mp3(&sheet, &shared, true);
    TSetVorbis vorbis(&sheet, &shared);
    TSetFile file(&sheet, &shared);
    TSetRecord record(&sheet);
    TSetPlayBack play(&sheet);
    TSetTimer timer(&sheet, &TimerSettings);
    ASSERT_EQ(IDCANCEL, Run(sheet, [&](HWND h) {
        hl::Click(Item(start, 217));
        for (int page = 1; page < 8; ++page) {
            SendMessage(h, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
        }
        hl::Choose(Item(wave, 220), 1);
        hl::Click(Item(mp3, 3713));
        hl::Click(Item(vorbis, 3863));
        Retype(Item(file, 164), "77");
        hl::Click(Item(record, 191));
        Retype(Item(play, 211), "9");
        hl::Click(Item(timer, 400));
        Retype(Item(timer, 401), "7:30pm");
        Cancel(h);
    }));
    SaveAllSettings(after.c_str());
    EXPECT_EQ(ReadFile(before), ReadFile(after));
}

TEST_P(Pages, PagesOutsideTheSheetKeepTheirOwnSections)
{
    std::snprintf(WaveOutDriver, sizeof WaveOutDriver, "-1");
    std::snprintf(WaveInDriver, sizeof WaveInDriver, "no such device");
    JoyEnable = false;
    JoyButton1 = JoyButton2 = JoyButton3 = JoyButton4 = 0;
    KeyPlay = KeyRecord = KeyActivate = 0;
    {
        OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
        TSetDriver driver(&sheet);
        TSetJoy joy(&sheet);
        TSetKey key(&sheet);
        ASSERT_EQ(IDOK, Run(sheet, [&](HWND h) {
            EXPECT_EQ(0, Selected(Item(driver, 1602)));
            EXPECT_EQ(0, Selected(Item(driver, 1601))) << "a missing device leaves the first entry";
            SendMessage(h, PSM_SETCURSEL, 1, 0);
            EXPECT_EQ(9, Count(Item(joy, 502)));
            hl::Click(Item(joy, 501));
            hl::Choose(Item(joy, 504), 6);
            SendMessage(Item(joy, 508), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            SendMessage(h, PSM_SETCURSEL, 2, 0);
            SendMessage(Item(key, 903), HKM_SETHOTKEY, 0x0341, 0);
            Ok(h);
        }));
    }
    EXPECT_TRUE(JoyEnable);
    EXPECT_EQ(6, JoyButton2);
    EXPECT_EQ(-1, JoyButton4);
    EXPECT_EQ(0x0341, KeyRecord);
    const std::string deviceIn = WaveInDriver;
    HKEY key = nullptr;
    if (!GetParam()) {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fennwicke\\Tapvox", 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, &key, nullptr));
    }
    TSetDriver::Save(key, Store());
    TSetJoy::Save(key, Store());
    TSetKey::Save(key, Store());
    JoyEnable = false;
    JoyButton2 = JoyButton4 = 0;
    KeyRecord = 0;
    WaveInDriver[0] = '\0';
    TSetDriver::Load(key, Store());
    TSetJoy::Load(key, Store());
    TSetKey::Load(key, Store());
    if (key) {
        RegCloseKey(key);
    }
    EXPECT_TRUE(JoyEnable);
    EXPECT_EQ(6, JoyButton2);
    EXPECT_EQ(GetParam() ? -1 : 255, JoyButton4) << "the registry keeps one byte";
    EXPECT_EQ(0x0341, KeyRecord);
    EXPECT_EQ(deviceIn, WaveInDriver);
}

INSTANTIATE_TEST_SUITE_P(Stores, Pages, ::testing::Bool(), [](const auto& info) { return info.param ? "Ini" : "Registry"; });

// A hot-key word without a virtual key would take every key of the keyboard.
TEST_F(PageTest, HotKeysWithoutAVirtualKeyAreNeverRegistered)
{
    const HWND window = ActiveWindowAt(0, 0);
    KeyPlay = 0;
    KeyRecord = 0x0341;          // Shift+Ctrl+A
    KeyActivate = HOTKEYF_ALT << 8;  // modifiers only
    EXPECT_TRUE(TSetKey::RegisterHotKeys(window));
    UINT modifiers = 0, vk = 0;
    EXPECT_FALSE(platform::FindHotKey(window, 0, &modifiers, &vk));
    EXPECT_FALSE(platform::FindHotKey(window, 2, &modifiers, &vk));
    ASSERT_TRUE(platform::FindHotKey(window, 1, &modifiers, &vk));
    EXPECT_EQ(MOD_CONTROL | MOD_SHIFT, modifiers);
    EXPECT_EQ(0x41u, vk);
    KeyRecord = 0;
    EXPECT_FALSE(TSetKey::RegisterHotKeys(window)) << "nothing registered";
    EXPECT_FALSE(platform::FindHotKey(window, 1, &modifiers, &vk)) << "the old registration is gone";
    KeyActivate = 0;
}
}
