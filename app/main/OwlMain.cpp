// OwlMain: the process prepared, one instance per user, the switches read, and
// the application run until its message loop ends.
#include "app/main/OwlMain.h"

#include <cfenv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/StartOptions.h"
#include "app/main/App.h"
#include "app/main/CommandLine.h"
#include "platform/core/Strings.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/Window.h"
#include "recorder/AppDialog.h"
#include "resources/Resources.h"

bool FirstInstance = false;
char SettingsFilePath[260] = "";
char WindowClassOverride[260] = "";

namespace {
constexpr const char* kClassName = "Tapvox";
// How long a second start waits for a first one that holds the lock but has no window yet.
constexpr int kHandOverWaitMs = 10000;
constexpr int kMsgCantOpenFile = 3159;

// Every start option and the globals of the start, to their values before any switch.
void ResetStartGlobals()
{
    StartOptions = TStartOptions{};
    CurrentFileName[0] = '\0';
    SettingsFilePath[0] = '\0';
    WindowClassOverride[0] = '\0';
    FirstInstance = false;
}

// The first instance is shown and brought to the front; this start's command line goes nowhere.
int HandOver(const std::vector<std::string>& args)
{
    // The first one holds the lock but has no socket to be reached at: nothing to wait for.
    if (const std::string problem = platform::ipc::EndpointProblem(kClassName); !problem.empty()) {
        std::fprintf(stderr,
                     "Tapvox: another Tapvox of this user is running but cannot be reached: %s; this start ends.\n",
                     problem.c_str());
        return 0;
    }
    const HWND first = platform::ipc::WaitForWindow(kClassName, kHandOverWaitMs);
    if (!first) {
        std::fprintf(stderr, "Tapvox: another Tapvox of this user is starting or not answering; this start ends.\n");
        return 0;
    }
    if (IsIconic(first) || !IsWindowVisible(first)) {
        ShowWindow(first, SW_SHOWNORMAL);
    }
    BringWindowToTop(GetLastActivePopup(first));
    SetForegroundWindow(first);
    if (!args.empty()) {
        std::string line = "Tapvox: already running, shown; the arguments of this start were not passed on:";
        for (const std::string& a : args) {
            line.append(" ").append(a);
        }
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    return 0;
}

void ReportTooLong(App& app, const std::string& name)
{
    std::string text = app.MessageText(kMsgCantOpenFile);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, name);
    }
    app.MessageBox(nullptr, text.c_str(), "Tapvox", MB_OK | MB_ICONEXCLAMATION);
}
}

int OwlMain(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    for (const std::string& a : args) {
        if (a == "--help") {
            const std::string help = CommandLineHelp();
            return std::fputs(help.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
        }
    }

    // Floating-point faults give infinities and NaNs, never a signal.
    fedisableexcept(FE_ALL_EXCEPT);
    SetMessageQueue(20);
    ResetStartGlobals();

    // The lock decides, atomically, which of two starts in the same instant is the first.
    platform::ipc::InstanceLock lock(kClassName);
    if (!lock.Found().empty()) {
        std::fprintf(stderr, "Tapvox: %s was %s; it was replaced by a new lock.\n", lock.Path().c_str(),
                     lock.Found().c_str());
    }
    if (!lock.Held()) {
        if (lock.HeldElsewhere()) {
            return HandOver(args);
        }
        std::fprintf(stderr, "Tapvox: no single-instance lock%s%s (%s); running without the single-instance check.\n",
                     lock.Path().empty() ? "" : " at ", lock.Path().c_str(), lock.Problem().c_str());
    }
    FirstInstance = lock.Held();
    if (lock.Held()) {
        if (const std::string problem = platform::ipc::EndpointProblem(kClassName); !problem.empty()) {
            std::fprintf(stderr, "Tapvox: tapvox-remote and a second start cannot reach this Tapvox: %s.\n",
                         problem.c_str());
        }
    }

    const TCommandLine line = ParseCommandLine(args);
    StartOptions.NoCompression = line.NoCompression;
    StartOptions.ListenAtStart = line.ListenAtStart;
    StartOptions.MinimiseAtStart = line.MinimiseAtStart;
    StartOptions.NotifyWindow = line.NotifyWindow;
    StartOptions.PlayAtStart = line.PlayAtStart;
    StartOptions.NoBlockRounding = line.NoBlockRounding;
    StartOptions.RunHidden = line.RunHidden;
    StartOptions.SuggestedFormats = line.SuggestedFormats;
    platform::CopyBounded(CurrentFileName, sizeof CurrentFileName, line.FileToOpen);

    resources::RegisterAll();
    App app(lock.Held() ? &lock : nullptr, true);
    if (!line.TooLongName.empty()) {
        ReportTooLong(app, line.TooLongName);
    }
    return app.Run();
}
