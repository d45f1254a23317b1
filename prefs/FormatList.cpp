// The compression format list: enumeration of the codecs' formats into the slot table and the list.
#include "prefs/FormatList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/FormatBuffers.h"
#include "app/StartOptions.h"
#include "platform/core/Strings.h"
#include "settings/CodecDrivers.h"

const int Mp3BitRates[] = {8,   16,  24,  32,  40,  48,  56,  64,  80,  96,  112, 128,
                           144, 160, 176, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};

namespace {
constexpr int kNoSlot = FormatList::kSlots;
constexpr const char* kWarning = "WARNING: Current sample rate not supported by codec";
constexpr DWORD kEnumFlags = ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_NSAMPLESPERSEC | ACM_FORMATENUMF_NCHANNELS;

int ManagerStride()
{
    DWORD largest = 0;
    if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR || largest < sizeof(WAVEFORMATEX)) {
        return 2000;  // room for any record the manager could describe
    }
    return static_cast<int>(largest);
}

bool InBitRateTable(DWORD bytesPerSecond)
{
    const DWORD kbps = bytesPerSecond * 8 / 1000;
    for (const int* r = Mp3BitRates; *r; ++r) {
        if (static_cast<DWORD>(*r) == kbps) {
            return true;
        }
    }
    return false;
}

void Notice(HWND page, const char* text) { MessageBoxA(page, text, "Tapvox", MB_OK); }

void ReportEnumResult(HWND page, MMRESULT result)
{
    if (result == MMSYSERR_INVALFLAG) {
        Notice(page, "acmformatenum flag failure\n(updateformats)");
    } else if (result == MMSYSERR_INVALPARAM) {
        Notice(page, "acmformatenum param failure\n(updateformats)");
    }
}
}

std::string MegabytesPerMinute(double bytesPerSecond)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f MB/min", bytesPerSecond * 60.0 / 1048576.0);
    return text;
}

void SplitFormatItem(const std::string& item, char driver[260], char format[260])
{
    const std::string text = item.substr(0, 259);
    const std::size_t gap = text.find("  ");
    if (gap == std::string::npos) {
        platform::CopyBounded(driver, 260, EqualsNoCase(text, "no compression") ? std::string() : text);
        format[0] = '\0';
        return;
    }
    platform::CopyBounded(driver, 260, text.substr(0, gap));
    platform::CopyBounded(format, 260, text.substr(gap + 2));
}

FormatList::FormatList(Kind kind, bool conversionCheck)
    : kind_(kind), conversionCheck_(conversionCheck), stride_(AcmEnabled() ? ManagerStride() : 18),
      slots_(static_cast<std::size_t>(stride_) * kSlots, 0), template_(static_cast<std::size_t>(stride_), 0),
      scratch_(static_cast<std::size_t>(stride_), 0)
{
    reinterpret_cast<WAVEFORMATEX*>(template_.data())->cbSize = static_cast<WORD>(stride_ - 18);
}

WAVEFORMATEX* FormatList::SlotAt(int index)
{
    return reinterpret_cast<WAVEFORMATEX*>(slots_.data() + static_cast<std::size_t>(index) * stride_);
}

const WAVEFORMATEX* FormatList::Slot(LPARAM index) const
{
    if (index < 1 || index >= kSlots) {
        return nullptr;
    }
    const auto* f = reinterpret_cast<const WAVEFORMATEX*>(slots_.data() + static_cast<std::size_t>(index) * stride_);
    return f->wFormatTag != 0 ? f : nullptr;
}

const WAVEFORMATEX* FormatList::Selected(const OWL::TComboBox& list) const
{
    const int sel = list.GetSelIndex();
    return sel < 0 ? nullptr : Slot(list.GetItemData(sel));
}

int FormatList::FreeSlot() const
{
    for (int i = 1; i < kSlots; ++i) {
        if (!Slot(i)) {
            return i;
        }
    }
    return kNoSlot;
}

void FormatList::Store(int slot, const void* record, std::size_t bytes)
{
    WAVEFORMATEX* to = SlotAt(slot);
    std::memset(to, 0, static_cast<std::size_t>(stride_));
    std::memcpy(to, record, std::min(bytes, static_cast<std::size_t>(stride_)));
}

