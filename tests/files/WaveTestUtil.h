#pragma once
// Byte-level reading of RIFF files for the checks of what our classes write.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Bytes.h"
#include "platform/core/WaveFormat.h"

struct RawChunk {
    std::string id;
    std::uint32_t size = 0;
    std::size_t dataOffset = 0;
};

inline std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) { return platform::LoadLe32(b.data() + at); }

// The chunks inside the RIFF form, in file order, as far as the RIFF size reaches.
inline std::vector<RawChunk> RiffChunks(const std::vector<std::uint8_t>& b)
{
    std::vector<RawChunk> out;
    if (b.size() < 12) {
        return out;
    }
    const std::size_t end = std::min<std::size_t>(b.size(), 8 + std::size_t(Le32(b, 4)));
    for (std::size_t at = 12; at + 8 <= end;) {
        RawChunk c;
        c.id.assign(reinterpret_cast<const char*>(b.data()) + at, 4);
        c.size = Le32(b, at + 4);
        c.dataOffset = at + 8;
        out.push_back(c);
        at += 8 + c.size + (c.size & 1);
    }
    return out;
}

inline std::string ChunkOrder(const std::vector<std::uint8_t>& b)
{
    std::string s;
    for (const auto& c : RiffChunks(b)) {
        s += (s.empty() ? "" : ",") + c.id;
    }
    return s;
}

inline const RawChunk* FindChunk(const std::vector<RawChunk>& chunks, const std::string& id)
{
    for (const auto& c : chunks) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) { return MakePcmFormat(channels, rate, bits); }

// Deterministic non-silent audio bytes.
inline std::vector<std::uint8_t> Pattern(std::size_t n, std::uint32_t seed = 1)
{
    std::vector<std::uint8_t> v(n);
    std::uint32_t x = seed * 2654435761u + 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return v;
}
