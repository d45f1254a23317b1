#pragma once
// Builds ID3v2 tags of every version byte by byte for the tests and the tag
// fuzz target: compressed, encrypted and grouped frames, unsynchronisation,
// extended headers, footers, padding, and sizes that lie.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace id3build {
using Bytes = std::vector<std::uint8_t>;

inline void PutBE(Bytes& v, std::uint32_t x, int n)
{
    for (int i = n - 1; i >= 0; --i) {
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    }
}

inline void PutSyncSafe(Bytes& v, std::uint32_t x, int n)
{
    for (int i = n - 1; i >= 0; --i) {
        v.push_back(static_cast<std::uint8_t>((x >> (7 * i)) & 0x7F));
    }
}

inline Bytes Unsync(const Bytes& in)
{
    Bytes out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0)) {
            out.push_back(0);
        }
    }
    return out;
}

// Sized first and copied into: GCC 12 at -O3 misreads inserts into small vectors.
inline Bytes Text(const std::string& s)
{
    Bytes b(s.size() + 1, 0);
    std::copy(s.begin(), s.end(), b.begin() + 1);
    return b;
}

inline Bytes Priv(const std::string& owner, const std::string& data)
{
    Bytes b(owner.size() + 1 + data.size(), 0);
    std::copy(owner.begin(), owner.end(), b.begin());
    std::copy(data.begin(), data.end(), b.begin() + static_cast<long>(owner.size()) + 1);
    return b;
}

struct Frame {
    std::string id;
    Bytes payload;
    bool compress = false;
    bool encrypt = false;
    bool group = false;
    bool unsync = false;      // 2.4 only
    bool dataLength = false;  // 2.4 only; set by compression
    std::uint8_t status = 0;  // status flag bits as the version has them
    int sizeLie = 0;          // added to the stored size
};

inline Bytes Compress(const Bytes& in)
{
    uLongf n = compressBound(static_cast<uLong>(in.size()));
    Bytes out(n);
    compress(out.data(), &n, in.data(), static_cast<uLong>(in.size()));
    out.resize(n);
    return out;
}

inline Bytes BuildFrame(int version, const Frame& f)
{
    Bytes body = f.compress ? Compress(f.payload) : f.payload;
    if (f.encrypt) {
        for (std::uint8_t& b : body) {
            b ^= 0x5A;
        }
    }
    Bytes extra;
    std::uint16_t flags = static_cast<std::uint16_t>(f.status << 8);
    if (version == 3) {
        if (f.compress) {
            flags |= 0x80;
            PutBE(extra, static_cast<std::uint32_t>(f.payload.size()), 4);
        }
        if (f.encrypt) {
            flags |= 0x40;
            extra.push_back(0x80);
        }
        if (f.group) {
            flags |= 0x20;
            extra.push_back(0x81);
        }
    } else if (version == 4) {
        if (f.group) {
            flags |= 0x40;
            extra.push_back(0x81);
        }
        if (f.encrypt) {
            flags |= 0x04;
            extra.push_back(0x80);
        }
        if (f.compress || f.dataLength) {
            flags |= (f.compress ? 0x08 : 0) | 0x01;
            PutSyncSafe(extra, static_cast<std::uint32_t>(f.payload.size()), 4);
        }
        if (f.unsync) {
            flags |= 0x02;
            body = Unsync(body);
        }
    }
    Bytes content = extra;
    content.insert(content.end(), body.begin(), body.end());
    const std::uint32_t size = static_cast<std::uint32_t>(static_cast<int>(content.size()) + f.sizeLie);
    Bytes out(f.id.begin(), f.id.end());
    if (version == 2) {
        PutBE(out, size, 3);
    } else {
        if (version == 3) {
            PutBE(out, size, 4);
        } else {
            PutSyncSafe(out, size, 4);
        }
        PutBE(out, flags, 2);
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

struct Tag {
    int version = 3;
    std::vector<Frame> frames;
    bool unsync = false;
    bool extended = false;
    bool extendedCrc = false;
    bool footer = false;
    bool experimental = false;
    std::size_t padding = 0;
    int sizeLie = 0;
};

inline Bytes BuildTag(const Tag& t)
{
    Bytes frames;
    for (const Frame& f : t.frames) {
        const Bytes b = BuildFrame(t.version, f);
        frames.insert(frames.end(), b.begin(), b.end());
    }
    Bytes ext;
    if (t.extended && t.version == 3) {
        PutBE(ext, t.extendedCrc ? 10 : 6, 4);
        PutBE(ext, t.extendedCrc ? 0x8000 : 0, 2);
        PutBE(ext, static_cast<std::uint32_t>(t.padding), 4);
        if (t.extendedCrc) {
            PutBE(ext, static_cast<std::uint32_t>(crc32(0, frames.data(), static_cast<uInt>(frames.size()))), 4);
        }
    } else if (t.extended && t.version == 4) {
        PutSyncSafe(ext, t.extendedCrc ? 12 : 6, 4);
        ext.push_back(1);
        ext.push_back(t.extendedCrc ? 0x20 : 0);
        if (t.extendedCrc) {
            ext.push_back(5);
            PutSyncSafe(ext, static_cast<std::uint32_t>(crc32(0, frames.data(), static_cast<uInt>(frames.size()))), 5);
        }
    }
    Bytes body = ext;
    body.insert(body.end(), frames.begin(), frames.end());
    body.resize(body.size() + t.padding, 0);
    if (t.unsync && t.version < 4) {
        body = Unsync(body);
    }
    std::uint8_t flags = (t.unsync ? 0x80 : 0) | (t.extended ? 0x40 : 0) | (t.experimental ? 0x20 : 0) |
                         (t.footer && t.version == 4 ? 0x10 : 0);
    Bytes out = {'I', 'D', '3', static_cast<std::uint8_t>(t.version), 0, flags};
    PutSyncSafe(out, static_cast<std::uint32_t>(static_cast<int>(body.size()) + t.sizeLie), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (t.footer && t.version == 4) {
        Bytes footer(out.begin(), out.begin() + 10);
        footer[0] = '3';
        footer[1] = 'D';
        footer[2] = 'I';
        out.insert(out.end(), footer.begin(), footer.end());
    }
    return out;
}
}
