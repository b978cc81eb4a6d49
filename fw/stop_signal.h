// The worker's cancellation. Break and Exit request a stop; every wait of the
// worker (pauses, serial waits, message boxes, window calls) notices it, and the
// worker then unwinds with WorkerStopped to its thread entry, which ends it.
#pragma once

#include <atomic>

namespace fw {

struct WorkerStopped {};

class StopSignal {
public:
    virtual ~StopSignal() = default;
    virtual void Request() { requested_.store(true); }
    virtual void Clear() { requested_.store(false); }
    bool IsRequested() const { return requested_.load(); }
    void ThrowIfRequested() const {
        if (IsRequested()) throw WorkerStopped{};
    }

private:
    std::atomic<bool> requested_{false};
};

}  // namespace fw
