// An in-memory serial device for the unit tests. It records every write with
// the line speed and virtual time at which it went out, holds an input queue,
// and lets a scripted receiver answer the frames it is sent.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "fw/clock.h"
#include "serial/serial_backend.h"

namespace testing_support {

using Bytes = std::vector<uint8_t>;

struct WrittenFrame {
    Bytes bytes;
    uint32_t baud;
    uint32_t tick;
};

class FakeSerial : public serial::ISerialBackend {
public:
    explicit FakeSerial(fw::IClock& clock) : clock_(clock) {}

    // --- the device ---
    bool Open(int portNumber) override;
    bool IsOpen() const override { return open_; }
    void SetupQueues(uint32_t in, uint32_t out) override { queues_ = {in, out}; }
    void SetTimeouts(const serial::SerialTimeouts& t) override { timeouts_ = t; }
    bool GetLineSettings(serial::LineSettings* s) override;
    bool SetLineSettings(const serial::LineSettings& s) override;
    bool PrepareIo() override { return open_; }
    bool Purge(uint32_t flags) override;
    bool ClearError(serial::CommStatus* status) override;
    serial::IoStart StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) override;
    serial::IoWait WaitWrite(uint32_t* written) override;
    serial::IoStart StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) override;
    serial::IoWait FinishRead(uint32_t timeoutMs, uint32_t* received) override;
    bool Close() override;

    // --- the test's side ---
    // Bytes that arrive from the receiver, all at once.
    void Deliver(const Bytes& bytes);
    // Called for every frame written, after it is recorded.
    std::function<void(FakeSerial&, const WrittenFrame&)> onWrite;

    std::vector<WrittenFrame> Written() const;
    size_t InputWaiting() const;
    void ClearWritten();

    int existingPort = 1;          // the only port number that opens
    bool refuseSettings = false;   // SetLineSettings fails
    bool failGetSettings = false;  // GetLineSettings fails
    uint32_t pendingLineErrors = 0;
    bool readsGoPending = false;   // reads go pending, as under Wine
    bool writesGoPending = false;
    bool writesFail = false;
    serial::LineSettings line{1200, 7, 2, 1};  // what the "driver" holds
    int openedPort = -1;
    int closes = 0;
    std::vector<uint32_t> purges;
    serial::SerialTimeouts timeouts_{};
    std::pair<uint32_t, uint32_t> queues_{0, 0};

private:
    fw::IClock& clock_;
    mutable std::mutex mutex_;
    bool open_ = false;
    std::deque<uint8_t> input_;
    std::vector<WrittenFrame> written_;
    uint8_t* pendingReadBuffer_ = nullptr;
    uint32_t pendingReadLength_ = 0;
    uint32_t pendingWriteCount_ = 0;
};

}  // namespace testing_support
