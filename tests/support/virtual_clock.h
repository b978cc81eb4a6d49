// A clock in virtual time: pauses advance it at once, so a 30-second time-out
// or a whole update takes milliseconds. A stop request cuts a pause short.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "fw/clock.h"
#include "fw/stop_signal.h"

namespace testing_support {

class VirtualClock : public fw::IClock {
public:
    explicit VirtualClock(fw::StopSignal& stop, uint32_t start = 100000) : stop_(stop), now_(start) {}

    uint32_t GetTickCount() override { return now_.load(); }
    bool Sleep(uint32_t ms) override {
        if (stop_.IsRequested()) return false;
        if (onSleep) onSleep(ms);
        now_.fetch_add(ms);
        sleeps_.fetch_add(1);
        // When the worker runs on its own thread, give the test's thread a turn.
        if (yieldOnSleep) std::this_thread::sleep_for(std::chrono::microseconds(200));
        return !stop_.IsRequested();
    }
    void Set(uint32_t tick) { now_.store(tick); }
    uint64_t Sleeps() const { return sleeps_.load(); }

    std::function<void(uint32_t)> onSleep;
    bool yieldOnSleep = false;

private:
    fw::StopSignal& stop_;
    std::atomic<uint32_t> now_;
    std::atomic<uint64_t> sleeps_{0};
};

}  // namespace testing_support
