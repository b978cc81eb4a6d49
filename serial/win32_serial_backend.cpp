#include "serial/win32_serial_backend.h"

#include <cwchar>

namespace serial {

bool Win32SerialBackend::Open(int portNumber) {
    if (handle_ != nullptr) return false;
    wchar_t name[32];
    std::swprintf(name, 32, L"\\\\.\\COM%d", portNumber);
    HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    return true;
}

void Win32SerialBackend::SetupQueues(uint32_t inputBytes, uint32_t outputBytes) {
    SetupComm(handle_, inputBytes, outputBytes);
}

void Win32SerialBackend::SetTimeouts(const SerialTimeouts& t) {
    COMMTIMEOUTS timeouts = {t.readInterval, t.readTotalMultiplier, t.readTotalConstant, t.writeTotalMultiplier,
                             t.writeTotalConstant};
    SetCommTimeouts(handle_, &timeouts);
}

bool Win32SerialBackend::GetLineSettings(LineSettings* settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (handle_ == nullptr || !GetCommState(handle_, &dcb)) return false;
    dcb_ = dcb;  // every other field goes back as the driver reported it
    settings->baudRate = dcb.BaudRate;
    settings->byteSize = dcb.ByteSize;
    settings->parity = dcb.Parity;
    settings->stopBits = dcb.StopBits;
    return true;
}

bool Win32SerialBackend::SetLineSettings(const LineSettings& settings) {
    if (handle_ == nullptr) return false;
    dcb_.BaudRate = settings.baudRate;
    dcb_.ByteSize = settings.byteSize;
    dcb_.Parity = settings.parity;
    dcb_.StopBits = settings.stopBits;
    return SetCommState(handle_, &dcb_) != FALSE;
}

bool Win32SerialBackend::PrepareIo() {
    ReleaseEvents();
    read_ = OVERLAPPED{};
    write_ = OVERLAPPED{};
    read_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    write_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return read_.hEvent != nullptr && write_.hEvent != nullptr;
}

bool Win32SerialBackend::Purge(uint32_t flags) { return handle_ != nullptr && PurgeComm(handle_, flags); }

bool Win32SerialBackend::ClearError(CommStatus* status) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (handle_ == nullptr || !ClearCommError(handle_, &errors, &stat)) return false;
    if (status != nullptr) {
        status->errors = errors;
        status->inQueue = stat.cbInQue;
    }
    return true;
}

IoStart Win32SerialBackend::StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) {
    DWORD n = 0;
    if (WriteFile(handle_, data, length, &n, &write_)) {
        *written = n;
        return IoStart::Completed;
    }
    *written = n;
    return GetLastError() == ERROR_IO_PENDING ? IoStart::Pending : IoStart::Failed;
}

IoWait Win32SerialBackend::Wait(OVERLAPPED* io, DWORD timeoutMs, uint32_t* transferred) {
    HANDLE handles[2] = {io->hEvent, stopEvent_};
    const DWORD count = stopEvent_ != nullptr ? 2 : 1;
    for (;;) {
        const DWORD r = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
        DWORD n = 0;
        if (r == WAIT_OBJECT_0) {
            if (GetOverlappedResult(handle_, io, &n, FALSE)) {
                *transferred = n;
                return IoWait::Completed;
            }
            if (GetLastError() == ERROR_IO_INCOMPLETE) continue;
            *transferred = n;
            return IoWait::Failed;
        }
        // Stopped or timed out: cancel, and wait for the cancel so that the
        // system no longer writes into the caller's buffer.
        CancelIoEx(handle_, io);
        const BOOL ok = GetOverlappedResult(handle_, io, &n, TRUE);
        *transferred = n;
        if (r == WAIT_OBJECT_0 + 1) return IoWait::Stopped;
        return ok ? IoWait::Completed : IoWait::Failed;
    }
}

IoWait Win32SerialBackend::WaitWrite(uint32_t* written) { return Wait(&write_, INFINITE, written); }

IoStart Win32SerialBackend::StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) {
    DWORD n = 0;
    if (ReadFile(handle_, buffer, length, &n, &read_)) {
        *received = n;
        return IoStart::Completed;
    }
    *received = 0;
    return GetLastError() == ERROR_IO_PENDING ? IoStart::Pending : IoStart::Failed;
}

IoWait Win32SerialBackend::FinishRead(uint32_t timeoutMs, uint32_t* received) {
    return Wait(&read_, timeoutMs, received);
}

void Win32SerialBackend::ReleaseEvents() {
    if (read_.hEvent != nullptr) CloseHandle(read_.hEvent);
    if (write_.hEvent != nullptr) CloseHandle(write_.hEvent);
    read_.hEvent = nullptr;
    write_.hEvent = nullptr;
}

bool Win32SerialBackend::Close() {
    if (handle_ == nullptr) return false;
    if (!CloseHandle(handle_)) return false;
    handle_ = nullptr;
    ReleaseEvents();
    return true;
}

}  // namespace serial
