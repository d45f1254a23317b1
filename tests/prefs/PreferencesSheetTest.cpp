// The preferences sheet as a whole: its pages in order, the refused page in front, the shared default file type.
#include "prefs/PreferencesSheet.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
class PreferencesSheet : public PageTest {
protected:
    static void ShowPage(HWND sheet, int index) { SendMessage(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0); }
};

TEST_F(PreferencesSheet, EightPagesInOrderUnderOptionsWithHelpAndNoApply)
{
    TPreferencesSheet prefs(nullptr);
    ASSERT_EQ(8, prefs.Sheet().GetPageCount());
    const int ids[] = {270, 271, 3700, 3860, 272, 273, 210, 28071};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ids[i], prefs.Sheet().GetPage(i)->GetResId()) << i;
        EXPECT_TRUE(prefs.Sheet().GetPage(i)->Flags & PSP_HASHELP) << i;
    }
    ASSERT_EQ(IDCANCEL, Run(prefs.Sheet(), [&](HWND h) {
        EXPECT_EQ("Options", hl::Text(h));
        EXPECT_NE(nullptr, GetDlgItem(h, IDHELP));
        EXPECT_EQ(nullptr, GetDlgItem(h, 0x3021));
        EXPECT_EQ(0, prefs.Sheet().GetCurrentIndex());
        Cancel(h);
    }));
}

TEST_F(PreferencesSheet, APageThatRefusesItsRateIsBroughtToTheFrontAndTheSheetStaysOpen)
{
    const struct {
        int page;
        int rateControl;
    } pages[] = {{1, 186}, {2, 3708}, {3, 3865}};
    for (const auto& p : pages) {
        hl::Reset();
        hl::AnswerMessageBox(IDOK);
        SampleRate = Mp3SampleRate = VorSampleRate = 22050;
        TPreferencesSheet prefs(nullptr);
        ASSERT_EQ(IDOK, Run(prefs.Sheet(), [&](HWND h) {
            ShowPage(h, p.page);
            HWND rate = GetDlgItem(prefs.Sheet().GetPage(p.page)->GetHandle(), p.rateControl);
            Retype(rate, "100001");
            ShowPage(h, 0);
            Ok(h);
            EXPECT_TRUE(IsWindow(h)) << p.page;
            EXPECT_EQ(p.page, prefs.Sheet().GetCurrentIndex());
            EXPECT_EQ(1u, hl::MessageBoxes().size()) << p.page;
            Retype(rate, "32000");
            Ok(h);
        })) << p.page;
        EXPECT_EQ(p.page == 1 ? 32000 : 22050, SampleRate);
        EXPECT_EQ(p.page == 2 ? 32000 : 22050, Mp3SampleRate);
        EXPECT_EQ(p.page == 3 ? 32000 : 22050, VorSampleRate);
    }
}

TEST_F(PreferencesSheet, TheFilePageNamesFilesOfTheTypeTheFormatPagesChose)
{
    DefaultAudioFormat = 0;
    std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "take");
    LHMode = 1;
    TPreferencesSheet prefs(nullptr);
    ASSERT_EQ(IDOK, Run(prefs.Sheet(), [&](HWND h) {
        ShowPage(h, 3);
        hl::Click(GetDlgItem(prefs.Sheet().GetPage(3)->GetHandle(), 3870));
        ShowPage(h, 4);
        hl::AnswerDialog(4200, [](HWND d) { hl::Click(GetDlgItem(d, IDOK)); });
        hl::Click(GetDlgItem(prefs.Sheet().GetPage(4)->GetHandle(), 25802));
        EXPECT_EQ("take.ogg", hl::Text(GetDlgItem(prefs.Sheet().GetPage(4)->GetHandle(), 104)));
        Ok(h);
    }));
    EXPECT_EQ(3, prefs.SharedFormat());
    EXPECT_EQ(3, DefaultAudioFormat);
}
}
