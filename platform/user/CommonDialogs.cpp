// The open and save file dialogs: the caller's record becomes a request to the backend, the answer fills the record.
#include "platform/user/CommonDialogs.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/user/Backend.h"
#include "platform/user/Resources.h"

namespace {
DWORD g_error = 0;
constexpr int kFileList = 1120;  // the file list of the classic dialog's template

std::vector<std::pair<std::string, std::string>> Filters(LPCSTR filter)
{
    std::vector<std::pair<std::string, std::string>> out;
    while (filter && *filter) {
        std::string description = filter;
        filter += description.size() + 1;
        std::string patterns = filter;
        filter += patterns.size() + 1;
        out.emplace_back(std::move(description), std::move(patterns));
    }
    return out;
}

// The classic dialog picks a folder when its own template hides the file list.
bool PicksFolder(const OPENFILENAMEA& ofn)
{
    if (!(ofn.Flags & OFN_ENABLETEMPLATE) || !ofn.lpTemplateName) {
        return false;
    }
    const platform::DialogTemplate* t = platform::FindDialog(ofn.lpTemplateName);
    if (!t) {
        return false;
    }
    for (const platform::DialogItemTemplate& item : t->items) {
        if (item.id == kFileList) {
            return !(item.style & WS_VISIBLE);
        }
    }
    return true;
}

BOOL Run(OPENFILENAMEA* ofn, platform::FileDialogKind kind)
{
    g_error = 0;
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
        return FALSE;
    }
    if (kind == platform::FileDialogKind::Open && PicksFolder(*ofn)) {
        kind = platform::FileDialogKind::Folder;
    }
    platform::FileDialogRequest request{kind, ofn->hwndOwner, ofn->lpstrTitle ? ofn->lpstrTitle : "",
                                        Filters(ofn->lpstrFilter), static_cast<int>(ofn->nFilterIndex),
                                        ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "",
                                        std::string(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile)),
                                        ofn->lpstrDefExt ? ofn->lpstrDefExt : "", ofn->Flags};
    const auto answer = platform::CurrentBackend().ChooseFile(request);
    if (!answer) {
        return FALSE;
    }
    std::string path = answer->path;
    if (kind == platform::FileDialogKind::Folder && !request.fileName.empty()) {
        // The classic dialog answers the folder with the name still in its (hidden) name box.
        if (!path.empty() && path.back() != '/' && path.back() != '\\') {
            path += '/';
        }
        path += request.fileName;
    }
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

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) { return Run(ofn, platform::FileDialogKind::Open); }
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) { return Run(ofn, platform::FileDialogKind::Save); }
DWORD CommDlgExtendedError() { return g_error; }
