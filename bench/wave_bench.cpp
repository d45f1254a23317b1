// One hour of file-fed input in 200 ms buffers, run as fast as the manual
// clock allows: the wave layer's CPU time per buffer (clock step, fill, message,
// requeue) against a plain fread of the same file in the same buffer size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/CpuTime.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Messages.h"
#include "platform/wave/Wave.h"

namespace {
constexpr DWORD kRate = 22050;
constexpr DWORD kBuffer = kRate * 2 / 5;  // 200 ms of 16-bit mono
constexpr int kBuffers = 3600 * 5;

void Put32(std::FILE* f, std::uint32_t v) { std::fwrite(&v, 4, 1, f); }
void Put16(std::FILE* f, std::uint16_t v) { std::fwrite(&v, 2, 1, f); }

// A one-hour 16-bit mono file of a changing tone.
std::string MakeHourFile()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tapvox-wave-bench-" + std::to_string(getpid()) + ".wav";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const std::uint32_t bytes = kBuffer * kBuffers;
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 16);
    Put16(f, WAVE_FORMAT_PCM);
    Put16(f, 1);
    Put32(f, kRate);
    Put32(f, kRate * 2);
    Put16(f, 2);
    Put16(f, 16);
    std::fwrite("data", 1, 4, f);
    Put32(f, bytes);
    std::vector<std::int16_t> block(kBuffer / 2);
    for (int b = 0; b < kBuffers; ++b) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<std::int16_t>((i * static_cast<std::size_t>(b % 97 + 1) * 37) & 0x7FFF);
        }
        std::fwrite(block.data(), 2, block.size(), f);
    }
    std::fclose(f);
    return path;
}

// Baseline: reads the data in buffer-sized blocks, as a plain program would.
void PlainRead(const std::string& path, std::vector<char>& block)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 44, SEEK_SET);
    std::size_t total = 0;
    for (int i = 0; i < kBuffers; ++i) {
        total += std::fread(block.data(), 1, kBuffer, f);
    }
    std::fclose(f);
    benchmark::DoNotOptimize(total);
}

// The same hour through waveInOpen on the file-fed device, on the manual clock.
bool LayerHour(std::vector<std::vector<char>>& data)
{
    platform::UseManualClock(1'700'000'000);
    platform::ClearMessageQueue();
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
    HWAVEIN in = nullptr;
    if (waveInOpen(&in, WAVE_MAPPER, &f, 1, 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        return false;
    }
    std::vector<WAVEHDR> headers(data.size());
    for (std::size_t i = 0; i < headers.size(); ++i) {
        headers[i] = WAVEHDR{data[i].data(), kBuffer, 0, i, 0, 1, nullptr, 0};
        waveInPrepareHeader(in, &headers[i], sizeof(WAVEHDR));
        waveInAddBuffer(in, &headers[i], sizeof(WAVEHDR));
    }
    waveInStart(in);
    int received = 0;
    MSG m{};
    for (int i = 0; i < kBuffers; ++i) {
        platform::AdvanceClock(200);
        while (PeekMessage(&m, nullptr, MM_WIM_DATA, MM_WIM_DATA, PM_REMOVE)) {
            auto* h = reinterpret_cast<WAVEHDR*>(m.lParam);
            benchmark::DoNotOptimize(h->lpData[0]);
            waveInAddBuffer(in, h, sizeof(WAVEHDR));
            ++received;
        }
    }
    waveInReset(in);
    platform::ClearMessageQueue();
    waveInClose(in);
    platform::UseSystemClock();
    return received == kBuffers;
}
}

static void BM_FileFedInputHour(benchmark::State& state)
{
    const std::string path = MakeHourFile();
    setenv("TAPVOX_AUDIO", ("file:" + path).c_str(), 1);
    std::vector<std::vector<char>> data(5, std::vector<char>(45000));
    std::vector<char> block(kBuffer);
    double layer = 0;
    double plain = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        PlainRead(path, block);
        const double t1 = CpuSeconds();
        if (!LayerHour(data)) {
            state.SkipWithError("the file-fed input did not deliver the hour");
            break;
        }
        const double t2 = CpuSeconds();
        plain += t1 - t0;
        layer += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    std::remove(path.c_str());
    const double runs = static_cast<double>(state.iterations());
    state.counters["layer_us_per_buffer"] = layer / runs / kBuffers * 1e6;
    state.counters["plain_read_us_per_buffer"] = plain / runs / kBuffers * 1e6;
    state.counters["ratio"] = plain > 0 ? layer / plain : 0;
    state.counters["buffers"] = kBuffers;
}
BENCHMARK(BM_FileFedInputHour)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
