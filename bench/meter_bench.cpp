// The level meter redrawn as the recorder does for each buffer, against drawing the same LED bars straight into
// a pixel buffer, interleaved in the same run; the meter's cost is also given as the share of one core it takes
// at five redraws a second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "controls/SMeter.h"
#include "owl/Dialog.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowDC.h"
#include "resources/Form.h"
#include "resources/Resources.h"

namespace {
constexpr int kRedrawsPerRound = 500;
constexpr int kTemplate = 9100;
constexpr int kMeter = 116;

using Clock = std::chrono::steady_clock;
double Nanoseconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::nano>(b - a).count(); }

// The level of buffer i: a sound that rises and falls.
int Level(int i) { return (i * 7) % 101; }

struct Panel {
    OWL::TDialog* dialog;
    SMeter* meter;
    HWND gauges[3];
};

Panel MakePanel()
{
    platform::headless::Reset();
    platform::ClearResources();
    resources::RegisterAll();
    auto t = resources::form::Dialog("Meter", 240, 60, WS_POPUP | WS_VISIBLE);
    t.items = {resources::form::Text(kMeter, 6, 6, 200, 16, SS_SUNKEN)};
    platform::AddDialog(MAKEINTRESOURCEA(kTemplate), t);
    Panel p{new OWL::TDialog(nullptr, kTemplate), nullptr, {}};
    p.meter = new SMeter(p.dialog, kMeter);
    p.dialog->Create();
    p.meter->SetRange(0, 100);
    p.meter->SetLed(5, 80);  // as the main window sets it
    for (int i = 0; i < 3; ++i) {
        p.gauges[i] = GetDlgItem(p.dialog->GetHandle(), kMeter + 1 + i);
    }
    platform::headless::RunUntilIdle();
    return p;
}

void MeterRound(Panel& p, bool stereo)
{
    for (int i = 0; i < kRedrawsPerRound; ++i) {
        if (stereo) {
            p.meter->SetStereoValues(Level(i), Level(i + 13));
            UpdateWindow(p.gauges[1]);
            UpdateWindow(p.gauges[2]);
        } else {
            p.meter->SetValue(Level(i));
            UpdateWindow(p.gauges[0]);
        }
    }
}

// The same bars drawn into plain memory: the well cleared, then each lit LED filled.
void BaselineRound(std::vector<std::uint32_t>& pixels, int w, int h, bool stereo)
{
    const int bars = stereo ? 2 : 1;
    const int barWidth = w / bars;
    for (int i = 0; i < kRedrawsPerRound; ++i) {
        for (int b = 0; b < bars; ++b) {
            const int level = Level(i + 13 * b);
            const int left = b * barWidth + 2;
            const int right = (b + 1) * barWidth - 2;
            const int top = 2;
            const int bottom = h - 2;
            for (int y = top; y < bottom; ++y) {
                std::fill(&pixels[static_cast<std::size_t>(y * w + left)], &pixels[static_cast<std::size_t>(y * w + right)], 0xF0F0F0u);
            }
            const int lit = (bottom - top) * level / 100;
            for (int pos = 0; pos < lit; pos += 5) {
                for (int y = bottom - pos - std::min(4, lit - pos); y < bottom - pos; ++y) {
                    std::fill(&pixels[static_cast<std::size_t>(y * w + left)], &pixels[static_cast<std::size_t>(y * w + right)], 0x0078D7u);
                }
            }
        }
    }
    benchmark::DoNotOptimize(pixels.data());
}

void BM_MeterRedraw(benchmark::State& state)
{
    const bool stereo = state.range(0) != 0;
    Panel p = MakePanel();
    RECT rc{};
    GetClientRect(p.gauges[0], &rc);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(rc.right * rc.bottom));
    MeterRound(p, stereo);
    BaselineRound(pixels, rc.right, rc.bottom, stereo);
    double meter = 0;
    double base = 0;
    bool meterFirst = true;
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            const bool runMeter = (pass == 0) == meterFirst;
            const auto t0 = Clock::now();
            if (runMeter) {
                MeterRound(p, stereo);
            } else {
                BaselineRound(pixels, rc.right, rc.bottom, stereo);
            }
            (runMeter ? meter : base) += Nanoseconds(t0, Clock::now());
        }
        meterFirst = !meterFirst;
    }
    const double n = static_cast<double>(state.iterations()) * kRedrawsPerRound;
    state.counters["meter_us"] = meter / n / 1000;
    state.counters["baseline_us"] = base / n / 1000;
    state.counters["ratio"] = meter / base;
    // Five redraws a second, as the recorder's buffers come.
    state.counters["core_percent_at_5Hz"] = meter / n * 5 / 1e9 * 100;
    delete p.dialog;
    platform::headless::Reset();
}
BENCHMARK(BM_MeterRedraw)->Arg(0)->Arg(1)->ArgNames({"stereo"})->Unit(benchmark::kMillisecond);
}

BENCHMARK_MAIN();
