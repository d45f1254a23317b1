// The one done-and-post rule: byte count, then WHDR_DONE with release order, then the header's message.
#include <atomic>
#include <cstring>

#include "platform/user/Messages.h"
#include "platform/wave/Device.h"

namespace platform::wave {
namespace {
// The GUI thread reads dwFlags of queued headers while a device thread finishes
// them: store with release order so dwBytesRecorded is visible first.
void StoreFlags(WAVEHDR* h, DWORD flags) { std::atomic_ref<DWORD>(h->dwFlags).store(flags, std::memory_order_release); }
}

Port::Port(bool isInput, const WAVEFORMATEX& fmt, HWND window, bool notify, void* handle)
    : input(isInput), format(fmt), window_(window), notify_(notify), handle_(handle)
{
}

void Port::CompleteFront()
{
    if (queue_.empty()) {
        return;
    }
    WAVEHDR* h = queue_.front();
    queue_.pop_front();
    if (input) {
        h->dwBytesRecorded = static_cast<DWORD>(offset_);
    }
    offset_ = 0;
    StoreFlags(h, (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE);
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
    if (offset_ > 0) {
        CompleteFront();
    }
}

std::size_t Port::Fill(const std::uint8_t* data, std::size_t size)
{
    std::size_t taken = 0;
    while (taken < size && !queue_.empty()) {
        WAVEHDR* h = queue_.front();
        const std::size_t room = h->dwBufferLength - offset_;
        const std::size_t n = room < size - taken ? room : size - taken;
        std::memcpy(h->lpData + offset_, data + taken, n);
        offset_ += n;
        taken += n;
        if (offset_ >= h->dwBufferLength) {
            CompleteFront();
        }
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
    if (queue_.empty()) {
        return;
    }
    offset_ += frames * format.nBlockAlign;
    if (FrontFrames() == 0) {
        CompleteFront();
    }
}
}
