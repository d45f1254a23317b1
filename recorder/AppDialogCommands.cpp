// TAppDialog: the command entries of the response table and the file commands (new, open, save, save as).
#include <cstring>
#include <string>

#include "files/FileType.h"
#include "owl/CommandEnabler.h"
#include "owl/OpenSaveDialog.h"
#include "recorder/AppDialog.h"
#include "recorder/EngineBusy.h"
#include "recorder/PrivateMessages.h"
#include "settings/FileSettings.h"
#include "settings/Settings.h"

namespace {
// The input-line command of an inserted source: the handler takes its id.
#define EV_INPUT_LINE(id) OWL_ENTRY_(Command, WM_COMMAND, id, 0, self.CmInputLine(id); return 0;)
// A command of the Position submenu: one step of the unit (0 minute, 1 second, 2 segment, 3 comment).
#define EV_SEEK_STEP(id, unit, forward) OWL_ENTRY_(Command, WM_COMMAND, id, 0, self.SeekStep(unit, forward, 1); return 0;)
}

DEFINE_RESPONSE_TABLE_PART(TAppDialog, CommandEntries)
EV_COMMAND_ENABLE(150, CeRecord),
EV_COMMAND(24331, CmFileNew),
EV_COMMAND(24351, CmFileNewWave),
EV_COMMAND(24352, CmFileNewMp3),
EV_COMMAND(24354, CmFileNewVorbis),
EV_COMMAND(24332, CmFileOpen),
EV_COMMAND(24333, CmFileSave),
EV_COMMAND_ENABLE(24333, CeFileSave),
EV_COMMAND(24334, CmFileSaveAs),
EV_COMMAND_ENABLE(24334, CeFileSave),
EV_COMMAND(24350, CmNothing),
EV_COMMAND_ENABLE(24350, CeFileHasData),
EV_COMMAND(24353, CmViewLog),
EV_COMMAND(23002, CmPositionDialog),
EV_COMMAND_ENABLE(23002, CeGoToPosition),
EV_WM_LBUTTONDBLCLK,
EV_COMMAND(23003, CmComment),
EV_COMMAND(23004, CmEndComment),
EV_COMMAND(23005, CmDeleteComment),
// Bound to keys, and no action: they stay so that the keys do nothing else.
EV_COMMAND(23000, CmNothing),
EV_COMMAND(23001, CmNothing),
EV_COMMAND(23006, CmNothing),
EV_COMMAND(23007, CmNothing),
EV_COMMAND(23008, CmNothing),
EV_COMMAND(23009, CmNothing),
EV_COMMAND(23010, CmNothing),
EV_COMMAND(23011, CmNothing),
EV_COMMAND(23012, CmNothing),
EV_SEEK_STEP(25300, 1, true), EV_SEEK_STEP(25301, 2, true), EV_SEEK_STEP(25302, 1, false),
EV_SEEK_STEP(25303, 2, false), EV_SEEK_STEP(25304, 0, true), EV_SEEK_STEP(25305, 0, false),
EV_SEEK_STEP(25306, 3, true), EV_SEEK_STEP(25307, 3, false),
EV_COMMAND_ENABLE(25210, CePlayAtSpeed),
EV_COMMAND(25212, CmSpeedUp),
EV_COMMAND(25213, CmSlowDown),
EV_COMMAND(25800, CmToggleWinClip),
EV_COMMAND_ENABLE(25800, CeToggleWinClip),
EV_COMMAND(28000, CmInputLineIn),
EV_COMMAND(28001, CmInputMicrophone),
EV_COMMAND_ENABLE(28000, CeInputLine),
EV_INPUT_LINE(28006), EV_INPUT_LINE(28007), EV_INPUT_LINE(28008), EV_INPUT_LINE(28009),
EV_INPUT_LINE(28010), EV_INPUT_LINE(28011), EV_INPUT_LINE(28012), EV_INPUT_LINE(28013),
EV_INPUT_LINE(28014), EV_INPUT_LINE(28015), EV_INPUT_LINE(28016), EV_INPUT_LINE(28017),
EV_MESSAGE(WM_DEVICECHANGE, EvDeviceChange),
EV_MESSAGE(UM_SYNC_FILES, EvSyncFiles),
EV_MESSAGE(UM_SETTINGS_CHANGED, EvSettingsChanged),
END_RESPONSE_TABLE

