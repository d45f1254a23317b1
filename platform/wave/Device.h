#pragma once
// Internal to platform/wave: the header queue of one open device, the backend
// that fills or drains it, and the drivers that open backends.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wave/AlsaCards.h"
#include "platform/wave/Wave.h"

namespace platform::wave {

// The queue of one open device. Backends move data in or out of the front
// header with `mutex` held; a completion posts its message while still holding
// it, so messages leave in completion order from whichever thread finished.
class Port {
public:
    Port(bool input, const WAVEFORMATEX& format, HWND window, bool notify, void* handle);

    std::mutex mutex;
    const bool input;
    const WAVEFORMATEX format;

    bool Empty() const { return queue_.empty(); }
    std::size_t Size() const { return queue_.size(); }
    WAVEHDR* Front() const { return queue_.empty() ? nullptr : queue_.front(); }
    WAVEHDR* At(std::size_t i) const { return queue_[i]; }
    void Push(WAVEHDR* header) { queue_.push_back(header); }
    // Marks the front header done (input: dwBytesRecorded = the bytes filled),
    // takes it off the queue and posts its message.
    void CompleteFront();
    void CompleteAll();
    // Completes the front header only when something was filled into or played
    // from it (a stopped input, the end of a source).
    void CompleteStarted();
    // Input: copies into the front headers, returning each one that fills up;
    // returns the bytes taken (fewer when the queue runs out).
    std::size_t Fill(const std::uint8_t* data, std::size_t size);
    // Whole sample frames still free in the front header (input), or still to
    // play (output); 0 without a header.
    std::size_t FrontFrames() const;
    // Where the next frame of the front header is, with *frames set to the
    // whole frames left there; headers without room are completed on the way.
    // Null (and 0) when no header is queued.
    char* FrontRoom(std::size_t* frames);
    // The backend filled or played `frames` more frames of the front header;
    // a header with none left is completed.
    void Advance(std::size_t frames);

private:
    std::deque<WAVEHDR*> queue_;
    // Bytes of the front header filled (input) or played (output).
    std::size_t offset_ = 0;
    HWND window_;
    bool notify_;
    void* handle_;
};

// The device side of one open port. Hooks marked "locked" run with the port's
// mutex held; Close runs without it and, once it returns, the backend touches
// the port no more.
class Backend {
public:
    virtual ~Backend() = default;
    virtual void Start() {}   // locked; input: begin capturing
    virtual void Stop() {}    // locked; input: pause (the port then returns a partly filled header)
    virtual void Reset() {}   // locked; before the port returns every header
    virtual void Queued() {}  // locked; a header was added
    virtual void Close() {}
};

// One family of devices: the list a user sees and how to open one.
class Driver {
public:
    virtual ~Driver() = default;
    virtual UINT Count(bool input) = 0;
    // Name of device `id` (or of the wave mapper): MMSYSERR_BADDEVICEID when
    // there is no such device, MMSYSERR_NODRIVER when the mapper has none.
    virtual MMRESULT Name(bool input, UINT id, std::string* name) = 0;
    virtual MMRESULT Open(bool input, UINT id, const std::shared_ptr<Port>& port,
                          std::shared_ptr<Backend>* backend) = 0;
};

// The driver TAPVOX_AUDIO selects (read at every call, so tests may switch).
Driver& CurrentDriver();
Driver& AlsaDriver();
Driver& ScriptedDriver();
// A file-fed input and a discarding output; value is what follows "file:".
Driver& FileDriver(const std::string& value);

// Bytes per sample frame of a validated PCM format.
inline std::size_t FrameBytes(const WAVEFORMATEX& f) { return f.nBlockAlign; }
}
