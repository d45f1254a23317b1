// The preferences sheet and its pages.
#include "prefs/PreferencesSheet.h"

#include <string>

#include "platform/user/Resources.h"

namespace {
constexpr UINT kTitle = 3504;

std::unique_ptr<OWL::TPropertySheet> MakeSheet(OWL::TWindow* parent)
{
    char title[128] = "";
    LoadStringA(nullptr, kTitle, title, sizeof title);
    return std::make_unique<OWL::TPropertySheet>(parent, title, 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
}
}

TPreferencesSheet::TPreferencesSheet(OWL::TWindow* parent)
    : sharedFormat(DefaultAudioFormat), sheet(MakeSheet(parent)), start(sheet.get()), wave(sheet.get(), &sharedFormat, true),
      mp3(sheet.get(), &sharedFormat, true), vorbis(sheet.get(), &sharedFormat), file(sheet.get(), &sharedFormat),
      record(sheet.get()), playBack(sheet.get()), timer(sheet.get(), &TimerSettings)
{
}