void TAppDialog::NewFile(int fileType)
{
    const bool wasRecording = waveIn != nullptr;
    if (waveIn || waveOut) {
        stop();
    }
    if (filecanclose()) {
        openfile(nullptr, fileType);
    }
    // With Cancel in the save question the old file stays open: recording goes on into it.
    if (wasRecording) {
        record();
    }
}

void TAppDialog::CmFileNew() { NewFile(-1); }
void TAppDialog::CmFileNewWave() { NewFile(FileTypeWave); }
void TAppDialog::CmFileNewMp3() { NewFile(FileTypeMp3); }
void TAppDialog::CmFileNewVorbis() { NewFile(FileTypeOgg); }

void TAppDialog::CmFileOpen()
{
    fileData.FileName.clear();
    fileData.SetFilter("Audio files (*.wav,*.mp3,*.ogg)|*.wav;*.mp3;*.ogg|Wave files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|"
                       "Vorbis files (*.ogg)|*.ogg|");
    fileData.InitialDir.clear();
    fileData.Flags &= ~OFN_READONLY;
    if (waveIn || waveOut) {
        stop();
    }
    if (filecanclose()) {
        // A schedule edge or another program's message waits for the file the user chooses.
        EngineBusy busy(*this);
        OWL::TFileOpenDialog dialog(Parent ? Parent : this, fileData);
        if (dialog.Execute() == IDOK && !fileData.FileName.empty()) {
            openfile(fileData.FileName.c_str(), -1);
            if ((fileData.Flags & OFN_READONLY) && currentFile) {
                currentFile->SetReadOnly(true);
                UpdateCaption(nullptr, false);
            }
        }
    }
    fileData.InitialDir = DefaultDirectory;
}

void TAppDialog::CmFileSave()
{
    if (!currentFile || !currentFile->HasTempName()) {
        savefile(nullptr, false);
    } else {
        CmFileSaveAs();
    }
}

void TAppDialog::CmFileSaveAs()
{
    // A save to another name may copy and reopen the file: never under a running recording.
    const bool wasRecording = waveIn != nullptr;
    if (waveIn || waveOut) {
        stop();
    }
    const int type = currentFile ? currentFile->GetFileType() : FileTypeWave;
    fileData.InitialDir = DefaultDirectory;
    fileData.FileName.clear();
    fileData.SetFilter(type == FileTypeMp3   ? "MP3 files (*.mp3)|*.mp3|"
                       : type == FileTypeOgg ? "Vorbis files (*.ogg)|*.ogg|"
                                             : "Wave files (*.wav)|*.wav|");
    {
        // Nothing records into the file while the dialog is up and it moves.
        EngineBusy busy(*this);
        OWL::TFileSaveDialog dialog(Parent ? Parent : this, fileData);
        if (dialog.Execute() == IDOK && !fileData.FileName.empty()) {
            savefile(fileData.FileName.c_str(), false);
        }
    }
    if (wasRecording && currentFile) {
        record();
    }
}

void TAppDialog::CeRecord(OWL::TCommandEnabler& enabler) { enabler.Enable(!currentFile || !currentFile->IsReadOnly()); }

void TAppDialog::CeFileSave(OWL::TCommandEnabler& enabler) { enabler.Enable(currentFile && !currentFile->IsReadOnly()); }

void TAppDialog::CeFileHasData(OWL::TCommandEnabler& enabler) { enabler.Enable(currentFile && currentFile->GetDataSize() > 0); }

LRESULT TAppDialog::EvDeviceChange(WPARAM, LPARAM) { return TRUE; }

namespace {
// A file opened under a generated name that nothing has reached yet: made under the
// old settings, it can be replaced by one made under the new.
bool Untouched(MediaFile* file) { return file && file->GetDataSize() == 0 && !file->IsDirty() && file->HasTempName(); }
}

LRESULT TAppDialog::EvSettingsChanged(WPARAM wParam, LPARAM lParam)
{
    if (DeferWhileBusy(UM_SETTINGS_CHANGED, wParam, lParam)) {
        return 0;
    }
    if (Untouched(currentFile)) {
        const bool wasRecording = waveIn != nullptr;
        if (wasRecording) {
            stop();
        }
        // The stop may have written what the input held: then the file is a recording and stays.
        if (Untouched(currentFile)) {
            savefile(nullptr, true);
            openfile(nullptr, -1);
        }
        if (wasRecording) {
            record();
        }
    }
    spintimer();
    CheckDefaultDirectory();
    return 0;
}
