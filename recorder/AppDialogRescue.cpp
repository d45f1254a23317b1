// TAppDialog: a recording whose file lost its name while recording (its folder was
// removed, it was deleted or replaced) stops, and the take is copied out of the
// still-open file into the temporary folder and opened from there.
#include <string>

#include "files/FileNames.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/HeldFile.h"
#include "platform/kernel/SafeOpen.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"
#include "recorder/PrivateMessages.h"

void TAppDialog::CheckFileNamed()
{
    // A file the file object rewrote whole under its name (an MP3 tag that grew) is followed.
    if (!heldFile || fileGonePosted || heldFile->StillNamed() || heldFile->Follow()) {
        return;
    }
    // Handled after the buffer handler, so the stop flushes what is queued into the file first.
    fileGonePosted = true;
    PostMessage(UM_FILE_GONE);
}

std::string TAppDialog::RescueName() const
{
    char folder[MAX_PATH] = "";
    if (GetTempPathA(sizeof folder, folder) == 0 || !currentFile) {
        return {};
    }
    const std::string shortName(platform::FileNamePart(currentFile->GetName()));
    const std::string first = std::string(folder) + shortName;
    if (!platform::NameExists(first)) {
        return first;
    }
    const std::size_t dot = shortName.rfind('.');
    const std::string stem = dot == std::string::npos ? shortName : shortName.substr(0, dot);
    const std::string ending = dot == std::string::npos ? std::string() : shortName.substr(dot);
    char name[MAX_PATH] = "";
    MakeUniqueFileName(stem.c_str(), ending.c_str(), name, false, folder);
    return platform::NameExists(name) ? std::string() : std::string(name);
}

LRESULT TAppDialog::EvFileGone(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_FILE_GONE, wParam, lParam)) {
        return 0;
    }
    fileGonePosted = false;
    // Taken before the stop, which lets the held file go.
    std::unique_ptr<platform::HeldFile> held = std::move(heldFile);
    if (!held || !currentFile || held->StillNamed()) {
        return 0;
    }
    const std::string lost = held->Path();
    // The stop writes the last buffers, the sizes and the text into the still-open file;
    // the close what an encoder still holds and the stream's end (what it writes by
    // name finds nothing and fails, which is fine: the held descriptor has the take).
    stop();
    currentFile->close();
    const std::string rescue = RescueName();
    const bool copied = !rescue.empty() && held->CopyTo(rescue);
    std::string text = "The recording's file was removed while recording:\n   " + lost + "\nThe recording stopped";
    if (!copied) {
        // The take lives on only in the open file object: it stays as it is.
        text += ", and the take could not be copied to the temporary folder.";
        Warning(text.c_str());
        MessageBox(text.c_str(), "Tapvox", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    const int type = currentFile->GetFileType();
    const bool generated = currentFile->HasTempName();
    // The object goes without naming anything: its name belongs to no file of this take now.
    currentFile->SetTempName(false);
    delete currentFile;
    currentFile = nullptr;
    text += "; the take was rescued to:\n   " + rescue;
    Warning(text.c_str());
    if (openfile(rescue.c_str(), type) && currentFile) {
        currentFile->SetTempName(generated);
        UpdateCaption(nullptr, false);
    }
    MessageBox(text.c_str(), "Tapvox", MB_OK | MB_ICONEXCLAMATION);
    return 0;
}
