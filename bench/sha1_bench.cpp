// SHA-1 of the same bytes by our code and by OpenSSL, in the same run, in turn:
// through Sha1Update (the path the recorder takes) and through each block step
// this processor has, the cost per byte apart from the fixed cost per call.
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
constexpr std::size_t kShort = 64;  // one block per call; a message of it hashes two
constexpr int kUpdate = -1;         // the argument for Sha1Update's own choice of step

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

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// One message of bytes in pieces of piece bytes.
double OpenSslLong(std::size_t piece, std::size_t bytes)
{
    const auto& audio = Audio();
    const auto t0 = Clock::now();
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
    return Since(t0);
}

double OursLong(int kernel, std::size_t bytes)
{
    const auto& audio = Audio();
    const auto t0 = Clock::now();
    Sha1State s;
    Sha1Init(&s);
    if (kernel == kUpdate) {
        for (std::size_t at = 0; at < bytes; at += kBuffer) {
            Sha1Update(&s, audio.data() + at, std::min(kBuffer, bytes - at));
        }
    } else {
        for (std::size_t at = 0; at + kChunk <= bytes; at += kChunk) {
            Sha1Blocks(static_cast<Sha1Kernel>(kernel), s.h, audio.data() + at, kChunk / 64);
        }
    }
    std::uint8_t digest[20];
    Sha1Final(&s, digest);
    benchmark::DoNotOptimize(digest);
    return Since(t0);
}

// kBytes / kShort calls of kShort bytes: whole short messages for Sha1Update,
// one block per call for a block step (OpenSSL: one update per call).
double OpenSslShort(int kernel)
{
    const auto& audio = Audio();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    const auto t0 = Clock::now();
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    for (std::size_t at = 0; at < kBytes; at += kShort) {
        if (kernel == kUpdate) {
            EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
        }
        EVP_DigestUpdate(ctx, audio.data() + at, kShort);
        if (kernel == kUpdate) {
            EVP_DigestFinal_ex(ctx, digest, &size);
            benchmark::DoNotOptimize(digest);
        }
    }
    EVP_DigestFinal_ex(ctx, digest, &size);
    benchmark::DoNotOptimize(digest);
    const double t = Since(t0);
    EVP_MD_CTX_free(ctx);
    return t;
}

double OursShort(int kernel)
{
    const auto& audio = Audio();
    std::uint8_t digest[20];
    const auto t0 = Clock::now();
    Sha1State s;
    Sha1Init(&s);
    for (std::size_t at = 0; at < kBytes; at += kShort) {
        if (kernel == kUpdate) {
            Sha1Init(&s);
            Sha1Update(&s, audio.data() + at, kShort);
            Sha1Final(&s, digest);
            benchmark::DoNotOptimize(digest);
        } else {
            Sha1Blocks(static_cast<Sha1Kernel>(kernel), s.h, audio.data() + at, 1);
        }
    }
    Sha1Final(&s, digest);
    benchmark::DoNotOptimize(digest);
    return Since(t0);
}

struct Times {
    double longRun = 0;
    double shortRuns = 0;
};

// Argument: kUpdate or a Sha1Kernel. Counters: megabytes a second on long
// runs, and the fixed cost of a call in nanoseconds: the time of a short call
// less the bytes it hashes at the long-run rate.
void BM_Sha1AgainstOpenSsl(benchmark::State& state)
{
    const int kernel = static_cast<int>(state.range(0));
    if (kernel != kUpdate && !Sha1KernelAvailable(static_cast<Sha1Kernel>(kernel))) {
        state.SkipWithError("this processor lacks the instructions");
        return;
    }
    const std::size_t piece = kernel == kUpdate ? kBuffer : kChunk;
    const std::size_t bytes = kernel == kUpdate ? kBytes : kBytes / kChunk * kChunk;
    Times ours, theirs;
    bool oursFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            if (oursFirst == (turn == 0)) {
                ours.longRun += OursLong(kernel, bytes);
                ours.shortRuns += OursShort(kernel);
            } else {
                theirs.longRun += OpenSslLong(piece, bytes);
                theirs.shortRuns += OpenSslShort(kernel);
            }
        }
        oursFirst = !oursFirst;
    }
    const double n = static_cast<double>(state.iterations());
    const double calls = n * static_cast<double>(kBytes / kShort);
    const double hashedPerCall = kernel == kUpdate ? 2 * kShort : kShort;
    const auto perCallNs = [&](const Times& t) {
        const double perByte = t.longRun / (static_cast<double>(bytes) * n);
        return (t.shortRuns / calls - hashedPerCall * perByte) * 1e9;
    };
    state.counters["ours_MBps"] = static_cast<double>(bytes) * n / ours.longRun / 1e6;
    state.counters["openssl_MBps"] = static_cast<double>(bytes) * n / theirs.longRun / 1e6;
    state.counters["byte_ratio"] = ours.longRun / theirs.longRun;
    state.counters["ours_call_ns"] = perCallNs(ours);
    state.counters["openssl_call_ns"] = perCallNs(theirs);
    state.counters["call_ratio"] = perCallNs(ours) / perCallNs(theirs);
}
BENCHMARK(BM_Sha1AgainstOpenSsl)
    ->ArgName("kernel")
    ->Arg(kUpdate)
    ->Arg(static_cast<int>(Sha1Kernel::Scalar))
    ->Arg(static_cast<int>(Sha1Kernel::Ssse3))
    ->Arg(static_cast<int>(Sha1Kernel::Avx2))
    ->Arg(static_cast<int>(Sha1Kernel::ShaNi))
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);
}

BENCHMARK_MAIN();
