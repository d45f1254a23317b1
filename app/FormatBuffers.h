#pragma once
// The two process-wide buffers that hold the recording formats of the "Wave"
// and "Mp3" settings, and the capacity the settings and the format pages use.
#include <cstddef>

#include "platform/core/WaveFormat.h"

// 2000 until the main window sets it from the compression manager (18 without one).
extern int MaxFormatSize;
extern WAVEFORMATEX* RecordFormatBuffer;  // setting "WaveFormat"
extern WAVEFORMATEX* Mp3FormatBuffer;     // setting "Mp3Format"

// MaxFormatSize + 40 bytes each, cbSize preset to MaxFormatSize - 18.
void AllocateFormatBuffers();
void FreeFormatBuffers();
// Bytes allocated for each buffer (0 while there are none).
std::size_t FormatBufferBytes();
// What a stored record may fill: MaxFormatSize, within the allocation.
std::size_t FormatReadCapacity();
