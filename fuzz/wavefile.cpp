// A WAV recording opened from arbitrary bytes: read-only it reads, seeks and
// looks up its items without crashing or hanging; a refused read-write open
// leaves the file exactly as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/WaveFile.h"
#include "fuzz/FuzzFiles.h"

namespace {
const std::string& Folder()
{
    static const std::string path = [] {
        // A RAM disk when there is one: every run rewrites the file.
        const char* tmp = std::getenv("TMPDIR");
        struct stat st;
        const std::string base = stat("/dev/shm", &st) == 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/tmp");
        std::string p = base + "/fuzz-wavefile-" + std::to_string(getpid());
        return p;
    }();
    return path;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Made and removed by every run, so nothing is left behind.
    mkdir(Folder().c_str(), 0700);
    const std::string path = Folder() + "/in.wav";
    const std::string journal = Folder() + "/in.~av";
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
    rmdir(Folder().c_str());
    return 0;
}
