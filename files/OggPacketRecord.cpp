#include "files/OggPacketRecord.h"

namespace {
void Put(BYTE* out, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<BYTE>(v >> (8 * i));
    }
}
std::uint64_t Get(const BYTE* in, int bytes)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    }
    return v;
}
}

void StoreOggPacketRecord(const OggPacketRecord& r, BYTE* out)
{
    Put(out, 0, 4);
    Put(out + 4, static_cast<std::uint32_t>(r.bytes), 4);
    Put(out + 8, static_cast<std::uint32_t>(r.beginOfStream), 4);
    Put(out + 12, static_cast<std::uint32_t>(r.endOfStream), 4);
    Put(out + 16, static_cast<std::uint64_t>(r.granule), 8);
    Put(out + 24, static_cast<std::uint64_t>(r.packetNumber), 8);
}

OggPacketRecord LoadOggPacketRecord(const BYTE* in)
{
    OggPacketRecord r;
    r.bytes = static_cast<std::int32_t>(Get(in + 4, 4));
    r.beginOfStream = static_cast<std::int32_t>(Get(in + 8, 4));
    r.endOfStream = static_cast<std::int32_t>(Get(in + 12, 4));
    r.granule = static_cast<std::int64_t>(Get(in + 16, 8));
    r.packetNumber = static_cast<std::int64_t>(Get(in + 24, 8));
    return r;
}
