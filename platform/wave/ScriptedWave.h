#pragma once
// The scripted wave device (TAPVOX_AUDIO=script): the test is the sound card.
// It chooses the device list and open results, supplies the samples of the
// open input and decides when each queued header finishes. Every call may come
// from any thread; a finished header's message is posted by the calling thread.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave/Wave.h"

namespace platform::scripted {
// The device names (index = device id; defaults: one input and one output).
void SetWaveDevices(std::vector<std::string> inputs, std::vector<std::string> outputs);
// Whether the wave mapper answers (default true).
void SetWaveMapper(bool available);
// The next waveInOpen / waveOutOpen fails with this result (once).
void FailNextWaveOpen(bool input, MMRESULT result);
// Restores the defaults and forgets what was played.
void ResetWaveScript();

// The open scripted input: whether it is open and started, and the headers it holds.
bool InputOpen();
bool InputStarted();
std::size_t InputQueued();
WAVEFORMATEX InputFormat();
// Appends samples to the queued headers, returning each one that fills up;
// returns the bytes taken: all of them while started (what no header takes waits
// in the input's ring, what a full ring cannot hold is a gap), 0 while stopped.
std::size_t FeedInput(const void* data, std::size_t size);
// Returns the front header now, with what it holds; false when none is queued.
bool FinishInputBuffer();

// The open scripted output.
bool OutputOpen();
std::size_t OutputQueued();
WAVEFORMATEX OutputFormat();
// Plays the front header: its bytes join the played log and it is returned.
bool FinishOutputBuffer();
// Everything played since the last call.
std::vector<std::uint8_t> TakePlayedBytes();
}
