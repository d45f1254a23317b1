// WAV images built byte by byte, apart from the code under test, and repeatable byte patterns.
#include "tests/platform/wave/WaveTestSupport.h"

namespace wavetest {
namespace {
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i) {
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    }
}
void Put16(std::vector<std::uint8_t>& v, std::uint16_t x)
{
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void PutId(std::vector<std::uint8_t>& v, const char* id)
{
    for (int i = 0; i < 4; ++i) {
        v.push_back(static_cast<std::uint8_t>(id[i]));
    }
}
}

std::vector<std::uint8_t> WavBytes(const WAVEFORMATEX& f, const std::vector<std::uint8_t>& samples)
{
    std::vector<std::uint8_t> v;
    PutId(v, "RIFF");
    Put32(v, static_cast<std::uint32_t>(36 + samples.size() + (samples.size() & 1)));
    PutId(v, "WAVE");
    PutId(v, "fmt ");
    Put32(v, 16);
    Put16(v, f.wFormatTag);
    Put16(v, f.nChannels);
    Put32(v, f.nSamplesPerSec);
    Put32(v, f.nAvgBytesPerSec);
    Put16(v, f.nBlockAlign);
    Put16(v, f.wBitsPerSample);
    PutId(v, "data");
    Put32(v, static_cast<std::uint32_t>(samples.size()));
    for (const std::uint8_t b : samples) {
        v.push_back(b);
    }
    if (samples.size() & 1) {
        v.push_back(0);
    }
    return v;
}

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed)
{
    std::vector<std::uint8_t> v(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return v;
}
}
