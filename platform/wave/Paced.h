#pragma once
// Internal to platform/wave: a backend that moves samples at real-time pace
// on the layer's clock. Under the system clock its own thread pumps it, waking
// only when the backend says the next buffer is due (or a hook changes that);
// under a manual clock it pumps inside AdvanceClock, so a test that advances
// the clock finds the finished headers' messages already queued and never sleeps.
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <thread>

#include "platform/wave/Device.h"

namespace platform::wave {
class PacedBackend : public Backend, public std::enable_shared_from_this<PacedBackend> {
public:
    explicit PacedBackend(std::shared_ptr<Port> port);
    ~PacedBackend() override;
    // Starts the thread and the clock listener; call once, right after construction.
    void Launch();
    void Close() override;

protected:
    // What Pump returns when nothing is due until a hook calls Wake.
    static constexpr std::uint64_t kIdle = std::numeric_limits<std::uint64_t>::max();

    // Port mutex held by `lock`, which the pump may release around work that can
    // take time (reading a file), so no caller of the port waits on it; hooks may
    // run meanwhile, and another pump may be called (it should then do nothing).
    // elapsedMs = clock time since the previous pump (0 across a clock switch).
    // Returns the milliseconds until the next pump is due, or kIdle.
    virtual std::uint64_t Pump(std::unique_lock<std::mutex>& lock, std::uint64_t elapsedMs) = 0;
    // Port mutex held: time up to now no longer counts.
    void Rebase();
    // Port mutex held: what is due changed (a start, a header queued); the thread pumps now.
    void Wake() { wake_.notify_all(); }

    // Milliseconds until `frames` frames at `rate` are due, `elapsedMs` of them gone.
    static std::uint64_t MsUntil(std::uint64_t frames, std::uint64_t rate, std::uint64_t elapsedMs);

    std::shared_ptr<Port> port_;

private:
    std::uint64_t PumpLocked(std::unique_lock<std::mutex>& lock);

    std::thread thread_;
    std::condition_variable wake_;
    bool quit_ = false;
    int listener_ = 0;
    std::uint64_t last_ = 0;
    bool lastManual_ = false;
};
}
