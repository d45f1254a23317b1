// Opening arbitrary bytes as an Ogg Vorbis recording: headers, packet replay,
// decoding, seeking, packet reads and one append. Nothing may crash, hang or
// leak; the file is rewritten each run in a private folder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/OggVorbisFile.h"
#include "fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = ScratchFolder() + "/input.ogg";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const bool append = size > 0 && (data[size - 1] & 1);
    {
        OggVorbisFile file(path.c_str(), nullptr, 4, append ? MMIO_READWRITE : MMIO_READ);
        if (file.open()) {
            std::vector<short> pcm(4096);
            for (int i = 0; i < 64 && file.ReadSamples(pcm.data(), 8192) > 0; ++i) {
            }
            file.position(file.GetLength() / 2);
            std::vector<std::uint8_t> packet(4096);
            for (int i = 0; i < 16 && file.Read(packet.data(), 4096) > 0; ++i) {
            }
            file.position(0);
            if (append) {
                std::vector<short> silence(1600);
                file.WriteSamples(silence.data(), 3200);
            }
            file.VerifySignature();
            file.close();
        }
    }
    std::remove(path.c_str());
    std::remove((ScratchFolder() + "/input.~gg").c_str());
    return 0;
}
