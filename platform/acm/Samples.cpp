// 8-bit samples are unsigned around 128 and scaled to and from 16 bits by 256.
#include "platform/acm/Samples.h"

namespace platform::acm {

void AppendSamples(const BYTE* src, std::size_t count, WORD bits, std::vector<std::int16_t>* out)
{
    if (count == 0) {
        return;
    }
    const std::size_t at = out->size();
    out->resize(at + count);
    std::int16_t* dst = out->data() + at;
    if (bits == 16) {
        std::memcpy(dst, src, count * 2);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        dst[i] = static_cast<std::int16_t>((static_cast<int>(src[i]) - 128) * 256);
    }
}

void WriteSamples(const std::int16_t* samples, std::size_t count, WORD bits, Sink& out)
{
    if (bits == 16) {
        out.Write(samples, count * 2);
        return;
    }
    BYTE chunk[4096];
    while (count) {
        const std::size_t n = count < sizeof chunk ? count : sizeof chunk;
        for (std::size_t i = 0; i < n; ++i) {
            chunk[i] = static_cast<BYTE>((samples[i] >> 8) + 128);
        }
        out.Write(chunk, n);
        samples += n;
        count -= n;
    }
}

} // namespace platform::acm
