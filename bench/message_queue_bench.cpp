// The window layer's message queue against two queues doing the same work in the same run, interleaved: a
// bare std::deque with an indirect call (the least any queue can cost on one thread) and a mutex and
// condition-variable queue; messages posted and dispatched at depth 1 and 16 on one thread, and a device thread
// waking the GUI thread for each message.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/user/Headless.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

namespace {
constexpr int kMessagesPerRound = 200'000;
constexpr int kWakesPerRound = 20'000;
std::uint64_t g_sum = 0;
std::atomic<int> g_consumed{0};

LRESULT CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER) {
        g_sum += wp;
        g_consumed.store(static_cast<int>(wp) + 1, std::memory_order_release);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// What a program without the layer would write: a deque under a mutex, a condition variable to wait on.
class MutexQueue {
public:
    void Post(const MSG& m)
    {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(m);
        }
        ready_.notify_one();
    }
    bool TryGet(MSG& out)
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            return false;
        }
        out = queue_.front();
        queue_.pop_front();
        return true;
    }
    void Get(MSG& out)
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty(); });
        out = queue_.front();
        queue_.pop_front();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<MSG> queue_;
};

HWND BenchWindow()
{
    platform::headless::Reset();
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "BenchWindow";
    RegisterClassA(&wc);
    const HWND hwnd = CreateWindowExA(0, "BenchWindow", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // The running program always has a timer waiting (the engine's, the level meter's): one that never falls due here.
    SetTimer(hwnd, 1, 3'600'000, nullptr);
    return hwnd;
}

using Clock = std::chrono::steady_clock;
double Nanoseconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::nano>(b - a).count(); }

void LayerRound(HWND hwnd, int depth)
{
    for (int i = 0; i < kMessagesPerRound; i += depth) {
        for (int k = 0; k < depth; ++k) {
            PostMessage(hwnd, WM_USER, static_cast<WPARAM>(k), 0);
        }
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessage(&msg);
        }
    }
}

void BaselineRound(MutexQueue& q, HWND hwnd, int depth)
{
    WNDPROC volatile proc = CountingProc;
    for (int i = 0; i < kMessagesPerRound; i += depth) {
        for (int k = 0; k < depth; ++k) {
            q.Post(MSG{hwnd, WM_USER, static_cast<WPARAM>(k), 0, 0, {0, 0}});
        }
        MSG msg;
        while (q.TryGet(msg)) {
            proc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
        }
    }
}

// The same rounds on a plain deque: no lock, no window lookup, only the push, the pop and the call.
void DequeRound(std::deque<MSG>& q, HWND hwnd, int depth)
{
    WNDPROC volatile proc = CountingProc;
    for (int i = 0; i < kMessagesPerRound; i += depth) {
        for (int k = 0; k < depth; ++k) {
            q.push_back(MSG{hwnd, WM_USER, static_cast<WPARAM>(k), 0, 0, {0, 0}});
        }
        while (!q.empty()) {
            const MSG msg = q.front();
            q.pop_front();
            proc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
        }
    }
}

void Report(benchmark::State& state, double layer, double base, int messages)
{
    const double n = static_cast<double>(state.iterations()) * messages;
    state.counters["layer_ns"] = layer / n;
    state.counters["baseline_ns"] = base / n;
    state.counters["ratio"] = layer / base;
}

// Posts `depth` messages, then dispatches until the queue is empty, over and over.
void BM_PostAndDispatch(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    const HWND hwnd = BenchWindow();
    MutexQueue baseline;
    std::deque<MSG> bare;
    LayerRound(hwnd, depth);  // all warm: the queues' buffers keep their capacity, as in a running program
    BaselineRound(baseline, hwnd, depth);
    DequeRound(bare, hwnd, depth);
    double times[3] = {0, 0, 0};  // layer, mutex queue, bare deque
    int first = 0;
    for (auto _ : state) {
        for (int pass = 0; pass < 3; ++pass) {
            const int which = (first + pass) % 3;
            const auto t0 = Clock::now();
            if (which == 0) {
                LayerRound(hwnd, depth);
            } else if (which == 1) {
                BaselineRound(baseline, hwnd, depth);
            } else {
                DequeRound(bare, hwnd, depth);
            }
            times[which] += Nanoseconds(t0, Clock::now());
        }
        first = (first + 1) % 3;
    }
    benchmark::DoNotOptimize(g_sum);
    Report(state, times[0], times[1], kMessagesPerRound);
    const double n = static_cast<double>(state.iterations()) * kMessagesPerRound;
    state.counters["deque_ns"] = times[2] / n;
    state.counters["ratio_to_deque"] = times[0] / times[2];
    platform::headless::Reset();
}
BENCHMARK(BM_PostAndDispatch)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

// A device thread posts one message, the GUI thread (asleep in GetMessage) wakes and handles it, the device
// thread sees it handled and posts the next: each message is a wake.
template <class Post, class Receive>
double WakeRound(Post post, Receive receive)
{
    g_consumed.store(0, std::memory_order_relaxed);
    const auto t0 = Clock::now();
    std::thread device([&post] {
        for (int i = 0; i < kWakesPerRound; ++i) {
            while (g_consumed.load(std::memory_order_acquire) < i) {
                std::this_thread::yield();
            }
            post(i);
        }
    });
    for (int i = 0; i < kWakesPerRound; ++i) {
        receive();
    }
    device.join();
    return Nanoseconds(t0, Clock::now());
}

void BM_CrossThreadWake(benchmark::State& state)
{
    const HWND hwnd = BenchWindow();
    MutexQueue baseline;
    auto layerPost = [hwnd](int i) { PostMessage(hwnd, WM_USER, static_cast<WPARAM>(i), 0); };
    auto layerReceive = [] {
        MSG msg;
        GetMessage(&msg, nullptr, 0, 0);
        DispatchMessage(&msg);
    };
    auto basePost = [&baseline, hwnd](int i) { baseline.Post(MSG{hwnd, WM_USER, static_cast<WPARAM>(i), 0, 0, {0, 0}}); };
    WNDPROC volatile proc = CountingProc;
    auto baseReceive = [&baseline, &proc] {
        MSG msg;
        baseline.Get(msg);
        proc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    };
    double layer = 0;
    double base = 0;
    bool layerFirst = true;
    for (auto _ : state) {
        if (layerFirst) {
            layer += WakeRound(layerPost, layerReceive);
            base += WakeRound(basePost, baseReceive);
        } else {
            base += WakeRound(basePost, baseReceive);
            layer += WakeRound(layerPost, layerReceive);
        }
        layerFirst = !layerFirst;
    }
    benchmark::DoNotOptimize(g_sum);
    Report(state, layer, base, kWakesPerRound);
    platform::headless::Reset();
}
BENCHMARK(BM_CrossThreadWake)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
}

BENCHMARK_MAIN();
