#pragma once
// Pages under test: the settings world of SettingsFixture with the program's
// resources, a manual clock on a Wednesday, the compression manager on and the
// MPEG Layer-3 driver as the one codec of the driver list, and a sheet run
// with a script that acts as the user.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "app/StartOptions.h"
#include "owl/PropertySheet.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "platform/wave/ScriptedWave.h"
#include "resources/Resources.h"
#include "settings/CodecDrivers.h"
#include "tests/settings/SettingsFixture.h"

namespace pagetest {
namespace hl = platform::headless;

// Wednesday 2024-03-06 12:00:00 UTC.
constexpr std::int64_t kWednesdayNoon = 1709726400;

inline HACMDRIVERID Mp3DriverId()
{
    HACMDRIVERID found = nullptr;
    acmDriverEnum(
        [](HACMDRIVERID id, DWORD_PTR instance, DWORD) -> BOOL {
            ACMDRIVERDETAILSA d{};
            d.cbStruct = ACMDRIVERDETAILS_DOCUMENTED_SIZE;
            if (acmDriverDetailsA(id, &d, 0) == MMSYSERR_NOERROR && std::string(d.szShortName) == "MPEG Layer-3") {
                *reinterpret_cast<HACMDRIVERID*>(instance) = id;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<DWORD_PTR>(&found), 0);
    return found;
}

// Adds the MPEG Layer-3 driver to the codec driver list `times` times, as that many installed MP3 codecs.
inline void ListMp3Codec(int times = 1)
{
    for (int i = 0; i < times; ++i) {
        CodecDriverEntry entry{};
        entry.id = Mp3DriverId();
        std::snprintf(entry.name, sizeof entry.name, "MPEG Layer-3");
        CodecDrivers().push_back(entry);
    }
}

class PageTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        setenv("TAPVOX_AUDIO", "script", 1);
        SettingsFixture::SetUp();
        platform::scripted::ResetWaveScript();
        platform::ClearResources();
        resources::RegisterAll();
        platform::UseManualClock(kWednesdayNoon);
        SetAcmEnabled(true);
        StartOptions = TStartOptions{};
        CodecDrivers().clear();
        ListMp3Codec();
    }
    void TearDown() override
    {
        CodecDrivers().clear();
        SetAcmEnabled(true);
        StartOptions = TStartOptions{};
        hl::Reset();
        platform::ClearResources();
        platform::UseSystemClock();
        SettingsFixture::TearDown();
    }

    // Runs the sheet modally with the script as the user; Execute's result.
    int Run(OWL::TPropertySheet& sheet, std::function<void(HWND sheet)> script)
    {
        hl::AnswerDialog("Options", std::move(script));
        return sheet.Execute();
    }
    static HWND Item(const OWL::TWindow& page, int id) { return GetDlgItem(page.GetHandle(), id); }
    static void Ok(HWND sheet) { hl::Click(GetDlgItem(sheet, IDOK)); }
    static void Cancel(HWND sheet) { hl::Click(GetDlgItem(sheet, IDCANCEL)); }
    // Replaces an edit's (or editable combo's) text as typing would.
    static void Retype(HWND edit, const std::string& text)
    {
        SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        hl::Type(edit, text);
    }
    // The index of the list item whose text begins with prefix, -1 when none.
    static int ItemStarting(HWND combo, const std::string& prefix)
    {
        return static_cast<int>(SendMessage(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix.c_str())));
    }
    static std::string ItemText(HWND combo, int index)
    {
        char text[260] = "";
        SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    static int Selected(HWND combo) { return static_cast<int>(SendMessage(combo, CB_GETCURSEL, 0, 0)); }
    static int Count(HWND combo) { return static_cast<int>(SendMessage(combo, CB_GETCOUNT, 0, 0)); }
};

// The registry store (false) and an INI file (true).
class StoreTest : public PageTest, public ::testing::WithParamInterface<bool> {
protected:
    const char* Store() const { return GetParam() ? ini.c_str() : nullptr; }
};
}
