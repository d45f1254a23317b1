// Posting and dispatching through the window layer's queue, against a plain
// std::deque push/pop loop with an indirect call per message, in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <deque>
#include <malloc.h>
#include <map>
#include <string>

#include "platform/user/Headless.h"
#include "platform/user/Window.h"

namespace {
constexpr int kMessages = 1'000'000;
std::uint64_t g_sum = 0;

LRESULT CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER) {
        g_sum += wp;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void BM_LayerQueue(benchmark::State& state)
{
    platform::headless::Reset();
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "BenchWindow";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "BenchWindow", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // Two rounds first: the queue's two buffers keep their capacity, as in a running program.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < kMessages; ++i) {
            PostMessage(hwnd, WM_USER, static_cast<WPARAM>(i), 0);
        }
        platform::headless::RunUntilIdle();
    }
    for (auto _ : state) {
        for (int i = 0; i < kMessages; ++i) {
            PostMessage(hwnd, WM_USER, static_cast<WPARAM>(i), 0);
        }
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessage(&msg);
        }
    }
    benchmark::DoNotOptimize(g_sum);
    platform::headless::Reset();
}
BENCHMARK(BM_LayerQueue)->Unit(benchmark::kMillisecond);

void BM_DequeBaseline(benchmark::State& state)
{
    WNDPROC volatile proc = CountingProc;
    HWND hwnd = reinterpret_cast<HWND>(1);
    std::deque<MSG> q;
    for (auto _ : state) {
        for (int i = 0; i < kMessages; ++i) {
            q.push_back(MSG{hwnd, WM_USER, static_cast<WPARAM>(i), 0, 0, {0, 0}});
        }
        while (!q.empty()) {
            MSG m = q.front();
            q.pop_front();
            proc(m.hwnd, m.message, m.wParam, m.lParam);
        }
    }
    benchmark::DoNotOptimize(g_sum);
}
BENCHMARK(BM_DequeBaseline)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration) {
                perIteration_[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto layer = perIteration_.find("BM_LayerQueue");
        const auto base = perIteration_.find("BM_DequeBaseline");
        if (layer != perIteration_.end() && base != perIteration_.end() && base->second > 0) {
            std::printf("ratio layer queue / deque baseline: %.2fx (%d messages)\n", layer->second / base->second, kMessages);
        }
    }

private:
    std::map<std::string, double> perIteration_;
};
}

int main(int argc, char** argv)
{
    // Keep freed memory in the process: both loops then run on warm pages instead of
    // measuring the kernel's page faults.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
