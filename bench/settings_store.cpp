// Load-all and save-all through both stores, against one atomic rewrite of a
// file of the same size (the least a crash-safe save can cost).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/FormatBuffers.h"
#include "platform/kernel/AtomicFile.h"
#include "settings/Settings.h"

namespace {
struct World {
    World()
    {
        char pattern[] = "/tmp/tapvox-bench-XXXXXX";
        folder = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (folder + "/data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (folder + "/cache").c_str(), 1);
        AllocateFormatBuffers();
        LoadAllSettings(nullptr);
        ini = folder + "/settings.ini";
        SaveAllSettings(ini.c_str());
    }
    ~World()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
    std::string ini;
};

World& Shared()
{
    static World world;
    return world;
}

void BM_AtomicRewriteBaseline(benchmark::State& state)
{
    const std::string text(std::filesystem::file_size(Shared().ini), 'x');
    const std::string path = Shared().folder + "/baseline.txt";
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::WriteFileAtomically(path, text));
    }
}

// Arg 0: nothing changed since the last save (every close); 1: one value changed.
void BM_SaveAllRegistry(benchmark::State& state)
{
    Shared();
    for (auto _ : state) {
        SoundLevel = state.range(0) ? (SoundLevel + 1) % 100 : SoundLevel;
        SaveAllSettings(nullptr);
    }
}

void BM_SaveAllIni(benchmark::State& state)
{
    const std::string ini = Shared().ini;
    for (auto _ : state) {
        SoundLevel = state.range(0) ? (SoundLevel + 1) % 100 : SoundLevel;
        SaveAllSettings(ini.c_str());
    }
}

void BM_LoadAllRegistry(benchmark::State& state)
{
    Shared();
    for (auto _ : state) {
        LoadAllSettings(nullptr);
    }
}

void BM_LoadAllIni(benchmark::State& state)
{
    const std::string ini = Shared().ini;
    for (auto _ : state) {
        LoadAllSettings(ini.c_str());
    }
}
}

BENCHMARK(BM_AtomicRewriteBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveAllRegistry)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveAllIni)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadAllRegistry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadAllIni)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
