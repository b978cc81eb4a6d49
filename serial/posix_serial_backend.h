// The serial channel's platform calls over POSIX termios, for pseudo-terminals
// and real ports on Linux. Port numbers map to device paths through `pathOf`.
#pragma once

#include <functional>
#include <string>

#include "serial/serial_backend.h"

namespace serial {

class PosixSerialBackend : public ISerialBackend {
public:
    explicit PosixSerialBackend(std::function<std::string(int)> pathOf) : pathOf_(std::move(pathOf)) {}
    ~PosixSerialBackend() override { Close(); }

    bool Open(int portNumber) override;
    bool IsOpen() const override { return fd_ >= 0; }
    void SetupQueues(uint32_t, uint32_t) override {}
    void SetTimeouts(const SerialTimeouts& timeouts) override { timeouts_ = timeouts; }
    bool GetLineSettings(LineSettings* settings) override;
    bool SetLineSettings(const LineSettings& settings) override;
    bool PrepareIo() override { return IsOpen(); }
    bool Purge(uint32_t flags) override;
    bool ClearError(CommStatus* status) override;
    IoStart StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) override;
    IoWait WaitWrite(uint32_t* written) override;
    IoStart StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) override;
    IoWait FinishRead(uint32_t timeoutMs, uint32_t* received) override;
    bool Close() override;

private:
    std::function<std::string(int)> pathOf_;
    int fd_ = -1;
    SerialTimeouts timeouts_{};
};

}  // namespace serial
