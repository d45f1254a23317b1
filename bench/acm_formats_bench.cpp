// The MP3 file's codec search: every MPEG Layer-3 standard format fetched by
// index through acmFormatDetailsA, against copying the same formats out of a
// plain vector, interleaved in the same iteration. Reports the cost of one
// lookup through the manager in nanoseconds and the ratio to the plain copy.
#include "platform/acm/Acm.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

DWORD Mp3FormatCount()
{
    ACMFORMATTAGDETAILSA t{};
    t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    t.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    return acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG) == MMSYSERR_NOERROR ? t.cStandardFormats
                                                                                                  : 0;
}

// Fetches format i into buffer; false when the manager refuses.
bool Fetch(DWORD i, std::vector<BYTE>& buffer)
{
    ACMFORMATDETAILSA d{};
    d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    d.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    d.dwFormatIndex = i;
    d.pwfx = reinterpret_cast<LPWAVEFORMATEX>(buffer.data());
    d.cbwfx = static_cast<DWORD>(buffer.size());
    return acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX) == MMSYSERR_NOERROR;
}

void Mp3StandardFormatsByIndex(benchmark::State& state)
{
    const DWORD count = Mp3FormatCount();
    std::vector<BYTE> buffer(2000);
    std::vector<std::vector<BYTE>> plain;
    for (DWORD i = 0; i < count; ++i) {
        if (!Fetch(i, buffer)) {
            state.SkipWithError("the manager refused a listed format");
            return;
        }
        const auto* f = reinterpret_cast<const WAVEFORMATEX*>(buffer.data());
        plain.emplace_back(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(sizeof(WAVEFORMATEX) + f->cbSize));
    }
    if (plain.empty()) {
        state.SkipWithError("no MPEG Layer-3 formats");
        return;
    }
    double manager = 0;
    double copy = 0;
    bool managerFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const auto t0 = Clock::now();
            if (managerFirst == (turn == 0)) {
                for (DWORD i = 0; i < count; ++i) {
                    benchmark::DoNotOptimize(Fetch(i, buffer));
                }
                manager += std::chrono::duration<double>(Clock::now() - t0).count();
            } else {
                for (DWORD i = 0; i < count; ++i) {
                    std::memcpy(buffer.data(), plain[i].data(), plain[i].size());
                    benchmark::DoNotOptimize(buffer.data());
                }
                copy += std::chrono::duration<double>(Clock::now() - t0).count();
            }
        }
        managerFirst = !managerFirst;
    }
    const double lookups = static_cast<double>(state.iterations()) * count;
    state.counters["formats"] = count;
    state.counters["manager_ns"] = manager / lookups * 1e9;
    state.counters["copy_ns"] = copy / lookups * 1e9;
    state.counters["ratio"] = manager / copy;
}

BENCHMARK(Mp3StandardFormatsByIndex)->MinTime(0.5)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
