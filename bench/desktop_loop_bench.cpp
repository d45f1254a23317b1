// The program's loop on the desktop backend against the headless one, interleaved in the same run:
// the CPU an idle program with its window shown uses, and the added latency of a posted message.
// Needs a display: run it under xvfb-run -a (it reports nothing without one).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "bench/CpuTime.h"
#include "platform/display/Display.h"
#include "platform/user/Backend.h"
#include "platform/user/Controls.h"
#include "platform/user/Headless.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr UINT kPing = WM_USER + 7;

std::atomic<std::int64_t> g_sentAt{0};
std::vector<double> g_latencies;

LRESULT BenchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kPing) {
        const auto now = Clock::now().time_since_epoch().count();
        g_latencies.push_back(static_cast<double>(now - g_sentAt.load()) / 1e3);  // microseconds
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND ShowFrame()
{
    static bool registered = false;
    if (!registered) {
        registered = true;
        WNDCLASSA wc{};
        wc.lpfnWndProc = BenchProc;
        wc.lpszClassName = "BenchFrame";
        RegisterClassA(&wc);
    }
    HWND frame = CreateWindowExA(0, "BenchFrame", "Bench", WS_OVERLAPPEDWINDOW, 40, 40, 380, 250, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, WC_BUTTON, "Record", WS_CHILD | WS_VISIBLE, 10, 10, 60, 30, frame, nullptr, nullptr, nullptr);
    CreateWindowExA(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE, 10, 50, 120, 22, frame, nullptr, nullptr, nullptr);
    CreateWindowExA(0, PROGRESS_CLASS, "", WS_CHILD | WS_VISIBLE, 10, 80, 200, 16, frame, nullptr, nullptr, nullptr);
    ShowWindow(frame, SW_SHOW);
    // The schedule poll of the recorder: one timer a second, as an idle program has.
    SetTimer(frame, 42, 1000, nullptr);
    return frame;
}

// Runs the program's loop for a while of wall time.
void RunLoopFor(std::chrono::milliseconds span, HWND frame)
{
    const auto end = Clock::now() + span;
    SetTimer(frame, 99, static_cast<UINT>(span.count()), nullptr);
    MSG msg;
    while (Clock::now() < end && GetMessage(&msg, nullptr, 0, 0)) {
        platform::ProcessMessage(&msg);
    }
    KillTimer(frame, 99);
}

struct Round {
    double cpuFraction;
    double medianLatencyUs;
};

Round Measure(platform::Backend* backend)
{
    platform::headless::Reset();
    platform::Backend* previous = platform::InstallBackend(backend);
    HWND frame = ShowFrame();
    RunLoopFor(std::chrono::milliseconds(300), frame);  // shown and settled
    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    RunLoopFor(std::chrono::milliseconds(1500), frame);
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double cpuFraction = (CpuSeconds() - cpu0) / wall;

    g_latencies.clear();
    std::thread poster([frame] {
        for (int i = 0; i < 200; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the loop is waiting again
            g_sentAt = Clock::now().time_since_epoch().count();
            PostMessage(frame, kPing, 0, 0);
        }
    });
    RunLoopFor(std::chrono::milliseconds(900), frame);
    poster.join();
    RunLoopFor(std::chrono::milliseconds(20), frame);
    std::vector<double> l = g_latencies;
    std::sort(l.begin(), l.end());
    platform::headless::Reset();
    platform::InstallBackend(previous);
    return Round{cpuFraction, l.empty() ? 0.0 : l[l.size() / 2]};
}

void BM_IdleAndPostedLatency(benchmark::State& state)
{
    static char name[] = "bench_desktop_loop";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    if (!platform::display::Start(argc, argv)) {
        state.SkipWithError("no display: run under xvfb-run -a");
        return;
    }
    platform::Backend* desktop = &platform::CurrentBackend();
    platform::Backend* headless = nullptr;  // null installs the headless backend
    double desktopCpu = 0;
    double headlessCpu = 0;
    double desktopLatency = 0;
    double headlessLatency = 0;
    int rounds = 0;
    for (auto _ : state) {
        const Round d = Measure(desktop);
        const Round h = Measure(headless);
        desktopCpu += d.cpuFraction;
        headlessCpu += h.cpuFraction;
        desktopLatency += d.medianLatencyUs;
        headlessLatency += h.medianLatencyUs;
        ++rounds;
    }
    platform::InstallBackend(desktop);
    state.counters["desktop_idle_cpu_percent"] = 100 * desktopCpu / rounds;
    state.counters["headless_idle_cpu_percent"] = 100 * headlessCpu / rounds;
    state.counters["desktop_median_latency_us"] = desktopLatency / rounds;
    state.counters["headless_median_latency_us"] = headlessLatency / rounds;
    state.counters["latency_ratio"] = headlessLatency > 0 ? desktopLatency / headlessLatency : 0;
}
BENCHMARK(BM_IdleAndPostedLatency)->Iterations(3)->Unit(benchmark::kSecond);
}

BENCHMARK_MAIN();
