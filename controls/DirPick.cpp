// TDirPick: the folder parts of the open dialog and the folder cut from its answer.
#include "controls/DirPick.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/core/Strings.h"

namespace {
// The parts of the classic open dialog that deal in files.
constexpr int kHidden[] = {1089, 1090, 1152, 1120, 1136};
constexpr int kNameBox = 1152;
}

TDirPick::TDirPick(OWL::TWindow* parent, char* outPath_, int outSize_, OWL::TOpenSaveDialog::TData& data,
                   int templateId, LPCSTR title, OWL::TModule* module)
    : OWL::TFileOpenDialog(parent, data, templateId, title, module), outPath(outPath_), outSize(outSize_)
{
    data.Flags &= ~(OFN_EXPLORER | OFN_FILEMUSTEXIST);
    data.Flags |= OFN_ENABLETEMPLATE | OFN_LONGNAMES;
}

void TDirPick::SetupWindow()
{
    OWL::TFileOpenDialog::SetupWindow();
    for (int id : kHidden) {
        ::ShowWindow(GetDlgItem(id), SW_HIDE);
    }
    SetDlgItemText(kNameBox, kDummyName);
}

void TDirPick::CmOk()
{
    // The dialog's own OK comes first: it puts the dummy name's full path in the buffer.
    DefaultProcessing();
    const char* chosen = GetFileNameBuffer();
    if (!chosen) {
        return;
    }
    std::string path = chosen;
    const std::size_t dummy = std::strlen(kDummyName);
    if (path.size() >= dummy && path.compare(path.size() - dummy, dummy, kDummyName) == 0) {
        path.resize(path.size() - dummy);
    }
    if (path.size() + 1 > static_cast<std::size_t>(std::max(outSize, 0))) {
        TooLong(path.c_str());
        return;
    }
    platform::CopyBounded(outPath, static_cast<std::size_t>(outSize), path);
}

int TDirPick::Execute()
{
    const int result = OWL::TFileOpenDialog::Execute();
    if (result != IDOK && Data.Error == FNERR_BUFFERTOOSMALL) {
        TooLong(nullptr);
    }
    return result;
}

void TDirPick::TooLong(const char* path)
{
    std::string text = "The folder's name is too long to use; the folder stays as it was.";
    if (path) {
        text += "\n";
        text += path;
    }
    ::MessageBoxA(Parent ? Parent->GetHandle() : nullptr, text.c_str(), Title.empty() ? nullptr : Title.c_str(),
                  MB_OK | MB_ICONEXCLAMATION);
}
