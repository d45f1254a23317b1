// FennApp's commands: the sound programs, help, the maker's web pages and About.
#include <string>
#include <vector>

#include "app/ProjectRCVersion.h"
#include "app/WebAddress.h"
#include "app/main/AboutDlg.h"
#include "app/main/App.h"
#include "controls/ContextHelpWin.h"
#include "owl/FrameWindow.h"
#include "platform/help/Help.h"
#include "platform/kernel/Processes.h"
#include "platform/kernel/StandInPrograms.h"
#include "platform/shell/ShellExecute.h"

namespace {
constexpr UINT kMixerPlay = 25001;
constexpr UINT kMixerRecord = 25002;
constexpr UINT kVolume = 25003;
constexpr UINT kMultimediaProperties = 25015;
constexpr UINT kHelpContents = 2001;
constexpr UINT kCheckUpdates = 25998;
constexpr UINT kWebSite = 25997;
constexpr UINT kProductPage = 25996;
constexpr UINT kAbout = 2009;

// The layer reports a Windows version of 6 or later, so the sound commands are
// those of that version; a program that is not installed is not started.
void RunCommandLine(const char* commandLine)
{
    const std::vector<std::string> argv = platform::StandInCommand(commandLine);
    if (!argv.empty()) {
        platform::StartProgram(argv);
    }
}
}

DEFINE_RESPONSE_TABLE1(FennApp, OWL::TApplication)
EV_COMMAND(kMixerPlay, CmMixerPlay),
EV_COMMAND(kMixerRecord, CmMixerRecord),
EV_COMMAND(kVolume, CmVolume),
EV_COMMAND(kMultimediaProperties, CmMultimediaProperties),
EV_COMMAND(kHelpContents, CmHelpContents),
EV_COMMAND(kCheckUpdates, CmCheckUpdates),
EV_COMMAND(kWebSite, CmWebSite),
EV_COMMAND(kProductPage, CmProductPage),
EV_COMMAND(kAbout, CmAbout),
END_RESPONSE_TABLE

HWND FennApp::MainHandle() const { return MainWindow ? MainWindow->GetHandle() : nullptr; }

void FennApp::OpenUrl(const std::string& text)
{
    // Whether the opener could show the page is its own to say.
    ShellExecuteA(MainHandle(), "open", WebAddress(text).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void FennApp::CmMixerPlay() { RunCommandLine("sndvol.exe"); }

void FennApp::CmMixerRecord() { RunCommandLine("control.exe mmsys.cpl,,1"); }

void FennApp::CmVolume() { RunCommandLine("sndvol.exe -f"); }

void FennApp::CmMultimediaProperties() { RunCommandLine("control.exe mmsys.cpl"); }

void FennApp::CmHelpContents()
{
    // An empty path (no help installed) is passed on: the viewer says so.
    HtmlHelpA(MainHandle(), HelpFilePath, HH_DISPLAY_TOPIC, 0);
}

void FennApp::CmCheckUpdates()
{
    ProjectRCVersion version(nullptr);
    LPSTR number = nullptr;
    OpenUrl(UpdateCheckAddress(version.GetProductVersion(number) ? number : nullptr));
}

void FennApp::CmWebSite() { OpenUrl(MakerHomePage()); }

void FennApp::CmProductPage() { OpenUrl(ProductPage()); }

void FennApp::CmAbout() { AboutDlg(MainWindow).Execute(); }
