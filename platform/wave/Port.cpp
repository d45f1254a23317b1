// The one done-and-post rule: byte count, then WHDR_DONE with release order, then the header's message;
// and the input's ring, which keeps capturing while no header is free.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/user/Messages.h"
#include "platform/wave/Device.h"

namespace platform::wave {
namespace {
// The GUI thread reads dwFlags of queued headers while a device thread finishes
// them: store with release order so dwBytesRecorded is visible first.
void StoreFlags(WAVEHDR* h, DWORD flags) { std::atomic_ref<DWORD>(h->dwFlags).store(flags, std::memory_order_release); }

// What a device delivers while the ring is full is read into here and counted as lost.
constexpr std::size_t kSpillBytes = 16384;
}

std::size_t InputRingBytes(const WAVEFORMATEX& format)
{
    std::uint64_t ms = 32000;
    if (const char* v = std::getenv("TAPVOX_INPUT_RING_MS"); v && *v) {
        ms = std::strtoull(v, nullptr, 10);
    }
    const std::uint64_t align = std::max<WORD>(format.nBlockAlign, 1);
    const std::uint64_t bytes = std::uint64_t(format.nAvgBytesPerSec) * ms / 1000 / align * align;
    return static_cast<std::size_t>(std::min<std::uint64_t>(bytes, std::uint64_t(1) << 30));
}

Port::Port(bool isInput, const WAVEFORMATEX& fmt, HWND window, bool notify, void* handle)
    : input(isInput), format(fmt), window_(window), notify_(notify), handle_(handle),
      ring_(isInput ? InputRingBytes(fmt) : 0), spill_(isInput ? kSpillBytes : 0)
{
}

void Port::Push(WAVEHDR* header)
{
    header->dwFlags &= ~WHDR_GAP;
    header->reserved = 0;
    queue_.push_back(header);
    Drain();
}

void Port::CompleteFront()
{
    if (queue_.empty()) {
        return;
    }
    WAVEHDR* h = queue_.front();
    queue_.pop_front();
    DWORD flags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (input) {
        h->dwBytesRecorded = static_cast<DWORD>(offset_);
        if (frontGap_ > 0) {
            h->reserved = static_cast<DWORD_PTR>(frontGap_);
            flags |= WHDR_GAP;
            frontGap_ = 0;
        }
    }
    offset_ = 0;
    StoreFlags(h, flags);
    if (notify_) {
        PostMessage(window_, input ? MM_WIM_DATA : MM_WOM_DONE, reinterpret_cast<WPARAM>(handle_),
                    reinterpret_cast<LPARAM>(h));
    }
}

void Port::CompleteAll()
{
    while (!queue_.empty()) {
        CompleteFront();
    }
}

void Port::CompleteStarted()
{
    if (input && (ring_.Used() > 0 || ring_.GapAtHead())) {
        endAfterRing_ = true;
        return;
    }
    if (offset_ > 0) {
        CompleteFront();
    }
}

void Port::Drain()
{
    if (!input) {
        return;
    }
    while (!queue_.empty()) {
        if (ring_.GapAtHead()) {
            if (offset_ > 0) {
                // What came before the gap ends its header; the next one begins after it.
                CompleteFront();
                continue;
            }
            frontGap_ += ring_.TakeGapAtHead();
        }
        if (ring_.Used() == 0) {
            break;
        }
        WAVEHDR* h = queue_.front();
        offset_ += ring_.Read(reinterpret_cast<std::uint8_t*>(h->lpData) + offset_, h->dwBufferLength - offset_);
        if (offset_ >= h->dwBufferLength) {
            CompleteFront();
        }
    }
    if ((!capturing_ || endAfterRing_) && ring_.Used() == 0 && !ring_.GapAtHead() && offset_ > 0) {
        endAfterRing_ = false;
        CompleteFront();
    }
}

std::uint8_t* Port::InputRoom(std::size_t* bytes)
{
    Drain();
    if (!queue_.empty() && ring_.Used() == 0 && !ring_.GapAtHead()) {
        target_ = Target::Header;
        WAVEHDR* h = queue_.front();
        *bytes = h->dwBufferLength - offset_;
        return reinterpret_cast<std::uint8_t*>(h->lpData) + offset_;
    }
    if (std::uint8_t* room = ring_.Room(bytes)) {
        target_ = Target::Ring;
        return room;
    }
    target_ = Target::Lost;
    *bytes = spill_.size();
    return spill_.data();
}

void Port::InputAdvance(std::size_t bytes)
{
    captured_ += bytes;
    switch (target_) {
    case Target::Header:
        if (!queue_.empty()) {
            offset_ += bytes;
            if (offset_ >= queue_.front()->dwBufferLength) {
                CompleteFront();
            }
        }
        break;
    case Target::Ring:
        ring_.Commit(bytes);
        break;
    case Target::Lost:
        ring_.Lose(bytes);
        break;
    }
    target_ = Target::Header;
}

std::size_t Port::Fill(const std::uint8_t* data, std::size_t size)
{
    std::size_t taken = 0;
    while (taken < size) {
        std::size_t room = 0;
        std::uint8_t* to = InputRoom(&room);
        const std::size_t n = std::min(room, size - taken);
        if (n == 0) {
            break;
        }
        std::memcpy(to, data + taken, n);
        InputAdvance(n);
        taken += n;
    }
    return taken;
}

std::size_t Port::FrontFrames() const
{
    const WAVEHDR* h = Front();
    if (!h || format.nBlockAlign == 0) {
        return 0;
    }
    const std::size_t frame = format.nBlockAlign;
    return h->dwBufferLength / frame - offset_ / frame;
}

char* Port::FrontRoom(std::size_t* frames)
{
    const std::size_t frame = std::max<std::size_t>(format.nBlockAlign, 1);
    if (input) {
        std::size_t bytes = 0;
        char* room = reinterpret_cast<char*>(InputRoom(&bytes));
        *frames = bytes / frame;
        return room;
    }
    while (!queue_.empty()) {
        *frames = FrontFrames();
        if (*frames > 0) {
            return queue_.front()->lpData + offset_;
        }
        CompleteFront();
    }
    *frames = 0;
    return nullptr;
}

void Port::Advance(std::size_t frames)
{
    if (input) {
        InputAdvance(frames * format.nBlockAlign);
        return;
    }
    if (queue_.empty()) {
        return;
    }
    offset_ += frames * format.nBlockAlign;
    if (FrontFrames() == 0) {
        CompleteFront();
    }
}

void Port::StartInput()
{
    capturing_ = true;
}

void Port::StopInput()
{
    capturing_ = false;
    Drain();
}

void Port::ResetInput()
{
    capturing_ = false;
    endAfterRing_ = false;
    ring_.Clear();
    frontGap_ = 0;
    captured_ = 0;
}
}
