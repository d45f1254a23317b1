#pragma once
// TPositionDialog: "Set Time Position", which moves the open recording's play
// position by the wall-clock time it was recorded at, by segment (the stretch
// from one time marker to the next) or by a slider over the whole length.
#include "controls/ContextHelpWin.h"
#include "files/RecFile.h"
#include "owl/Dialog.h"
#include "owl/Slider.h"
#include "owl/StandardControls.h"

class TPositionDialog : public OWL::TDialog, public ContextHelpWin {
public:
    static constexpr int kTemplate = 1700;
    static constexpr int kDay = 1712;
    static constexpr int kHour = 1714;
    static constexpr int kMinute = 1716;
    static constexpr int kSecond = 1719;
    static constexpr int kSegment = 1720;
    static constexpr int kDayUpDown = 1713;
    static constexpr int kHourUpDown = 1715;
    static constexpr int kMinuteUpDown = 1717;
    static constexpr int kSecondUpDown = 1718;
    static constexpr int kSegmentUpDown = 1721;
    static constexpr int kSlider = 1722;
    static constexpr int kAdjust = 1723;
    static constexpr int kRecorded = 1710;
    static constexpr int kOneSecondLater = 25300;

    // The file stays the caller's; OK positions it.
    TPositionDialog(OWL::TWindow* parent, RecFile* file, int resId = kTemplate, OWL::TModule* module = nullptr);

    void SetupWindow() override;
    void CmOk() override;

    std::int32_t GetChosenPosition() const { return position; }
    __time64_t GetChosenTime() const { return time; }

protected:
    bool DayDelta(NMUPDOWN& n);
    bool HourDelta(NMUPDOWN& n);
    bool MinuteDelta(NMUPDOWN& n);
    bool SecondDelta(NMUPDOWN& n);
    bool SegmentDelta(NMUPDOWN& n);
    void EvHScroll(UINT code, UINT pos, HWND control);
    void TimeTyped();
    void SegmentTyped();
    void Adjust();
    void OneSecondLater();

private:
    // The building blocks every sequence is made of.
    void LoadFromPosition();
    void ShowTimeFields();
    void ShowSegment();
    void ShowRecordedTime(bool fromTime);
    void ShowSlider();
    void ReadTimeEdits();
    void ReadSegmentEdit();
    // An up-down's time change: the new time and what follows from it. Returns
    // the notification's answer (the up-down may move).
    bool StepTo(__time64_t t);
    int ClampedSegment(int n) const;
    int ReadInt(int id) const;

    RecFile* file;
    std::int32_t position;
    std::int32_t segment;
    __time64_t time = 0;
    bool editsLive = true;

    OWL::TEdit* day;
    OWL::TEdit* hour;
    OWL::TEdit* minute;
    OWL::TEdit* second;
    OWL::TEdit* segmentEdit;
    OWL::TUpDown* upDowns[5];
    OWL::THSlider* slider;
    OWL::TStatic* recorded;
    OWL::TButton* adjust;

    DECLARE_RESPONSE_TABLE(TPositionDialog)
};
