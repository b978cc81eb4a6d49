// The platform calls that the serial channel is built on, one operation per
// Win32 comm call it stands for. Backends: Win32 comm API, POSIX termios, and an
// in-memory fake for tests.
#pragma once

#include <cstdint>

namespace serial {

// PurgeComm flags.
constexpr uint32_t kPurgeTxAbort = 0x0001;
constexpr uint32_t kPurgeRxAbort = 0x0002;
constexpr uint32_t kPurgeTxClear = 0x0004;
constexpr uint32_t kPurgeRxClear = 0x0008;
constexpr uint32_t kPurgeAll = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;
constexpr uint32_t kPurgeInput = kPurgeRxAbort | kPurgeRxClear;

// ClearCommError flags (any of them counts as a line error).
constexpr uint32_t kErrRxOver = 0x0001;
constexpr uint32_t kErrOverrun = 0x0002;
constexpr uint32_t kErrParity = 0x0004;
constexpr uint32_t kErrFrame = 0x0008;
constexpr uint32_t kErrBreak = 0x0010;

constexpr uint8_t kNoParity = 0;
constexpr uint8_t kOneStopBit = 0;

struct SerialTimeouts {
    uint32_t readInterval;
    uint32_t readTotalMultiplier;
    uint32_t readTotalConstant;
    uint32_t writeTotalMultiplier;
    uint32_t writeTotalConstant;
};

// The four line settings the channel sets. A backend keeps every other setting
// (flow control, special characters) as the driver reported it at the last read.
struct LineSettings {
    uint32_t baudRate = 0;
    uint8_t byteSize = 0;
    uint8_t parity = 0;
    uint8_t stopBits = 0;
};

struct CommStatus {
    uint32_t errors = 0;
    uint32_t inQueue = 0;
};

enum class IoStart { Completed, Pending, Failed };
enum class IoWait { Completed, Failed, Stopped };

class ISerialBackend {
public:
    virtual ~ISerialBackend() = default;
    // CreateFileW on "\\.\COM<n>": exclusive, read and write, asynchronous I/O.
    virtual bool Open(int portNumber) = 0;
    virtual bool IsOpen() const = 0;
    virtual void SetupQueues(uint32_t inputBytes, uint32_t outputBytes) = 0;
    virtual void SetTimeouts(const SerialTimeouts& timeouts) = 0;
    virtual bool GetLineSettings(LineSettings* settings) = 0;
    virtual bool SetLineSettings(const LineSettings& settings) = 0;
    // Creates what asynchronous reads and writes need (the two events).
    virtual bool PrepareIo() = 0;
    virtual bool Purge(uint32_t flags) = 0;
    // Reports and clears the line-error flags and the count of bytes waiting.
    virtual bool ClearError(CommStatus* status) = 0;
    virtual IoStart StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) = 0;
    // Waits for the pending write (bounded by the write time-out of the driver);
    // a stop request cancels it and returns Stopped with nothing left in flight.
    virtual IoWait WaitWrite(uint32_t* written) = 0;
    virtual IoStart StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) = 0;
    // Waits at most `timeoutMs` for the pending read; if it is still not done,
    // cancels it and reports what it had received. Nothing stays in flight.
    virtual IoWait FinishRead(uint32_t timeoutMs, uint32_t* received) = 0;
    // Closes the device and releases everything PrepareIo made; true on success.
    virtual bool Close() = 0;
};

}  // namespace serial
