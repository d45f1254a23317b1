// TSubjectDialog: the list from the category files, creating, deleting, Cancel,
// and names that are no file of the recording folder.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "ControlsTestSupport.h"
#include "controls/SubjectDialog.h"
#include "tests/support/TestSupport.h"

using namespace controlstest;
namespace hl = platform::headless;
using S = TSubjectDialog;

namespace {
class Subjects : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        start = cwd;
    }
    void TearDown() override
    {
        EXPECT_EQ(chdir(start.c_str()), 0);
        ControlsTest::TearDown();
    }
    void Touch(const std::string& name) { std::ofstream(dir.file(name)).put('x'); }
    bool Exists(const std::string& name) const
    {
        struct stat st{};
        return lstat(dir.file(name).c_str(), &st) == 0;
    }
    // Runs the chooser on the folder with a script acting as the user.
    int Run(const std::string& folder, std::function<void(HWND)> script)
    {
        hl::AnswerDialog(S::kTemplate, std::move(script));
        S dialog(nullptr, "AutoPrompt", "Please enter category for recording:", name, folder.c_str());
        return dialog.Execute();
    }
    static std::vector<std::string> Listed(HWND dlg)
    {
        HWND combo = GetDlgItem(dlg, S::kName);
        std::vector<std::string> out;
        const int n = static_cast<int>(SendMessage(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[300] = "";
            SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            out.emplace_back(text);
        }
        return out;
    }
    static void TypeName(HWND dlg, const std::string& text) { SetWindowTextA(GetDlgItem(dlg, S::kName), text.c_str()); }

    testsupport::TempDir dir;
    std::string start;
    char name[S::kNameSize] = "unchanged";
};
}

TEST_F(Subjects, ListsTheCategoryFilesCutAtTheirFirstDot)
{
    Touch("Talk.old.CAT");
    Touch("Music.CAT");
    Touch("news.cat");
    Touch(".hidden.CAT");
    Touch("Notes.txt");
    const int result = Run(dir.path(), [&](HWND dlg) {
        EXPECT_EQ(hl::Text(dlg), "AutoPrompt");
        EXPECT_EQ(hl::Text(GetDlgItem(dlg, S::kPrompt)), "Please enter category for recording:");
        EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"Music", "news", "Talk"}));
        hl::Choose(GetDlgItem(dlg, S::kName), 2);
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(name, "Talk");
    EXPECT_TRUE(Exists("Talk.CAT")) << "the file of the chosen name is made beside Talk.old.CAT";
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), dir.path()) << "the folder stays the current one";
}

TEST_F(Subjects, NewNameCreatesAnEmptyFileAndAnExistingOneIsLeftAlone)
{
    Touch("Music.CAT");
    EXPECT_EQ(Run(dir.path() + "/", [&](HWND dlg) {
        EXPECT_EQ(Listed(dlg).size(), 1u);
        TypeName(dlg, "Interview");
        hl::Click(GetDlgItem(dlg, IDOK));
    }), IDOK);
    EXPECT_STREQ(name, "Interview");
    EXPECT_EQ(testsupport::ReadAll(dir.file("Interview.CAT")).size(), 0u);
    EXPECT_EQ(Run(dir.path(), [&](HWND dlg) {
        TypeName(dlg, "Music");
        hl::Click(GetDlgItem(dlg, IDOK));
    }), IDOK);
    EXPECT_EQ(testsupport::ReadAll(dir.file("Music.CAT")).size(), 1u) << "an existing category file is only opened";
}

