// The packet record to and from its little-endian bytes; the data-pointer field is written as 0 and never read.
#include "files/OggPacketRecord.h"

#include "platform/core/Bytes.h"

using platform::LoadLe32;
using platform::LoadLe64;
using platform::StoreLe32;
using platform::StoreLe64;

void StoreOggPacketRecord(const OggPacketRecord& r, BYTE* out)
{
    StoreLe32(out, 0);
    StoreLe32(out + 4, static_cast<std::uint32_t>(r.bytes));
    StoreLe32(out + 8, static_cast<std::uint32_t>(r.beginOfStream));
    StoreLe32(out + 12, static_cast<std::uint32_t>(r.endOfStream));
    StoreLe64(out + 16, static_cast<std::uint64_t>(r.granule));
    StoreLe64(out + 24, static_cast<std::uint64_t>(r.packetNumber));
}

OggPacketRecord LoadOggPacketRecord(const BYTE* in)
{
    OggPacketRecord r;
    r.bytes = static_cast<std::int32_t>(LoadLe32(in + 4));
    r.beginOfStream = static_cast<std::int32_t>(LoadLe32(in + 8));
    r.endOfStream = static_cast<std::int32_t>(LoadLe32(in + 12));
    r.granule = static_cast<std::int64_t>(LoadLe64(in + 16));
    r.packetNumber = static_cast<std::int64_t>(LoadLe64(in + 24));
    return r;
}
