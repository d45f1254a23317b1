// The two recording-format buffers: their allocation, release and the bytes a format in them may use.
#include "app/FormatBuffers.h"

#include <algorithm>
#include <cstring>

int MaxFormatSize = 2000;
WAVEFORMATEX* RecordFormatBuffer = nullptr;
WAVEFORMATEX* Mp3FormatBuffer = nullptr;

namespace {
std::size_t gAllocated = 0;

WAVEFORMATEX* NewBuffer(std::size_t bytes)
{
    // Byte storage; the record is packed, so any alignment serves.
    auto* raw = new unsigned char[bytes]();
    auto* format = reinterpret_cast<WAVEFORMATEX*>(raw);
    format->cbSize = static_cast<WORD>(std::max(MaxFormatSize - 18, 0));
    return format;
}

void DeleteBuffer(WAVEFORMATEX*& format)
{
    delete[] reinterpret_cast<unsigned char*>(format);
    format = nullptr;
}
}

void AllocateFormatBuffers()
{
    FreeFormatBuffers();
    gAllocated = static_cast<std::size_t>(std::max(MaxFormatSize, 18)) + 40;
    RecordFormatBuffer = NewBuffer(gAllocated);
    Mp3FormatBuffer = NewBuffer(gAllocated);
}

void FreeFormatBuffers()
{
    DeleteBuffer(RecordFormatBuffer);
    DeleteBuffer(Mp3FormatBuffer);
    gAllocated = 0;
}

std::size_t FormatBufferBytes() { return gAllocated; }

std::size_t FormatReadCapacity()
{
    return std::min(static_cast<std::size_t>(std::max(MaxFormatSize, 0)), gAllocated);
}
