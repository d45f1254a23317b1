// The MP3 open-time scan on arbitrary bytes: ID3v2 skip, frame sync search and
// the successor check. Nothing may crash or hang.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/Id3v1Record.h"
#include "files/Mp3Scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Mp3MemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    Mp3SkipId3v2(stream);
    MpegFrameHeader h;
    if (Mp3SearchFrames(stream, [&] { return Mp3ReadFrameAtSync(stream, true, h); })) {
        // Walk on as seeking does: sync, header, next frame.
        for (int i = 0; i < 64; ++i) {
            if (!Mp3ReadFrameAtSync(stream, false, h) || h.frameLength == 0) {
                break;
            }
            stream.SeekTo(stream.Tell() + h.frameLength);
        }
    }
    if (size >= Id3v1Record::kSize) {
        Id3v1Record r;
        r.Assign(data + size - Id3v1Record::kSize);
        std::string field;
        r.GetField("title", field);
        r.SetField("comment", "x");
    }
    return 0;
}
