// The settings-file dialogs with scripted answers: what they ask for, and a save and a load through them.
#include <optional>

#include "platform/user/CommonDialogs.h"
#include "settings/RecordSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsFiles.h"
#include "tests/settings/SettingsFixture.h"

namespace hl = platform::headless;

namespace {
// Writes down each file dialog's request before the scripted answer serves it.
class FileDialogBackend : public hl::HeadlessBackend {
public:
    FileDialogBackend() { previous = platform::InstallBackend(this); }
    ~FileDialogBackend() override { platform::InstallBackend(previous); }
    std::optional<platform::FileDialogResult> ChooseFile(const platform::FileDialogRequest& request) override
    {
        requests.push_back(request);
        return hl::HeadlessBackend::ChooseFile(request);
    }
    std::vector<platform::FileDialogRequest> requests;
    platform::Backend* previous;
};

class SettingsFiles : public SettingsFixture {};

TEST_F(SettingsFiles, SaveAsAndLoadGoThroughTheChosenIniFile)
{
    FileDialogBackend backend;
    const std::string chosen = dir.file("mine");
    hl::AnswerFileDialog({chosen, false});
    const std::string saveTo = ChooseSettingsFile(nullptr, true);
    ASSERT_EQ(chosen + ".ini", saveTo);
    ASSERT_EQ(1u, backend.requests.size());
    const platform::FileDialogRequest& save = backend.requests[0];
    EXPECT_EQ(platform::FileDialogKind::Save, save.kind);
    ASSERT_EQ(1u, save.filters.size());
    EXPECT_EQ("Tapvox setting files (*.ini)", save.filters[0].first);
    EXPECT_EQ("*.ini", save.filters[0].second);
    EXPECT_EQ(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER, save.flags);
    EXPECT_EQ("", save.fileName);

    TalkOff = 42;
    SaveAllSettings(saveTo.c_str());
    TalkOff = 7;
    hl::AnswerFileDialog({saveTo, false});
    const std::string loadFrom = ChooseSettingsFile(nullptr, false);
    ASSERT_EQ(saveTo, loadFrom);
    EXPECT_EQ(platform::FileDialogKind::Open, backend.requests[1].kind);
    EXPECT_EQ("", backend.requests[1].fileName) << "loading starts with no name";
    LoadAllSettings(loadFrom.c_str());
    EXPECT_EQ(42, TalkOff);

    hl::AnswerFileDialog({std::nullopt, false});
    EXPECT_EQ("", ChooseSettingsFile(nullptr, false)) << "cancelled";
}
}
