// TDirPick: the folder with its trailing separator, the root, Cancel, and a
// folder too long for the caller's buffer.
#include <cstring>

#include "ControlsTestSupport.h"
#include "controls/DirPick.h"
#include "platform/ipc/Ipc.h"

using namespace controlstest;
namespace hl = platform::headless;

namespace {
class DirPick : public ControlsTest {
protected:
    int Pick(std::optional<std::string> folder, char* out, int size)
    {
        hl::AnswerFileDialog({std::move(folder), false});
        OWL::TOpenSaveDialog::TData data(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
        TDirPick pick(nullptr, out, size, data, TDirPick::kTemplate, "Choose directory");
        flags = data.Flags;
        return pick.Execute();
    }
    DWORD flags = 0;
};
}

TEST_F(DirPick, ReturnsTheFolderWithItsSeparator)
{
    char out[MAX_PATH] = "/old/";
    EXPECT_EQ(Pick("/home/user/Recordings", out, sizeof out), IDOK);
    EXPECT_STREQ(out, "/home/user/Recordings/");
    EXPECT_EQ(flags & (OFN_EXPLORER | OFN_FILEMUSTEXIST), 0u);
    EXPECT_EQ(flags & (OFN_ENABLETEMPLATE | OFN_LONGNAMES | OFN_HIDEREADONLY),
              OFN_ENABLETEMPLATE | OFN_LONGNAMES | OFN_HIDEREADONLY);
    EXPECT_EQ(Pick("/", out, sizeof out), IDOK);
    EXPECT_STREQ(out, "/") << "the root of the file system";
    EXPECT_EQ(Pick("/srv/audio/", out, sizeof out), IDOK);
    EXPECT_STREQ(out, "/srv/audio/");
}

TEST_F(DirPick, CancelAndATooLongFolderLeaveTheBufferAsItWas)
{
    char out[32] = "/old/";
    EXPECT_EQ(Pick(std::nullopt, out, sizeof out), IDCANCEL);
    EXPECT_STREQ(out, "/old/");
    EXPECT_TRUE(hl::MessageBoxes().empty());

    const std::string deep = "/" + std::string(40, 'd');
    EXPECT_EQ(Pick(deep, out, sizeof out), IDOK);
    EXPECT_STREQ(out, "/old/") << "a folder that does not fit is not cut to fit";
    ASSERT_EQ(hl::MessageBoxes().size(), 1u);
    EXPECT_NE(hl::MessageBoxes()[0].text.find("too long"), std::string::npos);

    char full[MAX_PATH] = "/old/";
    EXPECT_EQ(Pick("/" + std::string(300, 'e'), full, sizeof full), IDCANCEL);
    EXPECT_STREQ(full, "/old/");
    EXPECT_EQ(hl::MessageBoxes().size(), 2u);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(FindWindowA(WC_DIALOG, "Choose directory"), nullptr) << "the template's window is gone";
}
