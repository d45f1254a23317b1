// The compression-manager switch and the MPEG Layer-3 codec driver list.
#include "settings/CodecDrivers.h"

#include "platform/core/Strings.h"

namespace {
bool g_acmEnabled = true;

BOOL CollectMp3Driver(HACMDRIVERID id, DWORD_PTR instance, DWORD)
{
    auto* added = reinterpret_cast<int*>(instance);
    ACMDRIVERDETAILSA details{};
    details.cbStruct = ACMDRIVERDETAILS_DOCUMENTED_SIZE;
    if (acmDriverDetailsA(id, &details, 0) != MMSYSERR_NOERROR) {
        return FALSE;
    }
    HACMDRIVER driver = nullptr;
    if (acmDriverOpen(&driver, id, 0) != MMSYSERR_NOERROR) {
        return FALSE;
    }
    ACMFORMATTAGDETAILSA tag{};
    tag.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    tag.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    if (acmFormatTagDetailsA(driver, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) == MMSYSERR_NOERROR) {
        CodecDriverEntry entry{};
        entry.id = id;
        platform::CopyBounded(entry.name, sizeof entry.name, tag.szFormatTag);
        CodecDrivers().push_back(entry);
        ++*added;
    }
    acmDriverClose(driver, 0);
    return TRUE;
}
}

bool AcmEnabled() { return g_acmEnabled; }
void SetAcmEnabled(bool enabled) { g_acmEnabled = enabled; }

std::vector<CodecDriverEntry>& CodecDrivers()
{
    static std::vector<CodecDriverEntry> list;
    return list;
}

int EnumMp3Codecs()
{
    // The list is made once per process: later main windows find it filled.
    static bool searched = false;
    int added = 0;
    if (AcmEnabled() && !searched) {
        searched = true;
        acmDriverEnum(CollectMp3Driver, reinterpret_cast<DWORD_PTR>(&added), 0);
    }
    return added;
}

const CodecDriverEntry* FindCodecDriver(const char* name)
{
    if (!name || !*name) {
        return nullptr;
    }
    for (const CodecDriverEntry& e : CodecDrivers()) {
        if (lstrcmpiA(e.name, name) == 0) {
            return &e;
        }
    }
    return nullptr;
}
