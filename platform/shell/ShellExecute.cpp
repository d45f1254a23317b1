// ShellExecuteA on the desktop's opener.
#include "platform/shell/ShellExecute.h"

#include <string>

#include "platform/core/Strings.h"
#include "platform/kernel/Processes.h"

namespace {
HINSTANCE Result(std::intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR, int)
{
    if (!file || !*file) {
        return Result(SE_ERR_FNF);
    }
    if ((operation && *operation && !EqualsNoCase(operation, "open")) || (parameters && *parameters)) {
        return Result(SE_ERR_NOASSOC);
    }
    // The opener takes a leading "-" for an option of its own.
    const std::string target = file[0] == '-' ? std::string("./") + file : std::string(file);
    return Result(platform::StartProgram({"xdg-open", target}) ? 42 : SE_ERR_NOASSOC);
}
