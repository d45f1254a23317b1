// TSubjectDialog: listing, creating and deleting category files.
#include "controls/SubjectDialog.h"

#include <unistd.h>

#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/user/Resources.h"

namespace {
std::string String(UINT id)
{
    char text[256] = "";
    LoadStringA(nullptr, id, text, sizeof text);
    return text;
}
}

DEFINE_RESPONSE_TABLE1(TSubjectDialog, OWL::TDialog)
EV_COMMAND(IDCANCEL, CmCancel),
EV_COMMAND(IDOK, CmOk),
EV_COMMAND(TSubjectDialog::kDelete, CmDeleteCategory),
END_RESPONSE_TABLE

TSubjectDialog::TSubjectDialog(OWL::TWindow* parent, const char* caption_, const char* prompt_, char* nameBuf_,
                               const char* folder_, int resId, OWL::TModule* module)
    : OWL::TDialog(parent, resId, module), caption(caption_), prompt(prompt_), nameBuf(nameBuf_), folder(folder_)
{
    promptText = new OWL::TStatic(this, kPrompt);
    names = new OWL::TComboBox(this, kName);
}

void TSubjectDialog::SetupWindow()
{
    OWL::TDialog::SetupWindow();
    SetCaption(caption);
    promptText->SetText(prompt);
    SetCurrentDirectoryA(folder);
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("*.CAT", &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = found.cFileName;
        name = name.substr(0, name.find('.'));
        // A hidden file's name would list as nothing.
        if (!name.empty()) {
            names->AddString(name.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string TSubjectDialog::Typed() const
{
    char text[kNameSize] = "";
    names->GetText(text, sizeof text);
    return text;
}

std::string TSubjectDialog::CategoryPath(const std::string& name) const
{
    // The name becomes a file of this folder: nothing that leaves it or hides in it.
    if (name.empty() || name[0] == '.' || name.find_first_of("/\\") != std::string::npos) {
        return std::string();
    }
    std::string path = folder ? folder : "";
    if (!path.empty() && path.back() != '\\' && path.back() != '/') {
        path += '/';
    }
    return path + name + ".CAT";
}

void TSubjectDialog::CmOk()
{
    const std::string name = Typed();
    platform::CopyBounded(nameBuf, kNameSize, name);
    const std::string path = CategoryPath(name);
    bool ok = false;
    if (!path.empty()) {
        int fd = platform::OpenRegularForRead(path);
        if (fd < 0) {
            // Created exclusively: a name that is taken (by a link too) is not made again.
            fd = platform::CreateExclusive(path);
        }
        ok = fd >= 0 && close(fd) == 0;
    }
    if (!ok) {
        MessageBox(String(3302).c_str(), String(3303).c_str(), MB_OK);
        return;
    }
    CloseWindow(IDOK);
}

void TSubjectDialog::CmDeleteCategory()
{
    const std::string name = Typed();
    const std::string title = String(3301);
    const std::string question = String(3304) + name + " ?";
    if (MessageBox(question.c_str(), title.c_str(), MB_OKCANCEL) != IDOK) {
        return;
    }
    const std::string path = CategoryPath(name);
    const int fd = path.empty() ? -1 : platform::OpenRegularForRead(path);
    bool deleted = false;
    if (fd >= 0) {
        close(fd);
        deleted = unlink(path.c_str()) == 0;
    }
    // The entry goes only with its file.
    if (deleted) {
        names->DeleteString(names->GetSelIndex());
        return;
    }
    const std::string text = name + String(3300);
    MessageBox(text.c_str(), title.c_str(), MB_ICONHAND);
}

void TSubjectDialog::CmCancel()
{
    nameBuf[0] = '\0';
    OWL::TDialog::CmCancel();
}
