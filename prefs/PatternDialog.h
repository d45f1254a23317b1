#pragma once
// The file name pattern dialog, with the set of characters a pattern may hold,
// the table of date and time codes, and the example name.
#include <ctime>
#include <string>

#include "controls/ContextHelpWin.h"
#include "owl/Dialog.h"
#include "owl/StandardControls.h"
#include "owl/Validators.h"

// All 256 character codes except those of the text; "a-z" inside the text
// excludes the whole range, a '-' first or last excludes '-' itself.
class TExceptCharSet : public OWL::TCharSet {
public:
    explicit TExceptCharSet(const char* excluded);
};

// Characters a pattern may not hold.
// "/" too: here it separates folders, and a name made from the pattern names one file in the recording folder.
constexpr const char* kPatternExcluded = ":*?/";

struct PatternCode {
    const char* code;
    const char* text;
};
// Entry 0 is the prompt; the table ends with an entry whose text is empty.
extern const PatternCode PatternCodes[];

// The pattern (or "rec" when empty), "_1" when the instance number is always
// appended, the extension of the file type (1 ".mp3", 3 ".ogg", else ".wav"),
// expanded for the local time of when. Empty when the pattern holds an unknown
// code or the name would be longer than 258 characters.
std::string PatternExampleName(const char* pattern, bool appendInstance, int fileType, std::time_t when);

// Edits a pattern buffer of 260 characters and bit 0 of a naming-flags word; both
// change only on OK. Its help popups are those of the File page's map.
class TPatternDialog : public OWL::TDialog, public ContextHelpWin {
public:
    TPatternDialog(OWL::TWindow* parent, char* pattern, int fileType, int* flags, int resId = 4200);

    void SetupWindow() override;
    void CmOk() override;
    void CmInsertCode();
    void ShowExampleName();

private:
    TExceptCharSet excluded;
    char* pattern;
    OWL::TComboBox* codes;
    OWL::TEdit* edit;
    OWL::TStatic* example;
    OWL::TRadioButton* always;
    OWL::TRadioButton* onlyWhenRequired;
    int fileType;
    int* flags;

    DECLARE_RESPONSE_TABLE(TPatternDialog)
};
