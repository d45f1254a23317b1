// The General page beyond its boxes: always on top reaching the main window at
// Apply, the message it posts itself, and its shortcuts to the program on the
// desktop and in the launcher menu, over a private home.
#include <cstdlib>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "owl/Application.h"
#include "owl/FrameWindow.h"
#include "platform/kernel/Files.h"
#include "platform/shell/DesktopEntry.h"
#include "prefs/SetStart.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
class GeneralPage : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        if (const char* home = std::getenv("HOME")) {
            savedHome = home;
        }
        setenv("HOME", dir.path().c_str(), 1);
    }
    void TearDown() override
    {
        frame = nullptr;
        app.reset();
        if (savedHome) {
            setenv("HOME", savedHome->c_str(), 1);
        }
        PageTest::TearDown();
    }
    // An application whose main window the page acts on.
    void MakeMainWindow()
    {
        app = std::make_unique<OWL::TApplication>("Tapvox");
        frame = new OWL::TFrameWindow(nullptr, "Tapvox");
        app->SetMainWindow(frame);
        ASSERT_TRUE(frame->Create());
    }
    bool Topmost() const { return (GetWindowLongA(frame->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    void SetTopmost(bool on)
    {
        SetWindowPos(frame->GetHandle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ASSERT_EQ(on, Topmost());
    }
    // Runs the General page in a sheet; clicks "&Always on top" first when asked.
    void RunPage(bool clickOnTop)
    {
        OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
        TSetStart page(&sheet);
        ASSERT_EQ(IDOK, Run(sheet, [&](HWND h) {
            if (clickOnTop) {
                hl::Click(Item(page, 217));
            }
            Ok(h);
        }));
    }
    static void ExpectValid(const std::string& path)
    {
        if (!testsupport::HaveTool("desktop-file-validate")) {
            return;  // the reading back below still checks the entry
        }
        int status = -1;
        const std::string out = testsupport::RunCapture("desktop-file-validate '" + path + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("error"), std::string::npos) << out;
    }

    std::optional<std::string> savedHome;
    std::unique_ptr<OWL::TApplication> app;
    OWL::TFrameWindow* frame = nullptr;
};

// The sheet closes only after the page applied the change: what the frame shows
// here came from the page alone, since nothing else applies settings in this test.
TEST_F(GeneralPage, AlwaysOnTopReachesTheMainWindowAtApplyAndOnlyWhenItChanged)
{
    MakeMainWindow();
    OnTop = false;
    RunPage(true);
    EXPECT_TRUE(OnTop);
    EXPECT_TRUE(Topmost()) << "checking the box makes the main window topmost at once";

    // Unchanged: the window is left as it is, whatever its state.
    SetTopmost(false);
    RunPage(false);
    EXPECT_TRUE(OnTop);
    EXPECT_FALSE(Topmost()) << "an Apply without a change sets no window position";

    SetTopmost(true);
    RunPage(true);
    EXPECT_FALSE(OnTop);
    EXPECT_FALSE(Topmost()) << "unchecking the box makes it non-topmost at once";
}

// Counts what the page posts itself, then lets the page answer it.
class CountingStartPage : public TSetStart {
public:
    using TSetStart::TSetStart;
    LRESULT EvReady(WPARAM, LPARAM)
    {
        ++ready;
        OWL::TEventInfo info{UM_START_PAGE_READY};
        answered = TSetStart::Find(info);
        return info.Result;
    }
    int ready = 0;
    bool answered = false;
    DECLARE_RESPONSE_TABLE(CountingStartPage)
};
DEFINE_RESPONSE_TABLE1(CountingStartPage, TSetStart)
EV_MESSAGE(TSetStart::UM_START_PAGE_READY, EvReady),
END_RESPONSE_TABLE

TEST_F(GeneralPage, SetUpPostsThePageItsReadyMessageOnceAndItsAnswerChangesNothing)
{
    OnTop = TrayIcon = true;
    ListenOnStart = MinimizeOnStart = false;
    OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
    CountingStartPage page(&sheet);
    ASSERT_EQ(IDCANCEL, Run(sheet, [&](HWND h) {
        hl::RunUntilIdle();
        EXPECT_EQ(1, page.ready);
        EXPECT_TRUE(page.answered) << "the page has an entry for it";
        for (const auto& [box, state] : {std::pair{217, BST_CHECKED}, {219, BST_CHECKED}, {302, BST_UNCHECKED}, {300, BST_UNCHECKED}}) {
            EXPECT_EQ(state, hl::Check(Item(page, box))) << box;
        }
        Cancel(h);
    }));
    EXPECT_TRUE(OnTop && TrayIcon && !ListenOnStart && !MinimizeOnStart);
}

struct ShortcutPlace {
    const char* name;
    const char* file;  // under the private home
    bool (TSetStart::*has)();
    bool (TSetStart::*create)();
    bool (TSetStart::*remove)();
};

void PrintTo(const ShortcutPlace& place, std::ostream* os) { *os << place.name; }

class GeneralPageShortcuts : public GeneralPage, public ::testing::WithParamInterface<ShortcutPlace> {};

TEST_P(GeneralPageShortcuts, MadeToTheProgramItselfFoundReplacedAndRemoved)
{
    const ShortcutPlace& place = GetParam();
    OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
    TSetStart page(&sheet);
    const std::string path = dir.file(place.file);
    const std::string folder = path.substr(0, path.rfind('/'));
    struct stat st {};

    EXPECT_FALSE((page.*place.has)());
    EXPECT_FALSE((page.*place.remove)()) << "there was none";
    EXPECT_NE(0, stat(folder.c_str(), &st)) << "looking for a shortcut makes no folder";

    ASSERT_TRUE((page.*place.create)());
    ExpectValid(path);
    platform::DesktopEntry entry;
    ASSERT_TRUE(platform::ReadDesktopEntry(path, &entry));
    char program[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    EXPECT_EQ(program, entry.target);
    EXPECT_TRUE(entry.arguments.empty());
    EXPECT_EQ("Tapvox", entry.name);
    EXPECT_EQ("", entry.description);
    EXPECT_EQ("", entry.icon) << "no icon path was given";
    EXPECT_TRUE((page.*place.has)());

    ASSERT_TRUE((page.*place.create)()) << "made again over the first";
    EXPECT_TRUE((page.*place.has)());
    EXPECT_TRUE((page.*place.remove)());
    EXPECT_NE(0, stat(path.c_str(), &st));
    EXPECT_FALSE((page.*place.has)());
    EXPECT_FALSE((page.*place.remove)());

    // A folder that cannot be made: the failure reaches the caller.
    ASSERT_EQ(0, rmdir(folder.c_str()));
    testsupport::WriteAll(folder, {'x'});
    EXPECT_FALSE((page.*place.create)());
    EXPECT_FALSE((page.*place.has)());
}

// The desktop in a home without user-dirs.dirs, and the launcher menu under XDG_DATA_HOME.
INSTANTIATE_TEST_SUITE_P(Places, GeneralPageShortcuts,
                         ::testing::Values(ShortcutPlace{"Desktop", "Desktop/Tapvox.desktop", &TSetStart::HasDesktopShortcut,
                                                         &TSetStart::CreateDesktopShortcut, &TSetStart::RemoveDesktopShortcut},
                                           ShortcutPlace{"QuickLaunch", "data/applications/Tapvox.desktop",
                                                         &TSetStart::HasQuickLaunchShortcut,
                                                         &TSetStart::CreateQuickLaunchShortcut,
                                                         &TSetStart::RemoveQuickLaunchShortcut}),
                         [](const auto& info) { return std::string(info.param.name); });
}
