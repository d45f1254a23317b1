#pragma once
// The 32-byte little-endian record in front of each packet that the Ogg
// Vorbis file's Read and Write exchange: a 4-byte data-pointer field (always
// 0 here: a pointer means nothing outside the call), byte count, beginning-
// and end-of-stream marks (32-bit), granule position and packet number (64-bit).
#include <cstdint>

#include "platform/core/Types.h"

constexpr int kOggPacketRecordSize = 32;

struct OggPacketRecord {
    std::int32_t bytes = 0;
    std::int32_t beginOfStream = 0;
    std::int32_t endOfStream = 0;
    std::int64_t granule = 0;
    std::int64_t packetNumber = 0;
};

void StoreOggPacketRecord(const OggPacketRecord& record, BYTE* out);
OggPacketRecord LoadOggPacketRecord(const BYTE* in);
