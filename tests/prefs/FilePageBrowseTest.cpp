// The File page's Browse button: the folder chosen goes into the folder box and
// OK stores it through both stores; Cancel, a folder too long and the sheet's
// Cancel leave the recording folder as it was.
#include <sys/stat.h>

#include "platform/user/Keyboard.h"
#include "prefs/PreferencesSheet.h"
#include "settings/Settings.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
constexpr int kFilePage = 4;
constexpr int kBrowse = 200;
constexpr int kFolderBox = 199;

class FilePageBrowse : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        for (const char* name : {"old", "chosen"}) {
            ASSERT_EQ(0, mkdir(dir.file(name).c_str(), 0700));
        }
        oldFolder = dir.file("old") + "/";
        chosenFolder = dir.file("chosen");
        std::snprintf(DefaultDirectory, sizeof DefaultDirectory, "%s", oldFolder.c_str());
        SaveAllSettings(Store());
    }
    // Runs the sheet on the File page, clicks Browse with the answer given and
    // leaves the sheet with OK (or Cancel); the folder box's text after Browse.
    std::string Browse(const hl::FileDialogAnswer& answer, bool ok = true, bool byKeyboard = false)
    {
        std::string shown;
        TPreferencesSheet prefs(nullptr);
        Run(prefs.Sheet(), [&](HWND h) {
            SendMessage(h, PSM_SETCURSEL, kFilePage, 0);
            const OWL::TPropertyPage& page = *prefs.Sheet().GetPage(kFilePage);
            EXPECT_EQ(oldFolder, hl::Text(Item(page, kFolderBox)));
            hl::AnswerFileDialog(answer);
            if (byKeyboard) {
                SetFocus(Item(page, 164));
                hl::Key('B', {VK_MENU});  // "&Browse..."
            } else {
                hl::Click(Item(page, kBrowse));
            }
            shown = hl::Text(Item(page, kFolderBox));
            EXPECT_EQ(oldFolder, DefaultDirectory) << "the setting changes only when the page is applied";
            (ok ? Ok : Cancel)(h);
        });
        return shown;
    }
    // Saves and loads again, so what a test checks came back from the store.
    void StoreAndReload()
    {
        SaveAllSettings(Store());
        LoadAllSettings(Store());
    }

    std::string oldFolder;
    std::string chosenFolder;
};

TEST_P(FilePageBrowse, TheChosenFolderFillsTheBoxAndOkStoresIt)
{
    EXPECT_EQ(chosenFolder + "/", Browse({chosenFolder, false}));
    ASSERT_EQ(1u, hl::FileDialogRequests().size());
    const platform::FileDialogRequest& asked = hl::FileDialogRequests()[0];
    EXPECT_EQ(platform::FileDialogKind::Folder, asked.kind);
    EXPECT_EQ("Choose directory", asked.title);
    EXPECT_EQ(oldFolder, asked.initialFolder) << "the picker starts from the recording folder";
    EXPECT_EQ(chosenFolder + "/", DefaultDirectory);
    SaveAllSettings(Store());
    DefaultDirectory[0] = '\0';
    LoadAllSettings(Store());
    EXPECT_EQ(chosenFolder + "/", DefaultDirectory);
    EXPECT_TRUE(hl::MessageBoxes().empty());
}

TEST_P(FilePageBrowse, AltBOpensThePickerFromTheKeyboard)
{
    EXPECT_EQ(chosenFolder + "/", Browse({chosenFolder, false}, true, true));
    EXPECT_EQ(1u, hl::FileDialogRequests().size());
    EXPECT_EQ(chosenFolder + "/", DefaultDirectory);
}

TEST_P(FilePageBrowse, CancelInThePickerOrInTheSheetKeepsTheFolder)
{
    EXPECT_EQ(oldFolder, Browse({std::nullopt, false}));
    EXPECT_EQ(oldFolder, DefaultDirectory);
    EXPECT_EQ(chosenFolder + "/", Browse({chosenFolder, false}, false)) << "the box shows the choice until the sheet is left";
    EXPECT_EQ(oldFolder, DefaultDirectory) << "the sheet's Cancel applies nothing";
    StoreAndReload();
    EXPECT_EQ(oldFolder, DefaultDirectory);
    EXPECT_TRUE(hl::MessageBoxes().empty());
}

TEST_P(FilePageBrowse, AFolderTooLongIsSaidAndTheBoxKeepsTheOldOne)
{
    const std::string deep = chosenFolder + "/" + std::string(300 - chosenFolder.size(), 'd');
    EXPECT_EQ(oldFolder, Browse({deep, false}));
    ASSERT_EQ(1u, hl::MessageBoxes().size());
    EXPECT_NE(std::string::npos, hl::MessageBoxes()[0].text.find("too long"));
    EXPECT_EQ(oldFolder, DefaultDirectory);
}

INSTANTIATE_TEST_SUITE_P(Stores, FilePageBrowse, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ini" : "Registry"; });
}
