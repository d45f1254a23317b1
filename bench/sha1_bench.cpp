// SHA-1 of the same bytes by our block steps and by OpenSSL, in the same run,
// in turn: through Sha1Update in recording-sized buffers (the path the
// recorder takes) and through each block step this processor has.
// OpenSSL takes its fastest code; run with OPENSSL_ia32cap=":~0x20000000" to
// keep it off the SHA instructions too, and with TAPVOX_SHA1_PORTABLE=1 to keep
// Sha1Update off them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <openssl/evp.h>
#include <vector>

#include "files/Sha1.h"

namespace {
constexpr std::size_t kBuffer = 35280;  // 200 ms of 44.1 kHz 16-bit stereo
constexpr std::size_t kChunk = 32768;   // whole blocks, for the block steps
constexpr std::size_t kBytes = 64 * kBuffer;

const std::vector<unsigned char>& Audio()
{
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> v(kBytes);
        unsigned x = 1;
        for (auto& c : v) {
            x = x * 1103515245u + 12345;
            c = static_cast<unsigned char>(x >> 16);
        }
        return v;
    }();
    return bytes;
}

double OpenSsl(std::size_t piece, std::size_t bytes)
{
    const auto& audio = Audio();
    const auto t0 = std::chrono::steady_clock::now();
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    for (std::size_t at = 0; at < bytes; at += piece) {
        EVP_DigestUpdate(ctx, audio.data() + at, std::min(piece, bytes - at));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(ctx, digest, &size);
    EVP_MD_CTX_free(ctx);
    benchmark::DoNotOptimize(digest);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Ours(int kernel)
{
    const auto& audio = Audio();
    const auto t0 = std::chrono::steady_clock::now();
    Sha1State s;
    Sha1Init(&s);
    if (kernel < 0) {
        for (std::size_t at = 0; at < audio.size(); at += kBuffer) {
            Sha1Update(&s, audio.data() + at, std::min(kBuffer, audio.size() - at));
        }
    } else {
        for (std::size_t at = 0; at + kChunk <= audio.size(); at += kChunk) {
            Sha1Blocks(static_cast<Sha1Kernel>(kernel), s.h, audio.data() + at, kChunk / 64);
        }
    }
    std::uint8_t digest[20];
    Sha1Final(&s, digest);
    benchmark::DoNotOptimize(digest);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Argument: -1 Sha1Update with its own choice of block step, else a Sha1Kernel.
void BM_Sha1AgainstOpenSsl(benchmark::State& state)
{
    const int kernel = static_cast<int>(state.range(0));
    if (kernel >= 0 && !Sha1KernelAvailable(static_cast<Sha1Kernel>(kernel))) {
        state.SkipWithError("this processor lacks the instructions");
        return;
    }
    const std::size_t piece = kernel < 0 ? kBuffer : kChunk;
    const std::size_t bytes = kernel < 0 ? kBytes : kBytes / kChunk * kChunk;
    double ours = 0;
    double theirs = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        if (oursFirst) {
            ours += Ours(kernel);
            theirs += OpenSsl(piece, bytes);
        } else {
            theirs += OpenSsl(piece, bytes);
            ours += Ours(kernel);
        }
        oursFirst = !oursFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_MBps"] = static_cast<double>(bytes) * n / ours / 1e6;
    state.counters["openssl_MBps"] = static_cast<double>(bytes) * n / theirs / 1e6;
    state.counters["time_ratio"] = ours / theirs;
}
BENCHMARK(BM_Sha1AgainstOpenSsl)
    ->ArgName("kernel")
    ->Arg(-1)
    ->Arg(static_cast<int>(Sha1Kernel::Scalar))
    ->Arg(static_cast<int>(Sha1Kernel::Ssse3))
    ->Arg(static_cast<int>(Sha1Kernel::Avx2))
    ->Arg(static_cast<int>(Sha1Kernel::ShaNi))
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);
}

BENCHMARK_MAIN();
