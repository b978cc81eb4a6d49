// The serial channel's platform calls over the Win32 comm API with overlapped
// I/O. Waits also end on the worker's stop event; nothing stays in flight.
#pragma once

#include <windows.h>

#include "serial/serial_backend.h"

namespace serial {

class Win32SerialBackend : public ISerialBackend {
public:
    // `stopEvent` may be null: waits then end only by their own time-outs.
    explicit Win32SerialBackend(HANDLE stopEvent) : stopEvent_(stopEvent) {}
    ~Win32SerialBackend() override { Close(); }

    bool Open(int portNumber) override;
    bool IsOpen() const override { return handle_ != nullptr; }
    void SetupQueues(uint32_t inputBytes, uint32_t outputBytes) override;
    void SetTimeouts(const SerialTimeouts& timeouts) override;
    bool GetLineSettings(LineSettings* settings) override;
    bool SetLineSettings(const LineSettings& settings) override;
    bool PrepareIo() override;
    bool Purge(uint32_t flags) override;
    bool ClearError(CommStatus* status) override;
    IoStart StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) override;
    IoWait WaitWrite(uint32_t* written) override;
    IoStart StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) override;
    IoWait FinishRead(uint32_t timeoutMs, uint32_t* received) override;
    bool Close() override;

private:
    IoWait Wait(OVERLAPPED* io, DWORD timeoutMs, uint32_t* transferred);
    void ReleaseEvents();

    HANDLE stopEvent_;
    HANDLE handle_ = nullptr;
    OVERLAPPED write_{};
    OVERLAPPED read_{};
    DCB dcb_{};
};

}  // namespace serial
