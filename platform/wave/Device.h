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
#include "platform/wave/CaptureRing.h"
#include "platform/wave/Wave.h"

namespace platform::wave {

// The queue of one open device. Backends move data in or out of the front
// header with `mutex` held; a completion posts its message while still holding
// it, so messages leave in completion order from whichever thread finished.
// An input never drops what its device delivers while no header is queued: it
// waits in the port's ring and goes, in order, into the next headers queued
// (on whichever thread queues them). Only a full ring loses audio; the first
// header after such a gap carries WHDR_GAP and the bytes lost.
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
    // Queues a header; an input first fills it from what waits in the ring.
    void Push(WAVEHDR* header);
    // Marks the front header done (input: dwBytesRecorded = the bytes filled),
    // takes it off the queue and posts its message.
    void CompleteFront();
    void CompleteAll();
    // Completes the front header only when something was filled into or played
    // from it (a stopped input, the end of a source); an input's waiting audio goes first.
    void CompleteStarted();
    // Input: copies into the front headers, returning each one that fills up,
    // then into the ring; what a full ring cannot hold is counted as lost. Returns size.
    std::size_t Fill(const std::uint8_t* data, std::size_t size);
    // Whole sample frames still free in the front header (input), or still to
    // play (output); 0 without a header.
    std::size_t FrontFrames() const;
    // Where the backend puts (input) or finds (output) its next frames, with
    // *frames set to how many fit there; output headers without room are
    // completed on the way. Output: null (and 0) when no header is queued. Input:
    // the front header, else the ring, else (ring full) a place whose frames
    // are counted as lost: never null.
    char* FrontRoom(std::size_t* frames);
    // The backend filled or played `frames` more frames where FrontRoom pointed;
    // a header with none left is completed.
    void Advance(std::size_t frames);

    // Input, called by the layer: capture starts; capture stops (what waits in
    // the ring still goes into queued headers, and the last one filled is
    // returned); reset (what waits is dropped, the position starts again at 0).
    void StartInput();
    void StopInput();
    void ResetInput();
    // Input: bytes the device delivered since the open or the last reset, lost ones included.
    std::uint64_t Captured() const { return captured_; }

private:
    enum class Target { Header, Ring, Lost };
    // Moves what waits in the ring into the queued headers, splitting at gaps.
    void Drain();
    // Input: the room for the next bytes, whichever place takes them.
    std::uint8_t* InputRoom(std::size_t* bytes);
    void InputAdvance(std::size_t bytes);

    std::deque<WAVEHDR*> queue_;
    // Bytes of the front header filled (input) or played (output).
    std::size_t offset_ = 0;
    HWND window_;
    bool notify_;
    void* handle_;

    CaptureRing ring_;
    std::vector<std::uint8_t> spill_;
    Target target_ = Target::Header;
    bool capturing_ = false;
    // The source ended while audio waited: the front header returns once the ring is empty.
    bool endAfterRing_ = false;
    // Bytes lost just before the front header's first byte.
    std::uint64_t frontGap_ = 0;
    std::uint64_t captured_ = 0;
};

// Bytes the input ring holds for a format: enough for a 32-second stall
// (TAPVOX_INPUT_RING_MS, for tests, sets another length).
std::size_t InputRingBytes(const WAVEFORMATEX& format);

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
    // Why the last Name or Open of an input failed, naming what the user can mend
    // (a file, a format); empty when the result code says all there is.
    virtual std::string Refusal() { return {}; }
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
