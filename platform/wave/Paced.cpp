// The paced pump: time is measured on the clock in force; a switch of clocks counts as no time at all.
#include "platform/wave/Paced.h"

#include <chrono>
#include <pthread.h>

#include "platform/kernel/Clock.h"

namespace platform::wave {
PacedBackend::PacedBackend(std::shared_ptr<Port> port) : port_(std::move(port))
{
    last_ = NowMilliseconds();
    lastManual_ = IsManualClock();
}

PacedBackend::~PacedBackend() { Close(); }

void PacedBackend::Launch()
{
    std::weak_ptr<PacedBackend> weak = shared_from_this();
    listener_ = AddClockListener([weak] {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        std::unique_lock lock(self->port_->mutex);
        if (self->quit_) {
            return;
        }
        if (IsManualClock()) {
            self->PumpLocked(lock);
        } else {
            self->wake_.notify_all();
        }
    });
    thread_ = std::thread([this] {
        // Named so a look at the process (top -H, /proc) tells the device threads apart.
        pthread_setname_np(pthread_self(), port_->input ? "paced-in" : "paced-out");
        std::unique_lock lock(port_->mutex);
        while (!quit_) {
            // A manual clock pumps from its listener; this thread waits for a switch back.
            const std::uint64_t next = IsManualClock() ? kIdle : PumpLocked(lock);
            if (quit_) {
                break;
            }
            if (next == kIdle) {
                wake_.wait(lock);
            } else {
                wake_.wait_for(lock, std::chrono::milliseconds(next));
            }
        }
    });
}

void PacedBackend::Close()
{
    {
        std::lock_guard lock(port_->mutex);
        if (quit_ && !thread_.joinable()) {
            return;
        }
        quit_ = true;
    }
    if (listener_) {
        RemoveClockListener(listener_);
        listener_ = 0;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

void PacedBackend::Rebase()
{
    last_ = NowMilliseconds();
    lastManual_ = IsManualClock();
}

std::uint64_t PacedBackend::MsUntil(std::uint64_t frames, std::uint64_t rate, std::uint64_t elapsedMs)
{
    const std::uint64_t at = rate ? (frames * 1000 + rate - 1) / rate : 0;
    // At least a millisecond: a clock read just before its tick must not spin.
    return at > elapsedMs ? at - elapsedMs : 1;
}

std::uint64_t PacedBackend::PumpLocked(std::unique_lock<std::mutex>& lock)
{
    const bool manual = IsManualClock();
    const std::uint64_t now = NowMilliseconds();
    const std::uint64_t elapsed = (manual == lastManual_ && now >= last_) ? now - last_ : 0;
    last_ = now;
    lastManual_ = manual;
    return Pump(lock, elapsed);
}
}
