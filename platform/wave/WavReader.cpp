// Chunks are walked to the file's real end, not its RIFF size; a short read never stops inside a frame.
#include "platform/wave/WavReader.h"

#include <cerrno>
#include <cstring>

#include "platform/core/Bytes.h"
#include "platform/kernel/SafeOpen.h"

namespace platform::wave {
namespace {
using platform::LoadLe16;
using platform::LoadLe32;

// WAVE_FORMAT_EXTENSIBLE with the PCM sub-format counts as PCM.
constexpr WORD kExtensible = 0xFFFE;
constexpr unsigned char kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool ParseFormat(const unsigned char* p, std::size_t size, WAVEFORMATEX* f)
{
    if (size < 16) {
        return false;
    }
    WORD tag = LoadLe16(p);
    if (tag == kExtensible) {
        if (size < 40 || LoadLe16(p + 16) < 22 || LoadLe16(p + 24) != WAVE_FORMAT_PCM ||
            std::memcmp(p + 26, kPcmGuidTail, sizeof kPcmGuidTail) != 0) {
            return false;
        }
        tag = WAVE_FORMAT_PCM;
    }
    f->wFormatTag = tag;
    f->nChannels = LoadLe16(p + 2);
    f->nSamplesPerSec = LoadLe32(p + 4);
    f->nBlockAlign = LoadLe16(p + 12);
    f->wBitsPerSample = LoadLe16(p + 14);
    f->cbSize = 0;
    if (tag != WAVE_FORMAT_PCM || f->nChannels < 1 || f->nChannels > 2 ||
        (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) || f->nSamplesPerSec < 1 ||
        f->nSamplesPerSec > 100000 || f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) {
        return false;
    }
    f->nAvgBytesPerSec = f->nSamplesPerSec * f->nBlockAlign;
    return true;
}
}

WavReader::~WavReader() { CloseFile(); }

void WavReader::CloseFile()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool WavReader::Open(const std::string& path)
{
    std::FILE* f = platform::StreamFromDescriptor(platform::OpenRegularForRead(path), "rb");
    const int error = errno;
    const bool opened = Open(f);
    if (!f) {
        openError_ = error;
    }
    return opened;
}

bool WavReader::Open(std::FILE* stream)
{
    CloseFile();
    openError_ = 0;
    file_ = stream;
    format_ = {};
    dataStart_ = dataBytes_ = position_ = 0;
    if (!file_ || fseeko(file_, 0, SEEK_END) != 0) {
        CloseFile();
        return false;
    }
    const off_t end = ftello(file_);
    unsigned char head[12];
    if (end < 12 || fseeko(file_, 0, SEEK_SET) != 0 || std::fread(head, 1, 12, file_) != 12 ||
        std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
        CloseFile();
        return false;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(end);
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t pos = 12;
    // The RIFF size is not trusted: a recording cut short or still being written has a stale one.
    while (pos + 8 <= fileSize && !(haveFormat && haveData)) {
        unsigned char chunk[8];
        if (fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0 || std::fread(chunk, 1, 8, file_) != 8) {
            break;
        }
        const std::uint64_t size = LoadLe32(chunk + 4);
        const std::uint64_t body = pos + 8;
        const std::uint64_t available = fileSize - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            unsigned char fmt[40] = {};
            const std::size_t want = static_cast<std::size_t>(size < sizeof fmt ? size : sizeof fmt);
            if (want > available || std::fread(fmt, 1, want, file_) != want || !ParseFormat(fmt, want, &format_)) {
                break;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
            dataStart_ = body;
            dataBytes_ = size < available ? size : available;
            haveData = true;
        }
        pos = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) {
        CloseFile();
        format_ = {};
        return false;
    }
    dataBytes_ -= dataBytes_ % format_.nBlockAlign;
    return Seek(0);
}

std::size_t WavReader::Read(void* dst, std::size_t size)
{
    if (!file_) {
        return 0;
    }
    const std::uint64_t left = dataBytes_ - position_;
    std::size_t want = size < left ? size : static_cast<std::size_t>(left);
    want -= want % format_.nBlockAlign;
    const std::size_t got = std::fread(dst, 1, want, file_);
    const std::size_t whole = got - got % format_.nBlockAlign;
    position_ += whole;
    if (whole != got) {
        fseeko(file_, static_cast<off_t>(dataStart_ + position_), SEEK_SET);
    }
    return whole;
}

bool WavReader::Seek(std::uint64_t position)
{
    if (!file_) {
        return false;
    }
    if (position > dataBytes_) {
        position = dataBytes_;
    }
    position -= position % format_.nBlockAlign;
    if (fseeko(file_, static_cast<off_t>(dataStart_ + position), SEEK_SET) != 0) {
        return false;
    }
    position_ = position;
    return true;
}
}
