#pragma once
// The preferences sheet: "Options" with its eight pages in order, the format
// pages and the File page sharing one default recording file type.
#include <memory>

#include "owl/PropertySheet.h"
#include "prefs/SetFile.h"
#include "prefs/SetMp3.h"
#include "prefs/SetPlayBack.h"
#include "prefs/SetRecord.h"
#include "prefs/SetStart.h"
#include "prefs/SetTimer.h"
#include "prefs/SetVorbis.h"
#include "prefs/SetWave.h"

class TPreferencesSheet {
public:
    // The shared default file type starts as DefaultAudioFormat; the timer page edits TimerSettings.
    explicit TPreferencesSheet(OWL::TWindow* parent);
    TPreferencesSheet(const TPreferencesSheet&) = delete;
    TPreferencesSheet& operator=(const TPreferencesSheet&) = delete;

    // Modal: IDOK or IDCANCEL; the settings change only through the pages' Apply.
    int Execute() { return sheet->Execute(); }
    OWL::TPropertySheet& Sheet() { return *sheet; }
    int SharedFormat() const { return sharedFormat; }

private:
    int sharedFormat;
    // Pages refer to the sheet: it is made first and goes last.
    std::unique_ptr<OWL::TPropertySheet> sheet;
    TSetStart start;
    TSetWave wave;
    TSetMp3 mp3;
    TSetVorbis vorbis;
    TSetFile file;
    TSetRecord record;
    TSetPlayBack playBack;
    TSetTimer timer;
};
