// The progress window: a cancel reaches the copy loop and stays set; a new percentage repaints at once.
#include <gtest/gtest.h>

#include "controls/Progress.h"
#include "owl/Application.h"
#include "platform/user/WindowDC.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "resources/Resources.h"

namespace {
class Progress : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::ClearResources();
        resources::RegisterAll();
        owner = new OWL::TWindow(nullptr, "owner");
        ASSERT_TRUE(owner->Create());
    }
    void TearDown() override
    {
        delete owner;
        platform::headless::Reset();
        platform::ClearResources();
    }
    OWL::TWindow* owner = nullptr;
};
}

TEST_F(Progress, CopyLoopSeesTheCancelAndTheFlagStays)
{
    auto* progress = new TProgress(owner, "Copying");
    ASSERT_TRUE(progress->Create());
    HWND dlg = progress->GetHandle();
    EXPECT_EQ(platform::headless::Text(dlg), "Copying");
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    EXPECT_EQ(GetCapture(), cancel);
    EXPECT_EQ(progress->GetGauge()->GetValue(), 0);

    int steps = 0;
    for (int percent = 0; percent <= 100 && !progress->IsCancelled(); percent += 10, ++steps) {
        progress->SetPercent(percent);
        if (percent == 30) {
            // The user clicks Cancel while the copy runs.
            RECT rc{};
            GetWindowRect(cancel, &rc);
            POINT at{rc.left + 2, rc.top + 2};
            ScreenToClient(dlg, &at);
            platform::headless::ClickAt(dlg, at);
        }
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessage(&msg);
        }
    }
    EXPECT_EQ(steps, 4);
    EXPECT_TRUE(progress->IsCancelled());
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(progress->IsCancelled());
    delete progress;
}

TEST_F(Progress, SetPercentRepaintsTheGaugeAtOnceEvenForTheSameValue)
{
    TProgress* progress = new TProgress(owner, nullptr);
    ASSERT_TRUE(progress->Create());
    EXPECT_EQ(platform::headless::Text(progress->GetHandle()), "") << "a null title keeps the template's caption";
    HWND gauge = progress->GetGauge()->GetHandle();
    ASSERT_EQ(gauge, GetDlgItem(progress->GetHandle(), TProgress::kGauge));
    platform::headless::RunUntilIdle();
    const unsigned before = platform::headless::PaintCount(gauge);
    progress->SetPercent(42);
    EXPECT_EQ(platform::headless::PaintCount(gauge), before + 1);
    EXPECT_EQ(platform::WindowDrawnText(gauge), "42%");
    progress->SetPercent(42);
    EXPECT_EQ(platform::headless::PaintCount(gauge), before + 2);
    progress->SetText("file.wav");
    EXPECT_EQ(platform::headless::Text(GetDlgItem(progress->GetHandle(), TProgress::kText)), "file.wav");
    delete progress;
}