void FormatList::Select(int item, bool showRate)
{
    list_->SetSelIndex(item);
    if (showRate) {
        PostMessage(page_, UM_SHOW_RATE, 0, 0);
    }
}

void FormatList::Clear(OWL::TComboBox& list)
{
    list.ClearList();
    std::fill(slots_.begin(), slots_.end(), 0);
}

void FormatList::Empty(OWL::TComboBox& list)
{
    Clear(list);
    if (kind_ == WaveFormats) {
        list.SetItemData(list.AddString("No compression"), 0);
    }
    list.SetSelIndex(0);
}

void FormatList::Rebuild(HWND page, OWL::TComboBox& list, const WAVEFORMATEX& source)
{
    page_ = page;
    list_ = &list;
    tagSelected_ = false;
    exactSelected_ = false;
    Empty(list);
    source_ = source;
    source_.cbSize = 0;
    std::fill(template_.begin(), template_.end(), 0);
    std::memcpy(template_.data(), &source_, sizeof source_);

    details_ = ACMFORMATDETAILSA{};
    details_.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    details_.dwFormatTag = 0;
    DWORD largest = 0;
    if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR) {
        Notice(page, "acmmetrics fail\n(updateformats)");
    }
    // The manager writes each candidate into the template: never more than it holds.
    details_.cbwfx = std::min<DWORD>(largest ? largest : static_cast<DWORD>(stride_), static_cast<DWORD>(stride_));
    details_.pwfx = reinterpret_cast<WAVEFORMATEX*>(template_.data());

    if (StartOptions.SuggestedFormats) {
        Suggested();
        return;
    }
    if (kind_ == Mp3Formats) {
        list.SetItemData(list.AddString(kWarning), 0);
        list.SetSelIndex(0);
    }
    const MMRESULT anyDriver =
        acmFormatEnumA(nullptr, &details_, FormatEnumCallback, reinterpret_cast<DWORD_PTR>(this), kEnumFlags);
    MMRESULT last = anyDriver;
    for (const CodecDriverEntry& entry : CodecDrivers()) {
        HACMDRIVER driver = nullptr;
        if (acmDriverOpen(&driver, entry.id, 0) != MMSYSERR_NOERROR) {
            continue;
        }
        last = acmFormatEnumA(driver, &details_, FormatEnumCallback, reinterpret_cast<DWORD_PTR>(this), kEnumFlags);
        acmDriverClose(driver, 0);
    }
    ReportEnumResult(page, kind_ == WaveFormats ? anyDriver : last);
}

BOOL FormatList::FormatEnumCallback(HACMDRIVERID driverId, LPACMFORMATDETAILSA details, DWORD_PTR instance, DWORD support)
{
    if (details) {
        reinterpret_cast<FormatList*>(instance)->Take(driverId, *details, support);
    }
    return TRUE;
}

bool FormatList::Qualifies(const ACMFORMATDETAILSA& details, DWORD support) const
{
    if (!details.pwfx || details.cbwfx <= sizeof(WAVEFORMATEX) || details.cbStruct <= 24 ||
        !(support & ACMDRIVERDETAILS_SUPPORTF_CODEC) || strnlen(details.szFormat, sizeof details.szFormat) <= 4) {
        return false;
    }
    // A record larger than a slot, or shorter than its own extra bytes, cannot be kept whole.
    if (details.cbwfx > static_cast<DWORD>(stride_) || WaveFormatSize(*details.pwfx) > details.cbwfx) {
        return false;
    }
    if (kind_ == Mp3Formats) {
        return details.pwfx->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && InBitRateTable(details.pwfx->nAvgBytesPerSec);
    }
    return true;
}

