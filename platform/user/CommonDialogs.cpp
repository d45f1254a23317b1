#include "platform/user/CommonDialogs.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/user/Headless.h"

namespace {
DWORD g_error = 0;

BOOL Run(OPENFILENAMEA* ofn, const char* what)
{
    g_error = 0;
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
        return FALSE;
    }
    // The dialog is modal: what is queued runs while it is up.
    platform::headless::RunUntilIdle();
    auto answer = platform::headless::TakeFileDialogAnswer();
    if (!answer) {
        std::fprintf(stderr, "%s dialog without an answer: cancelled\n", what);
        return FALSE;
    }
    if (!answer->path) {
        return FALSE;
    }
    std::string path = *answer->path;
    std::size_t slash = path.find_last_of("/\\");
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (ofn->lpstrDefExt && *ofn->lpstrDefExt && path.find('.', nameStart) == std::string::npos) {
        path += ".";
        path += ofn->lpstrDefExt;
    }
    if (path.size() + 1 > ofn->nMaxFile) {
        g_error = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    const std::size_t dot = path.find_last_of('.');
    ofn->nFileOffset = static_cast<WORD>(nameStart);
    ofn->nFileExtension = static_cast<WORD>(dot == std::string::npos || dot < nameStart ? path.size() : dot + 1);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        std::snprintf(ofn->lpstrFileTitle, ofn->nMaxFileTitle, "%s", path.c_str() + nameStart);
    }
    if (answer->readOnly) {
        ofn->Flags |= OFN_READONLY;
    } else {
        ofn->Flags &= ~OFN_READONLY;
    }
    return TRUE;
}
}

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) { return Run(ofn, "open file"); }
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) { return Run(ofn, "save file"); }
DWORD CommDlgExtendedError() { return g_error; }
