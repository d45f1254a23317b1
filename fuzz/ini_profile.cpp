// INI files of arbitrary bytes through the private-profile functions: reads
// never crash or overrun, and an edit keeps what it wrote readable.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "platform/profile/Profile.h"
#include "platform/profile/ProfileText.h"

namespace {
const std::string& IniPath()
{
    static const std::string path = ScratchFolder() + "/fuzz.ini";
    return path;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using platform::profile::IniText;
    const std::string text(reinterpret_cast<const char*>(data), size);

    FILE* f = std::fopen(IniPath().c_str(), "wb");
    if (!f) {
        return 0;
    }
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);

    // Through the file functions (a few keys: each call reads the file) ...
    char small[8];
    char big[4001];
    unsigned char blob[18];
    for (const char* section : {"Setup", "Wave"}) {
        for (const char* key : {"Sound Level", "WaveFormat", "X"}) {
            GetPrivateProfileIntA(section, key, 128, IniPath().c_str());
            const DWORD n = GetPrivateProfileStringA(section, key, "def", small, sizeof small, IniPath().c_str());
            if (n >= sizeof small || std::strlen(small) != n) {
                std::abort();
            }
            GetPrivateProfileStringA(section, key, "", big, sizeof big, IniPath().c_str());
            GetPrivateProfileStructA(section, key, blob, sizeof blob, IniPath().c_str());
        }
    }
    // ... and many more through the parsed text.
    {
        const IniText parsed(text);
        for (const char* section : {"Setup", "Wave", "File", "Timer", "", "[x]"}) {
            for (const char* key : {"Sound Level", "WaveFormat", "FileSize", "TimeStart", "X", "", "a=b"}) {
                if (const auto value = parsed.Get(section, key)) {
                    platform::profile::ParseProfileInt(*value);
                }
            }
        }
    }

    IniText ini(text);
    ini.Set("Setup", "Sound Level", "42");
    ini.Set("New Section", "Key", "value");
    const IniText again(ini.Text());
    if (again.Get("setup", "sound level") != std::optional<std::string>("42") ||
        again.Get("New Section", "KEY") != std::optional<std::string>("value")) {
        std::abort();
    }
    ini.RemoveSection("Setup");
    IniText(ini.Text()).Get("Setup", "Sound Level");
    std::remove(IniPath().c_str());
    return 0;
}
