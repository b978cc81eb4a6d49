#include "tests/support/fake_serial.h"

#include <algorithm>

namespace testing_support {

bool FakeSerial::Open(int portNumber) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_ || portNumber != existingPort) return false;
    open_ = true;
    openedPort = portNumber;
    return true;
}

bool FakeSerial::GetLineSettings(serial::LineSettings* s) {
    if (!open_ || failGetSettings) return false;
    *s = line;
    return true;
}

bool FakeSerial::SetLineSettings(const serial::LineSettings& s) {
    if (!open_ || refuseSettings) return false;
    line = s;
    return true;
}

bool FakeSerial::Purge(uint32_t flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    purges.push_back(flags);
    if (flags & serial::kPurgeRxClear) input_.clear();
    return true;
}

bool FakeSerial::ClearError(serial::CommStatus* status) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    if (status != nullptr) {
        status->errors = pendingLineErrors;
        status->inQueue = static_cast<uint32_t>(input_.size());
    }
    pendingLineErrors = 0;
    return true;
}

serial::IoStart FakeSerial::StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) {
    WrittenFrame frame;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_ || writesFail) {
            *written = 0;
            return serial::IoStart::Failed;
        }
        frame = WrittenFrame{Bytes(data, data + length), line.baudRate, clock_.GetTickCount()};
        written_.push_back(frame);
    }
    if (onWrite) onWrite(*this, frame);
    if (writesGoPending) {
        pendingWriteCount_ = length;
        *written = 0;
        return serial::IoStart::Pending;
    }
    *written = length;
    return serial::IoStart::Completed;
}

serial::IoWait FakeSerial::WaitWrite(uint32_t* written) {
    *written = pendingWriteCount_;
    return serial::IoWait::Completed;
}

serial::IoStart FakeSerial::StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return serial::IoStart::Failed;
    if (readsGoPending) {
        pendingReadBuffer_ = buffer;
        pendingReadLength_ = length;
        *received = 0;
        return serial::IoStart::Pending;
    }
    const uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(input_.size()));
    std::copy_n(input_.begin(), n, buffer);
    input_.erase(input_.begin(), input_.begin() + n);
    *received = n;
    return serial::IoStart::Completed;
}

serial::IoWait FakeSerial::FinishRead(uint32_t, uint32_t* received) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t n = std::min<uint32_t>(pendingReadLength_, static_cast<uint32_t>(input_.size()));
    std::copy_n(input_.begin(), n, pendingReadBuffer_);
    input_.erase(input_.begin(), input_.begin() + n);
    pendingReadBuffer_ = nullptr;
    *received = n;
    return serial::IoWait::Completed;
}

bool FakeSerial::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    open_ = false;
    ++closes;
    return true;
}

void FakeSerial::Deliver(const Bytes& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

std::vector<WrittenFrame> FakeSerial::Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

size_t FakeSerial::InputWaiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return input_.size();
}

void FakeSerial::ClearWritten() {
    std::lock_guard<std::mutex> lock(mutex_);
    written_.clear();
}

}  // namespace testing_support