void FormatList::Take(HACMDRIVERID driverId, const ACMFORMATDETAILSA& details, DWORD support)
{
    const int slot = FreeSlot();
    // An item without a slot would stand for no compression: it is not listed.
    if (slot == kNoSlot || !driverId) {
        return;
    }
    ACMDRIVERDETAILSA driver{};
    driver.cbStruct = ACMDRIVERDETAILS_DOCUMENTED_SIZE;
    if (acmDriverDetailsA(driverId, &driver, 0) != MMSYSERR_NOERROR || !Qualifies(details, support)) {
        return;
    }
    std::fill(scratch_.begin(), scratch_.end(), 0);
    std::memcpy(scratch_.data(), details.pwfx, details.cbwfx);
    auto* candidate = reinterpret_cast<WAVEFORMATEX*>(scratch_.data());

    HACMDRIVER opened = nullptr;
    if (acmDriverOpen(&opened, driverId, 0) != MMSYSERR_NOERROR) {
        return;
    }
    ACMFORMATTAGDETAILSA tag{};
    tag.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    tag.dwFormatTag = candidate->wFormatTag;
    const MMRESULT tagResult = acmFormatTagDetailsA(opened, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG);
    acmDriverClose(opened, 0);
    if (tagResult == ACMERR_NOTPOSSIBLE) {
        return;
    }
    if (conversionCheck_ &&
        acmStreamOpen(nullptr, nullptr, &source_, candidate, nullptr, 0, 0, ACM_STREAMOPENF_QUERY) != MMSYSERR_NOERROR) {
        return;
    }
    driver.szShortName[sizeof driver.szShortName - 1] = '\0';
    const std::string text = std::string(driver.szShortName) + "  " +
                             std::string(details.szFormat, strnlen(details.szFormat, sizeof details.szFormat));
    if (kind_ == WaveFormats) {
        if (list_->FindStringExact(text.c_str()) >= 0) {
            return;
        }
    } else if (list_->GetCount() == 1) {
        const int warning = list_->FindString("WARNING: Current");
        if (warning >= 0) {
            list_->DeleteString(warning);
        }
    }
    const int item = list_->AddString(text.c_str());
    list_->SetItemData(item, slot);
    Store(slot, candidate, details.cbwfx);
    const WAVEFORMATEX* kept = SlotAt(slot);

    if (kind_ == WaveFormats) {
        if (RecordFormatBuffer && std::memcmp(kept, RecordFormatBuffer, sizeof(WAVEFORMATEX)) == 0) {
            Select(item, false);
            exactSelected_ = true;
        } else if (!exactSelected_ && !tagSelected_ && kept->wFormatTag == CurrentFormatTag) {
            // A new rate or channel count keeps the chosen compression, at the first format of its tag.
            Select(item, false);
            tagSelected_ = true;
        }
        if (kept->wFormatTag == CurrentFormatTag) {
            PostMessage(page_, UM_SHOW_RATE, 0, 0);
        }
        return;
    }
    const bool stored = Mp3FormatBuffer && WaveFormatSize(*kept) <= FormatBufferBytes() &&
                        std::memcmp(kept, Mp3FormatBuffer, WaveFormatSize(*kept)) == 0;
    if (slot == 1 || stored) {
        Select(item, true);
    }
}

void FormatList::Suggested()
{
    static const WORD kWaveTags[] = {WAVE_FORMAT_ADPCM, WAVE_FORMAT_IMA_ADPCM, 0x22, WAVE_FORMAT_GSM610};
    static const WORD kMp3Tags[] = {WAVE_FORMAT_MPEG};
    const WORD* tags = kind_ == WaveFormats ? kWaveTags : kMp3Tags;
    const int count = kind_ == WaveFormats ? 4 : 1;
    auto* tmpl = reinterpret_cast<WAVEFORMATEX*>(template_.data());
    for (int i = 0; i < count; ++i) {
        ACMFORMATTAGDETAILSA tag{};
        tag.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
        tag.dwFormatTag = tags[i];
        if (acmFormatTagDetailsA(nullptr, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) != MMSYSERR_NOERROR) {
            continue;
        }
        tmpl->wFormatTag = tags[i];
        if (acmFormatSuggest(nullptr, &source_, tmpl, static_cast<DWORD>(stride_),
                             ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS) != MMSYSERR_NOERROR) {
            continue;
        }
        const int slot = FreeSlot();
        if (slot == kNoSlot || WaveFormatSize(*tmpl) > static_cast<std::size_t>(stride_)) {
            continue;
        }
        Store(slot, tmpl, WaveFormatSize(*tmpl));
        tag.szFormatTag[sizeof tag.szFormatTag - 1] = '\0';
        const int item = list_->AddString(tag.szFormatTag);
        list_->SetItemData(item, slot);
        if (kind_ == Mp3Formats || tags[i] == CurrentFormatTag) {
            Select(item, true);
        }
    }
}
