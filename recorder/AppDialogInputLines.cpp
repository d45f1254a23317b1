// TAppDialog: the recording inputs of the wave-in device's mixer as menu items, and the commands that select one.
#include <memory>
#include <string>

#include "owl/CommandEnabler.h"
#include "platform/core/Strings.h"
#include "recorder/AppDialog.h"
#include "recorder/SMixer.h"
#include "settings/DriverSettings.h"

namespace {
constexpr UINT kMicrophone = 28001;
constexpr UINT kAnchor = 28005;
constexpr UINT kFirstSource = 28006;
constexpr UINT kLastCleared = 28024;
constexpr std::size_t kNameSize = 260;

bool IsOneOf(const char* name, std::initializer_list<const char*> names)
{
    for (const char* n : names) {
        if (EqualsNoCase(name, n)) {
            return true;
        }
    }
    return false;
}

// The recording mixer of the chosen wave-in device, or null when there is none.
std::unique_ptr<SMixer> RecordingMixer(HWND window)
{
    auto mixer = std::make_unique<SMixer>(MIXER_OBJECTF_WAVEIN, WaveInDriver, window);
    return mixer->mixer ? std::move(mixer) : nullptr;
}
}

void TAppDialog::BuildInputMenu()
{
    HMENU menu = Parent ? ::GetMenu(Parent->GetHandle()) : nullptr;
    if (!menu) {
        return;
    }
    for (UINT id = kFirstSource; id <= kLastCleared; ++id) {
        RemoveMenu(menu, id, MF_BYCOMMAND);
    }
    auto mixer = RecordingMixer(Handle);
    if (!mixer) {
        return;
    }
    const int count = mixer->GetRecordLineCount();
    for (int n = 0; n < count; ++n) {
        char name[kNameSize] = "";
        if (!mixer->GetRecordLineName(n, name, sizeof name) ||
            IsOneOf(name, {"line-in", "linein", "line in", "microphone"})) {
            continue;
        }
        InsertMenuA(menu, kAnchor, MF_BYCOMMAND | MF_STRING, kFirstSource + static_cast<UINT>(n), name);
    }
}

void TAppDialog::CmInputLine(UINT id)
{
    HMENU menu = Parent ? ::GetMenu(Parent->GetHandle()) : nullptr;
    auto mixer = RecordingMixer(Handle);
    char name[kNameSize] = "";
    if (mixer && menu && GetMenuStringA(menu, id, name, sizeof name, MF_BYCOMMAND) > 0) {
        mixer->SelectRecordLine(name);
    }
}

void TAppDialog::CmInputLineIn()
{
    if (auto mixer = RecordingMixer(Handle)) {
        mixer->SelectRecordLine("Line-In");
    }
}

void TAppDialog::CmInputMicrophone()
{
    if (auto mixer = RecordingMixer(Handle)) {
        mixer->SelectRecordLine("Microphone");
    }
}

void TAppDialog::CeInputLine(OWL::TCommandEnabler& enabler)
{
    auto mixer = RecordingMixer(Handle);
    char selected[kNameSize] = "";
    if (!mixer || !mixer->GetSelectedRecordLine(selected, sizeof selected)) {
        return;
    }
    const bool lineIn = IsOneOf(selected, {"Line-In", "LineIn", "Line In"});
    const bool microphone = IsOneOf(selected, {"microphone", "mike"});
    enabler.SetCheck(lineIn ? OWL::TCommandEnabler::Checked : OWL::TCommandEnabler::Unchecked);
    HMENU menu = Parent ? ::GetMenu(Parent->GetHandle()) : nullptr;
    if (!menu) {
        return;
    }
    CheckMenuItem(menu, kMicrophone, MF_BYCOMMAND | (microphone ? MF_CHECKED : MF_UNCHECKED));
    for (UINT id = kFirstSource; id <= kLastCleared; ++id) {
        char text[kNameSize] = "";
        if (GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND) > 0) {
            const bool mark = !lineIn && !microphone && std::string(text) == selected;
            CheckMenuItem(menu, id, MF_BYCOMMAND | (mark ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}