TEST_F(Subjects, NamesThatAreNoFileOfTheFolderAreRefusedAndTheDialogStays)
{
    const std::string longName(300, 'n');
    EXPECT_EQ(Run(dir.path(), [&](HWND dlg) {
        for (const char* bad : {"../Escape", "sub/dir", "back\\slash", ".hidden", ""}) {
            TypeName(dlg, bad);
            hl::Click(GetDlgItem(dlg, IDOK));
            ASSERT_TRUE(IsWindow(dlg)) << bad;
            EXPECT_STREQ(name, bad) << "the buffer holds the refused text";
        }
        TypeName(dlg, longName);
        hl::Click(GetDlgItem(dlg, IDOK));
        hl::Click(GetDlgItem(dlg, IDCANCEL));
    }), IDCANCEL);
    ASSERT_EQ(hl::MessageBoxes().size(), 6u);
    EXPECT_EQ(hl::MessageBoxes()[0].text, "Not a valid category name.");
    EXPECT_EQ(hl::MessageBoxes()[0].caption, "Create Category");
    EXPECT_STREQ(name, "") << "Cancel empties the buffer after a failed OK";
    EXPECT_FALSE(Exists("../Escape.CAT"));
    EXPECT_FALSE(Exists(".hidden.CAT"));
    EXPECT_FALSE(Exists(".CAT"));
}

TEST_F(Subjects, ALongNameFillsTheBufferToItsEndAndNoFurther)
{
    char guarded[S::kNameSize + 8];
    std::fill(std::begin(guarded), std::end(guarded), '#');
    hl::AnswerDialog(S::kTemplate, [&](HWND dlg) {
        TypeName(dlg, std::string(400, 'x'));
        hl::Click(GetDlgItem(dlg, IDOK));
        hl::Click(GetDlgItem(dlg, IDCANCEL));
    });
    S dialog(nullptr, "", "", guarded, dir.path().c_str());
    dialog.Execute();
    EXPECT_EQ(std::string(guarded + S::kNameSize, 8), std::string(8, '#'));
}

TEST_F(Subjects, CategoriesAreNeverMadeThroughALink)
{
    const std::string outside = dir.file("outside");
    ASSERT_EQ(symlink(outside.c_str(), dir.file("Trap.CAT").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("Pipe.CAT").c_str(), 0600), 0);
    Run(dir.path(), [&](HWND dlg) {
        TypeName(dlg, "Trap");
        hl::Click(GetDlgItem(dlg, IDOK));
        EXPECT_TRUE(IsWindow(dlg));
        TypeName(dlg, "Pipe");
        hl::Click(GetDlgItem(dlg, IDOK));
        EXPECT_TRUE(IsWindow(dlg)) << "a FIFO is no category file, and opening it does not block";
        hl::Click(GetDlgItem(dlg, IDCANCEL));
    });
    struct stat st{};
    EXPECT_NE(lstat(outside.c_str(), &st), 0) << "nothing was created at the link's target";
}

TEST_F(Subjects, DeleteRemovesTheFileAndTheSelectedEntryOnly)
{
    Touch("Alpha.CAT");
    Touch("Beta.CAT");
    Run(dir.path(), [&](HWND dlg) {
        HWND combo = GetDlgItem(dlg, S::kName);
        hl::Choose(combo, 0);
        TypeName(dlg, "Beta");
        hl::AnswerMessageBox(IDCANCEL);
        hl::Click(GetDlgItem(dlg, S::kDelete));
        EXPECT_TRUE(Exists("Beta.CAT")) << "not confirmed";
        hl::AnswerMessageBox(IDOK);
        hl::Click(GetDlgItem(dlg, S::kDelete));
        EXPECT_FALSE(Exists("Beta.CAT"));
        EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"Beta"})) << "the entry at the selection goes, whatever was typed";
        TypeName(dlg, "Gamma");
        hl::AnswerMessageBox(IDOK);
        hl::Click(GetDlgItem(dlg, S::kDelete));
        TypeName(dlg, "../Alpha");
        hl::AnswerMessageBox(IDOK);
        hl::Click(GetDlgItem(dlg, S::kDelete));
        EXPECT_TRUE(IsWindow(dlg));
        hl::Click(GetDlgItem(dlg, IDCANCEL));
    });
    const auto& boxes = hl::MessageBoxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, "Delete pre-defined category: Beta ?");
    EXPECT_EQ(boxes[0].caption, "Delete Category");
    EXPECT_EQ(boxes[0].type & 0xF, static_cast<UINT>(MB_OKCANCEL));
    EXPECT_EQ(boxes[3].text, "Gamma-- Not a valid category");
    EXPECT_EQ(boxes[3].type & 0xF0, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(boxes[5].text, "../Alpha-- Not a valid category");
    EXPECT_TRUE(Exists("Alpha.CAT"));
}
