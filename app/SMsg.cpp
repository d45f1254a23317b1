// The message base: numbered messages' texts, their message boxes, warnings and the log file.
#include "app/SMsg.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "owl/Application.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/shell/SpecialFolders.h"

namespace {
std::string g_logPath;
std::FILE* g_log = nullptr;
int g_warnings = 0;

void CloseLogFile()
{
    if (g_log) {
        std::fclose(g_log);
        g_log = nullptr;
    }
}

void OpenLogFile()
{
    if (g_log || g_logPath.empty()) {
        return;
    }
    // In place: a link planted at the log's name is refused, never written through.
    const int fd = platform::OpenOrCreateForWrite(g_logPath, nullptr);
    if (fd < 0) {
        return;
    }
    g_log = platform::StreamFromDescriptor(fd, "r+b");
    if (!g_log) {
        return;
    }
    std::fseek(g_log, 0, SEEK_END);
    if (std::ftell(g_log) > SMsg::kLogLimit && ftruncate(fileno(g_log), 0) != 0) {
        CloseLogFile();
        return;
    }
    std::fseek(g_log, 0, SEEK_END);
}
}

SMsg::SMsg(OWL::TWindow* owner) : Owner(owner) { g_warnings = 0; }

SMsg::~SMsg() = default;

std::string SMsg::MessageText(int number) const
{
    char buf[260];
    HINSTANCE module = nullptr;
    if (OWL::TApplication* app = OWL::TApplication::Current()) {
        module = app->GetHandle();
    }
    if (LoadStringA(module, static_cast<UINT>(number), buf, sizeof buf) > 0) {
        return buf;
    }
    std::snprintf(buf, sizeof buf, "Diagnostic: %d", number);
    return buf;
}

int SMsg::ShowMessage(int number, UINT flags)
{
    const std::string text = MessageText(number);
    HWND owner = Owner ? Owner->GetHandle() : nullptr;
    if (OWL::TApplication* app = OWL::TApplication::Current()) {
        return app->MessageBox(owner, text.c_str(), "Tapvox", flags);
    }
    return ::MessageBoxA(owner, text.c_str(), "Tapvox", flags);
}

void SMsg::LogMessage(int number) { Warning(MessageText(number).c_str()); }

bool SMsg::Warning(const char* text)
{
    char copy[260];
    std::snprintf(copy, sizeof copy, "%s", text ? text : "");
    ++g_warnings;
    if (g_warnings < kMaxWarnings) {
        WriteLog(copy);
        return true;
    }
    if (g_warnings == kMaxWarnings) {
        WriteLog("\r\n\r\nMaximum warnings reported");
    }
    return false;
}

void SMsg::WriteLog(const char* text)
{
    if (g_logPath.empty()) {
        return;
    }
    OpenLogFile();
    if (!g_log) {
        return;  // the entry is dropped
    }
    std::fprintf(g_log, "%s  %s", text, platform::CtimeText(_time64(nullptr)).c_str());
    std::fflush(g_log);
    CloseLogFile();
}

void SMsg::SetLogPath(const std::string& path)
{
    CloseLogFile();
    // Whole, however long: a name cut to a buffer would be another file.
    g_logPath = path;
}

const std::string& SMsg::LogPath() { return g_logPath; }

int SMsg::WarningCount() { return g_warnings; }

std::string SMsg::DefaultLogPath()
{
    // The layer reports an NT 10.0 system, so the common application-data branch is the one taken.
    char folder[MAX_PATH] = "";
    if (SHGetFolderPathAndSubDirA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, "Tapvox", folder) == S_OK &&
        folder[0]) {
        return std::string(folder) + "/Tapvox.log";
    }
    char program[PATH_MAX + 1] = "";
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) {
        return std::string();  // no program path, or only a cut one
    }
    std::string path = program;
    const std::size_t slash = path.find_last_of("/\\");
    path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "tapvox.log";
    return path;
}
