// The one serial channel to the receiver: open at 9600 8N1, switch speed, write
// whole frames and wait for them, and take only what the driver already holds.
#pragma once

#include <cstdint>

#include "fw/clock.h"
#include "fw/main_view.h"
#include "fw/stop_signal.h"
#include "serial/serial_backend.h"

namespace serial {

constexpr uint32_t kQueueBytes = 4096;
constexpr SerialTimeouts kPortTimeouts = {50, 0, 5000, 0, 5000};

class CSerialPort {
public:
    CSerialPort(ISerialBackend& backend, fw::IClock& clock, fw::IMainView& boxes, fw::StopSignal& stop)
        : backend_(backend), clock_(clock), boxes_(boxes), stop_(stop) {}

    int OpenPort(int portNumber);
    void SetBaudRate(uint32_t baudRate);
    uint32_t WriteData(const uint8_t* data, uint32_t length);
    uint32_t WaitWriteComplete(uint32_t written);
    int ReadAvailable(uint8_t* buffer, int size);
    void ClosePort();
    bool IsOpen() const { return backend_.IsOpen(); }

private:
    void Pause(uint32_t ms);
    bool ApplyLine(uint32_t baudRate);

    ISerialBackend& backend_;
    fw::IClock& clock_;
    fw::IMainView& boxes_;
    fw::StopSignal& stop_;
    bool writePending_ = false;
};

}  // namespace serial
