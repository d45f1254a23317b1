// TPositionDialog: stepping and typing the time and the segment, the slider and Adjust.
#include "controls/PositionDialog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/HelpMaps.h"
#include "platform/kernel/LocalTime.h"
#include "platform/kernel/MulDiv.h"

namespace {
constexpr __time64_t kDaySeconds = 86400;

// The run time's text of a time, empty when the time has none.
std::string TimeText(__time64_t t)
{
    const char* text = _ctime64(&t);
    return text ? text : "";
}
}

DEFINE_RESPONSE_TABLE2(TPositionDialog, OWL::TDialog, ContextHelpWin)
EV_COMMAND(IDOK, CmOk),
EV_UDN_DELTAPOS(TPositionDialog::kDayUpDown, DayDelta),
EV_UDN_DELTAPOS(TPositionDialog::kHourUpDown, HourDelta),
EV_UDN_DELTAPOS(TPositionDialog::kMinuteUpDown, MinuteDelta),
EV_UDN_DELTAPOS(TPositionDialog::kSecondUpDown, SecondDelta),
EV_UDN_DELTAPOS(TPositionDialog::kSegmentUpDown, SegmentDelta),
EV_WM_HSCROLL,
EV_EN_CHANGE(TPositionDialog::kDay, TimeTyped),
EV_EN_CHANGE(TPositionDialog::kHour, TimeTyped),
EV_EN_CHANGE(TPositionDialog::kMinute, TimeTyped),
EV_EN_CHANGE(TPositionDialog::kSecond, TimeTyped),
EV_EN_CHANGE(TPositionDialog::kSegment, SegmentTyped),
EV_COMMAND(TPositionDialog::kAdjust, Adjust),
EV_COMMAND(TPositionDialog::kOneSecondLater, OneSecondLater),
END_RESPONSE_TABLE

TPositionDialog::TPositionDialog(OWL::TWindow* parent, RecFile* file_, int resId, OWL::TModule* module)
    : OWL::TDialog(parent, resId, module), ContextHelpWin(parent, PositionDialogHelpMap, PositionDialogHelpContext),
      file(file_), position(static_cast<std::int32_t>(file_->GetPosition())),
      segment(file_->FindMarker(static_cast<DWORD>(-1)))
{
    day = new OWL::TEdit(this, kDay);
    hour = new OWL::TEdit(this, kHour);
    minute = new OWL::TEdit(this, kMinute);
    second = new OWL::TEdit(this, kSecond);
    segmentEdit = new OWL::TEdit(this, kSegment);
    const int upDownIds[5] = {kDayUpDown, kHourUpDown, kMinuteUpDown, kSecondUpDown, kSegmentUpDown};
    for (int i = 0; i < 5; ++i) {
        upDowns[i] = new OWL::TUpDown(this, upDownIds[i]);
    }
    slider = new OWL::THSlider(this, kSlider, 0, 0, 0, 0);
    recorded = new OWL::TStatic(this, kRecorded);
    adjust = new OWL::TButton(this, kAdjust);
}

void TPositionDialog::SetupWindow()
{
    OWL::TDialog::SetupWindow();
    for (OWL::TUpDown* u : upDowns) {
        u->SendMessage(UDM_SETRANGE, 0, MAKELPARAM(1000, 0));
    }
    slider->SetRange(0, 1000);
    slider->SetPosition(0);
    position = static_cast<std::int32_t>(file->GetPosition());
    LoadFromPosition();
    ShowTimeFields();
    ShowSegment();
    ShowSlider();
    ShowRecordedTime(false);
}

int TPositionDialog::ClampedSegment(int n) const
{
    const int count = file->GetMarkerCount();
    // Upper bound first: with no markers the segment ends at 0.
    if (n > count - 1) {
        n = count - 1;
    }
    return n < 0 ? 0 : n;
}

int TPositionDialog::ReadInt(int id) const
{
    char text[31] = "";
    GetDlgItemText(id, text, sizeof text);
    return std::atoi(text);
}

void TPositionDialog::LoadFromPosition()
{
    time = file->TimeAtPosition(static_cast<DWORD>(position));
    segment = ClampedSegment(file->FindMarker(static_cast<DWORD>(position)));
}

void TPositionDialog::ShowTimeFields()
{
    const std::tm* local = _localtime64(&time);
    char text[16] = "";
    if (local) {
        std::snprintf(text, sizeof text, "%2.2d", local->tm_hour);
    }
    hour->SetText(text);
    if (local) {
        std::snprintf(text, sizeof text, "%2.2d", local->tm_min);
    }
    minute->SetText(text);
    if (local) {
        std::snprintf(text, sizeof text, "%2.2d", local->tm_sec);
    }
    second->SetText(text);
    // Weekday, month, day of the month and a blank.
    day->SetText(TimeText(time).substr(0, 11).c_str());
}

void TPositionDialog::ShowSegment()
{
    char text[48];
    std::snprintf(text, sizeof text, "%d of %d", segment + 1, file->GetMarkerCount());
    segmentEdit->SetText(text);
}

