// The worker's stop request as a Win32 event, so that every wait can include it.
#pragma once

#include <windows.h>

#include "fw/clock.h"
#include "fw/stop_signal.h"

namespace fw {

class Win32StopSignal : public StopSignal {
public:
    Win32StopSignal() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Win32StopSignal() override {
        if (event_ != nullptr) CloseHandle(event_);
    }
    Win32StopSignal(const Win32StopSignal&) = delete;
    Win32StopSignal& operator=(const Win32StopSignal&) = delete;

    void Request() override {
        StopSignal::Request();
        SetEvent(event_);
    }
    void Clear() override {
        StopSignal::Clear();
        ResetEvent(event_);
    }
    HANDLE Event() const { return event_; }

private:
    HANDLE event_;
};

// GetTickCount, and Sleep as a wait on the stop event.
class Win32Clock : public IClock {
public:
    explicit Win32Clock(Win32StopSignal& stop) : stop_(stop) {}
    uint32_t GetTickCount() override { return ::GetTickCount(); }
    bool Sleep(uint32_t ms) override {
        if (stop_.IsRequested()) return false;
        return WaitForSingleObject(stop_.Event(), ms) == WAIT_TIMEOUT;
    }

private:
    Win32StopSignal& stop_;
};

}  // namespace fw
