#pragma once
// The help maps of the dialogs and pages (control -> popup text; 0 = the
// control's own id, -1 = no text) and the help context of each page's Help button.
#include "controls/ContextHelpWin.h"

extern const HelpPair PositionDialogHelpMap[];
constexpr std::int32_t PositionDialogHelpContext = 0;
extern const HelpPair AppDialogHelpMap[];
constexpr std::int32_t AppDialogHelpContext = 0;
extern const HelpPair SetStartHelpMap[];
constexpr std::int32_t SetStartHelpContext = 270;
extern const HelpPair SetWaveHelpMap[];
constexpr std::int32_t SetWaveHelpContext = 271;
extern const HelpPair SetFileHelpMap[];
constexpr std::int32_t SetFileHelpContext = 272;
extern const HelpPair SetRecordHelpMap[];
constexpr std::int32_t SetRecordHelpContext = 273;
extern const HelpPair SetPlayBackHelpMap[];
constexpr std::int32_t SetPlayBackHelpContext = 210;
extern const HelpPair SetDriverHelpMap[];
constexpr std::int32_t SetDriverHelpContext = 1600;
extern const HelpPair SetKeyHelpMap[];
constexpr std::int32_t SetKeyHelpContext = 900;
extern const HelpPair SetMp3HelpMap[];
constexpr std::int32_t SetMp3HelpContext = 3700;
extern const HelpPair SetVorbisHelpMap[];
constexpr std::int32_t SetVorbisHelpContext = 3860;
extern const HelpPair SetTimerHelpMap[];
constexpr std::int32_t SetTimerHelpContext = 28071;
// The switches page has no map: each control shows the text of its own id.
constexpr std::int32_t SetJoyHelpContext = 500;