void TPositionDialog::ShowRecordedTime(bool fromTime)
{
    if (fromTime) {
        position = static_cast<std::int32_t>(file->PositionAtTime(time));
    }
    segment = file->FindMarker(static_cast<DWORD>(position));
    const __time64_t at = file->TimeAtPosition(static_cast<DWORD>(position));
    if (!fromTime) {
        time = at;
    }
    if (at == time) {
        recorded->SetText(TimeText(at).c_str());
        adjust->ShowWindow(SW_HIDE);
    } else {
        recorded->SetText(("Most recent recorded time: " + TimeText(at)).c_str());
        adjust->ShowWindow(SW_SHOWNORMAL);
    }
}

void TPositionDialog::ShowSlider()
{
    const DWORD length = file->GetLength();
    slider->SetPosition(MulDiv(position / 2, 1000, static_cast<int>(length / 2)));
}

void TPositionDialog::ReadTimeEdits()
{
    const int s = ReadInt(kSecond);
    const int m = ReadInt(kMinute);
    const int h = ReadInt(kHour);
    const std::tm* local = _localtime64(&time);
    if (!local) {
        return;
    }
    std::tm typed = *local;
    typed.tm_sec = s;
    typed.tm_min = m;
    typed.tm_hour = h;
    // The typed clock time decides whether daylight saving applies, not the old one.
    typed.tm_isdst = -1;
    const __time64_t t = _mktime64(&typed);
    if (t != -1) {
        time = t;
    }
}

void TPositionDialog::ReadSegmentEdit()
{
    int n = 0;
    char text[48] = "";
    GetDlgItemText(kSegment, text, sizeof text);
    if (std::sscanf(text, "%d", &n) != 1) {
        n = 0;
    }
    segment = ClampedSegment(n - 1);
    // Without markers there is no segment to go to: the position stays.
    if (file->GetMarkerCount() > 0) {
        position = static_cast<std::int32_t>(file->MarkerPosition(segment));
    }
    time = file->TimeAtPosition(static_cast<DWORD>(position));
}

bool TPositionDialog::StepTo(__time64_t t)
{
    editsLive = false;
    time = t;
    ShowTimeFields();
    ShowRecordedTime(true);
    ShowSlider();
    ShowSegment();
    editsLive = true;
    return false;
}

bool TPositionDialog::DayDelta(NMUPDOWN& n)
{
    // Through the calendar, so a day across a daylight-saving change keeps the clock time.
    if (const std::tm* local = _localtime64(&time)) {
        std::tm stepped = *local;
        stepped.tm_mday += n.iDelta;
        stepped.tm_isdst = -1;
        const __time64_t t = _mktime64(&stepped);
        if (t != -1) {
            return StepTo(t);
        }
    }
    return StepTo(time + static_cast<__time64_t>(n.iDelta) * kDaySeconds);
}

bool TPositionDialog::HourDelta(NMUPDOWN& n) { return StepTo(time + static_cast<__time64_t>(n.iDelta) * 3600); }
bool TPositionDialog::MinuteDelta(NMUPDOWN& n) { return StepTo(time + static_cast<__time64_t>(n.iDelta) * 60); }
bool TPositionDialog::SecondDelta(NMUPDOWN& n) { return StepTo(time + n.iDelta); }

bool TPositionDialog::SegmentDelta(NMUPDOWN& n)
{
    editsLive = false;
    segment = ClampedSegment(segment + n.iDelta);
    ShowSegment();
    ReadSegmentEdit();
    ShowTimeFields();
    ShowRecordedTime(false);
    ShowSlider();
    editsLive = true;
    return false;
}

void TPositionDialog::TimeTyped()
{
    const HWND focus = GetFocus();
    if (!editsLive || (focus != day->GetHandle() && focus != hour->GetHandle() && focus != minute->GetHandle() &&
                       focus != second->GetHandle())) {
        return;
    }
    ReadTimeEdits();
    ShowRecordedTime(true);
    ShowSlider();
    ShowSegment();
}

void TPositionDialog::SegmentTyped()
{
    if (!editsLive || GetFocus() != segmentEdit->GetHandle()) {
        return;
    }
    ReadSegmentEdit();
    ShowTimeFields();
    // Without markers no recorded time leads anywhere: the position stays where it is.
    ShowRecordedTime(file->GetMarkerCount() > 0);
    ShowSlider();
}

void TPositionDialog::EvHScroll(UINT, UINT, HWND)
{
    DefaultProcessing();
    const DWORD length = file->GetLength();
    position = MulDiv(static_cast<int>(length / 2), slider->GetPosition(), 500);
    LoadFromPosition();
    ShowTimeFields();
    ShowSegment();
    ShowRecordedTime(false);
}

void TPositionDialog::Adjust()
{
    position = static_cast<std::int32_t>(file->PositionAtTime(time));
    time = file->TimeAtPosition(static_cast<DWORD>(position));
    file->position(static_cast<DWORD>(position));
    ShowTimeFields();
    ShowSegment();
    ShowRecordedTime(true);
    ShowSlider();
}

void TPositionDialog::OneSecondLater() { time += 1; }

void TPositionDialog::CmOk()
{
    file->position(static_cast<DWORD>(position));
    OWL::TDialog::CmOk();
}
