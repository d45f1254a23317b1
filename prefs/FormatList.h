#pragma once
// The compression format list of the Wave and MP3 pages: the formats the
// installed codecs make from the page's PCM source, each item's record kept in
// a table of 50 slots whose index is the item's data (0: no format).
#include <string>
#include <vector>

#include "owl/StandardControls.h"
#include "platform/acm/Acm.h"

// Posted by a format page to itself.
constexpr UINT UM_SHOW_RATE = WM_USER + 124;
constexpr UINT UM_UPDATE_FORMATS = WM_USER + 126;

// kbit/s of the MPEG Layer-3 formats the MP3 page lists, ended by 0.
extern const int Mp3BitRates[];

// "%.3f MB/min" for a byte rate.
std::string MegabytesPerMinute(double bytesPerSecond);
// An item's text (at most 259 characters) split at its first two blanks into the
// driver's short name and the format text; without them the whole text names the
// driver ("no compression", in any case, names none) and the format text is empty.
void SplitFormatItem(const std::string& item, char driver[260], char format[260]);

class FormatList {
public:
    enum Kind { WaveFormats, Mp3Formats };
    static constexpr int kSlots = 50;

    FormatList(Kind kind, bool conversionCheck);
    FormatList(const FormatList&) = delete;
    FormatList& operator=(const FormatList&) = delete;

    // The bytes of one slot: the manager's largest format, 18 while it is off.
    int Stride() const { return stride_; }
    // The record of slot index 1..49, or null when the index names no kept format.
    const WAVEFORMATEX* Slot(LPARAM index) const;
    // The record of the list's selected item, or null ("No compression", the warning item, none).
    const WAVEFORMATEX* Selected(const OWL::TComboBox& list) const;
    // The PCM source of the last rebuild.
    const WAVEFORMATEX& Source() const { return source_; }

    // Lists what the codecs make from source; the page's window receives UM_SHOW_RATE.
    void Rebuild(HWND page, OWL::TComboBox& list, const WAVEFORMATEX& source);
    // Empties the list and every slot.
    void Clear(OWL::TComboBox& list);
    // As Clear, then the Wave list's "No compression" item, selected.
    void Empty(OWL::TComboBox& list);

    // Wave list: the format tag kept selected across rebuilds.
    WORD CurrentFormatTag = 0;

    // The acmFormatEnumA callback of Rebuild, instance = the list; TRUE always, so
    // a format it cannot take never ends the walk over the others.
    static BOOL FormatEnumCallback(HACMDRIVERID driverId, LPACMFORMATDETAILSA details, DWORD_PTR instance, DWORD support);

private:
    void Take(HACMDRIVERID driverId, const ACMFORMATDETAILSA& details, DWORD support);
    void Suggested();
    int FreeSlot() const;
    WAVEFORMATEX* SlotAt(int index);
    void Store(int slot, const void* record, std::size_t bytes);
    void Select(int item, bool showRate);
    bool Qualifies(const ACMFORMATDETAILSA& details, DWORD support) const;

    Kind kind_;
    bool conversionCheck_;
    int stride_;
    std::vector<unsigned char> slots_;
    std::vector<unsigned char> template_;
    std::vector<unsigned char> scratch_;
    ACMFORMATDETAILSA details_{};
    WAVEFORMATEX source_{};
    HWND page_ = nullptr;
    OWL::TComboBox* list_ = nullptr;
    bool exactSelected_ = false;  // the stored record itself was listed
    bool tagSelected_ = false;    // a format of CurrentFormatTag stands in for it
};
