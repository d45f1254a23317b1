#pragma once
// The bounded reader of a leading ID3v2 tag (versions 2.2, 2.3 and 2.4): it
// walks the tag header, the extended header and every frame header inside the
// tag's own bytes, undoes unsynchronisation, and says whether the tag may go
// to id3lib, may only be edited frame by frame, or must be left alone.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Id3Bytes = std::vector<std::uint8_t>;

enum class Id3v2Verdict {
    None,         // no tag at the start of the bytes
    Id3libSafe,   // version 2.2 or 2.3, every frame plain and known to id3lib
    Editable,     // version 2.3 or 2.4 whose frames can be kept byte for byte
    Untouchable,  // nothing of it may be rewritten (see problem)
};

struct Id3v2Frame {
    std::string id;               // 3 characters in version 2.2, else 4
    std::uint16_t flags = 0;      // status byte << 8 | format byte; 0 in version 2.2
    std::size_t begin = 0;        // header start in the decoded body
    std::size_t dataBegin = 0;    // payload start (behind the header) in the decoded body
    std::size_t end = 0;          // one past the payload in the decoded body
    std::size_t rawBegin = 0;     // the same frame in the tag as stored
    std::size_t rawEnd = 0;
    bool compressed = false;
    bool encrypted = false;
    bool grouped = false;
    bool unsynchronised = false;  // version 2.4: its payload is unsynchronised
    bool dataLength = false;      // version 2.4: a data length indicator leads the payload
};

struct Id3v2Scan {
    Id3v2Verdict verdict = Id3v2Verdict::None;
    std::string problem;          // why the tag is not Id3libSafe ("" when it is)
    int version = 0;              // 2, 3 or 4
    std::uint8_t revision = 0;
    std::uint8_t flags = 0;
    std::size_t totalSize = 0;    // header, body and footer as stored
    bool footer = false;
    bool extendedHeader = false;
    bool extendedCrc = false;
    std::size_t extendedEnd = 0;  // where the frames start in the decoded body
    std::size_t framesEnd = 0;    // where the padding starts in the decoded body
    std::size_t rawFramesEnd = 0; // the same in the stored body
    Id3Bytes body;                // the bytes behind the header, unsynchronisation undone (2.2, 2.3)
    Id3Bytes raw;                 // the whole tag as stored
    std::vector<Id3v2Frame> frames;
};

constexpr std::size_t kId3HeaderSize = 10;
// A tag larger than this is never read into memory; it is left alone.
constexpr std::size_t kId3MaxTagSize = 64u << 20;

// The tag's stored size (header, body, footer) from its first 10 bytes; 0 when
// they are no tag header with a valid size.
std::size_t Id3v2StoredSize(const std::uint8_t* header, std::size_t available);

// Walks the tag at the start of bytes (which may hold more than the tag).
Id3v2Scan ScanId3v2(const Id3Bytes& bytes);

// The frame's payload as the frame means it: unsynchronisation undone, the
// grouping byte and data length indicator taken off, a compressed frame
// inflated to the size it declares. None for encrypted frames and for frames
// whose data does not agree with their flags.
std::optional<Id3Bytes> Id3v2FramePayload(const Id3v2Scan& scan, const Id3v2Frame& frame);

// The frame's decoded bytes, header included (for a frame with no flags).
Id3Bytes Id3v2FrameBytes(const Id3v2Scan& scan, const Id3v2Frame& frame);

// Unsynchronisation: a 0 after every 0xFF that is followed by 0 or a byte of
// 0xE0 or more, or that ends the bytes; and its inverse.
Id3Bytes Id3Unsynchronise(const Id3Bytes& bytes);
Id3Bytes Id3Resynchronise(const std::uint8_t* bytes, std::size_t size);

std::uint32_t Id3ReadBE(const std::uint8_t* p, int bytes);
// 7 bits a byte; false when a byte has bit 7 set.
bool Id3ReadSyncSafe(const std::uint8_t* p, int bytes, std::uint32_t& out);
void Id3PutBE(std::uint8_t* p, std::uint32_t value, int bytes);
void Id3PutSyncSafe(std::uint8_t* p, std::uint32_t value, int bytes);
