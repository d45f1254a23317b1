// The file-fed input's WAV reader on arbitrary bytes: opening, reading whole
// frames and seeking must stay inside the data and never crash.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/wave/WavReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::vector<std::uint8_t> copy(data, data + size);
    std::FILE* stream = fmemopen(copy.data(), copy.size(), "rb");
    if (!stream) {
        return 0;
    }
    platform::wave::WavReader reader;
    if (!reader.Open(stream)) {
        return 0;
    }
    const std::uint64_t total = reader.DataBytes();
    if (total > size) {
        __builtin_trap();  // the data cannot be larger than the file
    }
    std::vector<std::uint8_t> buffer(257);
    std::uint64_t read = 0;
    for (std::size_t n; (n = reader.Read(buffer.data(), buffer.size())) > 0;) {
        if (n % reader.Format().nBlockAlign != 0) {
            __builtin_trap();
        }
        read += n;
    }
    if (read != total) {
        __builtin_trap();
    }
    reader.Seek(total / 3);
    reader.Read(buffer.data(), buffer.size());
    return 0;
}
