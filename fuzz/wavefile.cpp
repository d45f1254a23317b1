// A WAV recording opened from arbitrary bytes: read-only it reads, seeks and
// looks up its items without crashing or hanging; a refused read-write open
// leaves the file exactly as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/WaveFile.h"
#include "fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = ScratchFolder() + "/in.wav";
    const std::string journal = ScratchFolder() + "/in.~av";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READ);
        if (r.open()) {
            std::vector<char> buf(4096);
            r.position(r.GetDataSize() / 2);
            r.Read(buf.data(), static_cast<LONG>(buf.size()));
            r.position(0);
            for (int i = 0; i < 8 && r.Read(buf.data(), static_cast<LONG>(buf.size())) > 0; ++i) {
            }
            delete[] r.GetInfo("comment");
            delete[] r.GetInfo("fennwicke timecode");
            r.VerifySignature();
            r.TimeAtPosition(r.GetDataSize());
            r.PositionAtTime(1700000000);
            r.SecondsToPosition(-5);
        }
    }
    if (ReadBack(path) != std::vector<std::uint8_t>(data, data + size)) {
        std::abort();  // a read-only open wrote to the file
    }
    {
        WaveFile w(path.c_str(), nullptr, MMIO_READWRITE);
        if (!w.open() && ReadBack(path) != std::vector<std::uint8_t>(data, data + size)) {
            std::abort();  // a refused file was changed
        }
    }
    std::remove(path.c_str());
    std::remove(journal.c_str());
    return 0;
}
