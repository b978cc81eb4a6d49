#include "serial/serial_port.h"

#include <algorithm>

namespace serial {

void CSerialPort::Pause(uint32_t ms) {
    if (!clock_.Sleep(ms)) throw fw::WorkerStopped{};
}

bool CSerialPort::ApplyLine(uint32_t baudRate) {
    LineSettings line;
    if (!backend_.GetLineSettings(&line)) return false;
    line.baudRate = baudRate;
    line.byteSize = 8;
    line.parity = kNoParity;
    line.stopBits = kOneStopBit;
    return backend_.SetLineSettings(line);
}

int CSerialPort::OpenPort(int portNumber) {
    writePending_ = false;
    if (backend_.IsOpen()) backend_.Close();
    if (!backend_.Open(portNumber)) {
        ClosePort();
        return 0;
    }
    backend_.SetupQueues(kQueueBytes, kQueueBytes);
    backend_.SetTimeouts(kPortTimeouts);
    if (!ApplyLine(9600) || !backend_.PrepareIo()) {
        ClosePort();
        return 0;
    }
    backend_.Purge(kPurgeAll);
    return 1;
}

void CSerialPort::SetBaudRate(uint32_t baudRate) {
    LineSettings line;
    if (!backend_.GetLineSettings(&line)) return;
    backend_.Purge(kPurgeAll);
    line.baudRate = baudRate;
    line.byteSize = 8;
    line.parity = kNoParity;
    line.stopBits = kOneStopBit;
    if (!backend_.SetLineSettings(line)) {
        stop_.ThrowIfRequested();
        boxes_.ShowMessageBox(L"WARNING:  SetCommState() Failed ", L"Application Error", fw::kMbIconStop, false);
        stop_.ThrowIfRequested();
    }
}

uint32_t CSerialPort::WriteData(const uint8_t* data, uint32_t length) {
    uint32_t written = 0;
    IoStart start = backend_.StartWrite(data, length, &written);
    if (start == IoStart::Completed) return written;
    writePending_ = (start == IoStart::Pending);
    return WaitWriteComplete(written);
}

uint32_t CSerialPort::WaitWriteComplete(uint32_t written) {
    if (writePending_) {
        writePending_ = false;
        IoWait wait = backend_.WaitWrite(&written);
        if (wait == IoWait::Stopped) throw fw::WorkerStopped{};
        if (wait == IoWait::Failed) backend_.ClearError(nullptr);
        return written;
    }
    backend_.ClearError(nullptr);
    return 0;
}

int CSerialPort::ReadAvailable(uint8_t* buffer, int size) {
    if (buffer == nullptr || size < 1) return 0;
    buffer[0] = 0;
    if (size < 2) return 0;
    Pause(10);
    CommStatus status;
    if (!backend_.ClearError(&status)) return 0;
    if (status.errors != 0) {
        backend_.Purge(kPurgeInput);
        return 0;
    }
    if (status.inQueue == 0) return 0;
    const uint32_t wanted = std::min(static_cast<uint32_t>(size - 1), status.inQueue);
    uint32_t received = 0;
    switch (backend_.StartRead(buffer, wanted, &received)) {
        case IoStart::Completed:
            break;
        case IoStart::Pending:
            // The bytes were already counted as waiting, so the read ends soon;
            // it is never left running into the caller's buffer.
            if (backend_.FinishRead(kPortTimeouts.readTotalConstant, &received) == IoWait::Stopped)
                throw fw::WorkerStopped{};
            break;
        case IoStart::Failed:
            received = 0;
            backend_.ClearError(nullptr);
            break;
    }
    received = std::min(received, wanted);
    buffer[received] = 0;
    return static_cast<int>(received);
}

void CSerialPort::ClosePort() {
    backend_.Purge(kPurgeAll);
    Pause(100);
    backend_.Close();
}

}  // namespace serial
