#pragma once
// Internal to platform/wave: a backend that moves samples at real-time pace
// on the layer's clock. Under the system clock its own thread pumps it; under a
// manual clock it pumps inside AdvanceClock, so a test that advances the clock
// finds the finished headers' messages already queued and never sleeps.
#include <condition_variable>
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
    // Port mutex held; elapsedMs = clock time since the previous pump (0 across a clock switch).
    virtual void Pump(std::uint64_t elapsedMs) = 0;
    // Port mutex held: time up to now no longer counts.
    void Rebase();

    std::shared_ptr<Port> port_;

private:
    void PumpLocked();

    std::thread thread_;
    std::condition_variable wake_;
    bool quit_ = false;
    int listener_ = 0;
    std::uint64_t last_ = 0;
    bool lastManual_ = false;
};
}
