// MP3 recordings with fuzzed ID3v2 tags through open, GetInfo, SetInfo and
// close: raw tag bytes (inputs that start with "ID3") or tags the builder
// makes from the input (every version, compression, encryption, grouping,
// unsynchronisation, extended headers, footers and sizes that lie). Nothing may
// crash, hang or leak; frames of other programs must survive every rewrite,
// and a tag that is refused must stay as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "files/Id3Tag.h"
#include "files/Id3v2Scan.h"
#include "files/Mp3File.h"
#include "fuzz/FuzzFiles.h"
#include "tests/files/Id3TagBuilder.h"

namespace {
using id3build::Bytes;

// Ten MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, stereo) the codec has a
// format for; their contents do not matter to the file class.
const Bytes& Audio()
{
    static const Bytes audio = [] {
        Bytes out;
        for (int i = 0; i < 10; ++i) {
            Bytes f(417, static_cast<std::uint8_t>(0x11 * (i + 1)));
            f[0] = 0xFF;
            f[1] = 0xFB;
            f[2] = 0x90;
            f[3] = 0x00;
            out.insert(out.end(), f.begin(), f.end());
        }
        return out;
    }();
    return audio;
}

id3build::Frame FuzzedFrame(FuzzedDataProvider& in, int version)
{
    static const char* const kIds3[] = {"TIT2", "PRIV", "PRIV", "COMM", "TXXX", "APIC", "TALB", "XQZW", "TYER"};
    static const char* const kIds2[] = {"TT2", "COM", "TAL", "PIC", "XYZ", "CDM", "TXX"};
    id3build::Frame f;
    if (version == 2) {
        f.id = kIds2[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kIds2) - 1)];
    } else {
        f.id = kIds3[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kIds3) - 1)];
    }
    const std::string body = in.ConsumeRandomLengthString(300);
    if (f.id == "PRIV") {
        f.payload = id3build::Priv(in.ConsumeBool() ? kTimecodeOwner : "other.example", body);
    } else {
        f.payload.assign(body.begin(), body.end());
    }
    f.compress = in.ConsumeBool();
    f.encrypt = in.ConsumeProbability<float>() < 0.2f;
    f.group = in.ConsumeProbability<float>() < 0.2f;
    f.unsync = in.ConsumeBool();
    f.dataLength = in.ConsumeBool();
    f.status = in.ConsumeIntegral<std::uint8_t>() & 0xE0;
    f.sizeLie = in.ConsumeProbability<float>() < 0.1f ? in.ConsumeIntegralInRange<int>(-20, 20) : 0;
    return f;
}

Bytes FuzzedTag(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    id3build::Tag t;
    t.version = in.ConsumeIntegralInRange<int>(2, 4);
    t.unsync = in.ConsumeBool();
    t.extended = in.ConsumeBool();
    t.extendedCrc = in.ConsumeProbability<float>() < 0.2f;
    t.footer = in.ConsumeBool();
    t.experimental = in.ConsumeProbability<float>() < 0.1f;
    t.padding = in.ConsumeIntegralInRange<std::size_t>(0, 600);
    t.sizeLie = in.ConsumeProbability<float>() < 0.1f ? in.ConsumeIntegralInRange<int>(-30, 30) : 0;
    const int frames = in.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < frames && in.remaining_bytes() > 0; ++i) {
        t.frames.push_back(FuzzedFrame(in, t.version));
    }
    return id3build::BuildTag(t);
}

bool Contains(const Bytes& hay, const Bytes& needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Most fuzzed tags are refused, each with a line on standard error.
    QuietFileMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const bool raw = size >= 3 && data[0] == 'I' && data[1] == 'D' && data[2] == '3';
    Bytes file = raw ? Bytes(data, data + size) : FuzzedTag(data, size);
    file.insert(file.end(), Audio().begin(), Audio().end());
    const std::string path = ScratchFolder() + "/in.mp3";
    const std::string journal = ScratchFolder() + "/in.~p3";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    const Id3v2Scan before = ScanId3v2(file);
    {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        if (f.open()) {
            for (const char* item : {"title", "comment", "year", "fennwicke timecode"}) {
                delete[] f.GetInfo(item);
            }
            f.AddMarker(0, 1800000000, true);
            f.AddComment("fuzz", 0, 0, true);
            f.SetInfo("title", "Fuzzed title");
            f.update();
            delete[] f.GetInfo("fennwicke timecode");
            f.close();
        }
    }
    const Bytes after = ReadBack(path);
    if (!Contains(after, Audio())) {
        std::abort();  // the audio did not survive a tag rewrite
    }
    const std::size_t tagBytes = std::min(before.totalSize, file.size());
    if (before.verdict == Id3v2Verdict::Untouchable &&
        (after.size() < tagBytes || !std::equal(file.begin(), file.begin() + static_cast<long>(tagBytes), after.begin()))) {
        std::abort();  // a refused tag was changed
    }
    if (before.verdict == Id3v2Verdict::Editable) {
        for (const Id3v2Frame& fr : before.frames) {
            const Bytes stored(file.begin() + static_cast<long>(fr.rawBegin), file.begin() + static_cast<long>(fr.rawEnd));
            const bool ours = fr.id == "PRIV" && Contains(stored, Bytes(kTimecodeOwner, kTimecodeOwner + 24));
            if (!ours && !Contains(after, stored)) {
                std::abort();  // another program's frame was lost
            }
        }
    }
    std::remove(path.c_str());
    std::remove(journal.c_str());
    return 0;
}
