#pragma once
// The Xing, Info or VBRI frame that encoders put first in an MP3 stream: its
// frame and byte counts and seek table, and the LAME tag that may follow. An
// append must bring them up to date, or readers stop at the old end.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/MpegFrameHeader.h"

struct Mp3InfoFrame {
    enum class Kind { None, Xing, Vbri };
    Kind kind = Kind::None;
    std::size_t length = 0;     // the frame's length in bytes
    std::size_t framesAt = 0;   // offsets in the frame; 0 when the field is absent
    std::size_t bytesAt = 0;
    std::size_t tocAt = 0;
    std::size_t lameAt = 0;     // the LAME tag behind the Xing fields
    // VBRI's seek table: entry count, scale, bytes an entry, frames an entry.
    std::size_t vbriEntriesAt = 0;
    std::uint32_t vbriEntries = 0;
    std::uint32_t vbriScale = 0;
    std::uint32_t vbriEntrySize = 0;
    std::uint32_t vbriFramesPerEntry = 0;
    std::uint32_t storedBytes = 0;  // the byte count as found
};

// Recognises the information frame in the first frame's bytes.
Mp3InfoFrame FindMp3InfoFrame(const std::uint8_t* frame, std::size_t size, const MpegFrameHeader& h);

// CRC-16 as the LAME tag uses it (polynomial 0x8005, reflected, from 0), able
// to go on from an earlier result.
std::uint16_t Mp3Crc16(const std::uint8_t* bytes, std::size_t size, std::uint16_t crc = 0);

// Rewrites the counts and seek table for a stream whose frames start at
// frameStarts (offsets from the information frame, itself the first) and that
// is totalBytes long; for a LAME tag also its music length, music CRC (over the
// bytes behind the information frame) and its own CRC, and its end padding,
// which a stream changed since its encoder wrote it no longer has: 0 (the start
// delay stays). The frames counted are those behind the information frame, as
// encoders count them.
void RefreshMp3InfoFrame(std::uint8_t* frame, const Mp3InfoFrame& info, const std::vector<std::uint32_t>& frameStarts,
                         std::uint32_t totalBytes, std::uint16_t musicCrc);
