#include "serial/posix_serial_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace serial {

namespace {

struct Speed {
    uint32_t baud;
    speed_t code;
};
const Speed kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                         {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};

}  // namespace

bool PosixSerialBackend::Open(int portNumber) {
    if (fd_ >= 0) return false;
    const std::string path = pathOf_(portNumber);
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // Exclusive, as a Windows port is opened without sharing.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool PosixSerialBackend::GetLineSettings(LineSettings* settings) {
    termios t;
    if (fd_ < 0 || ::tcgetattr(fd_, &t) != 0) return false;
    const speed_t code = ::cfgetospeed(&t);
    settings->baudRate = 0;
    for (const Speed& s : kSpeeds)
        if (s.code == code) settings->baudRate = s.baud;
    switch (t.c_cflag & CSIZE) {
        case CS5: settings->byteSize = 5; break;
        case CS6: settings->byteSize = 6; break;
        case CS7: settings->byteSize = 7; break;
        default: settings->byteSize = 8; break;
    }
    settings->parity = (t.c_cflag & PARENB) ? ((t.c_cflag & PARODD) ? 1 : 2) : kNoParity;
    settings->stopBits = (t.c_cflag & CSTOPB) ? 2 : kOneStopBit;
    return true;
}

bool PosixSerialBackend::SetLineSettings(const LineSettings& settings) {
    termios t;
    if (fd_ < 0 || ::tcgetattr(fd_, &t) != 0) return false;
    speed_t code = 0;
    bool known = false;
    for (const Speed& s : kSpeeds)
        if (s.baud == settings.baudRate) {
            code = s.code;
            known = true;
        }
    if (!known || settings.byteSize != 8 || settings.parity != kNoParity || settings.stopBits != kOneStopBit)
        return false;
    ::cfsetispeed(&t, code);
    ::cfsetospeed(&t, code);
    t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | CSTOPB)) | CS8 | CREAD | CLOCAL;
    return ::tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool PosixSerialBackend::Purge(uint32_t flags) {
    if (fd_ < 0) return false;
    const bool in = flags & kPurgeRxClear, out = flags & kPurgeTxClear;
    if (in || out) return ::tcflush(fd_, in && out ? TCIOFLUSH : (in ? TCIFLUSH : TCOFLUSH)) == 0;
    return true;
}

bool PosixSerialBackend::ClearError(CommStatus* status) {
    if (fd_ < 0) return false;
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) return false;
    if (status != nullptr) {
        status->errors = 0;  // termios reports no line-error flags here
        status->inQueue = waiting > 0 ? static_cast<uint32_t>(waiting) : 0;
    }
    return true;
}

IoStart PosixSerialBackend::StartWrite(const uint8_t* data, uint32_t length, uint32_t* written) {
    *written = 0;
    if (fd_ < 0) return IoStart::Failed;
    // Written to the end here, bounded by the write time-out.
    int waitedMs = 0;
    while (*written < length) {
        const ssize_t n = ::write(fd_, data + *written, length - *written);
        if (n > 0) {
            *written += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return IoStart::Failed;
        if (static_cast<uint32_t>(waitedMs) >= timeouts_.writeTotalConstant) return IoStart::Failed;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 10);
        waitedMs += 10;
    }
    ::tcdrain(fd_);
    return IoStart::Completed;
}

IoWait PosixSerialBackend::WaitWrite(uint32_t* written) {
    *written = 0;
    return IoWait::Failed;  // writes never stay pending here
}

IoStart PosixSerialBackend::StartRead(uint8_t* buffer, uint32_t length, uint32_t* received) {
    *received = 0;
    if (fd_ < 0) return IoStart::Failed;
    const ssize_t n = ::read(fd_, buffer, length);
    if (n < 0) return (errno == EAGAIN || errno == EINTR) ? IoStart::Completed : IoStart::Failed;
    *received = static_cast<uint32_t>(n);
    return IoStart::Completed;
}

IoWait PosixSerialBackend::FinishRead(uint32_t, uint32_t* received) {
    *received = 0;
    return IoWait::Failed;  // reads never stay pending here
}

bool PosixSerialBackend::Close() {
    if (fd_ < 0) return false;
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
}

}  // namespace serial
