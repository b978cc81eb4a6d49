// The termios backend on a pseudo-terminal: speeds as the other side sees
// them, bytes both ways, exclusive open.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "protocol/command_frame.h"
#include "serial/posix_serial_backend.h"
#include "tests/support/fixture.h"
#include "tests/support/receiver_frames.h"

using namespace testing_support;

namespace {

class RealClock : public fw::IClock {
public:
    uint32_t GetTickCount() override { return now_; }
    bool Sleep(uint32_t ms) override {
        usleep(ms * 1000);
        now_ += ms;
        return true;
    }

private:
    uint32_t now_ = 0;
};

speed_t MasterSpeed(int master) {
    termios t;
    tcgetattr(master, &t);
    return cfgetospeed(&t);
}

}  // namespace

TEST(PosixSerial, CarriesFramesBothWaysAndSwitchesSpeedOnAPseudoTerminal) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw;
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    const std::string path = name;

    fw::StopSignal stop;
    RealClock clock;
    HeadlessDialog boxes(stop);
    serial::PosixSerialBackend backend([&](int n) { return n == 1 ? path : std::string(); });
    serial::CSerialPort port(backend, clock, boxes, stop);
    ASSERT_EQ(port.OpenPort(2), 0);
    ASSERT_EQ(port.OpenPort(1), 1);
    EXPECT_EQ(MasterSpeed(master), static_cast<speed_t>(B9600));

    serial::PosixSerialBackend other([&](int) { return path; });
    EXPECT_FALSE(other.Open(1)) << "the port is held exclusively";

    port.WriteData(protocol::InfoRequestFrame, 9);
    uint8_t got[16] = {};
    ssize_t n = 0;
    for (int i = 0; i < 100 && n < 9; ++i) {
        const ssize_t r = read(master, got + n, sizeof got - static_cast<size_t>(n));
        if (r > 0) n += r;
    }
    ASSERT_EQ(n, 9);
    EXPECT_EQ(Bytes(got, got + 9), Bytes(protocol::InfoRequestFrame, protocol::InfoRequestFrame + 9));

    const Bytes reply = InfoReply();
    ASSERT_EQ(write(master, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    uint8_t buffer[256];
    Bytes received;
    for (int i = 0; i < 50 && received.size() < reply.size(); ++i) {
        const int r = port.ReadAvailable(buffer, 256);
        received.insert(received.end(), buffer, buffer + r);
    }
    EXPECT_EQ(received, reply);

    port.SetBaudRate(115200);
    EXPECT_EQ(MasterSpeed(master), static_cast<speed_t>(B115200));
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(other.Open(1)) << "released at close";
    close(master);
    close(slave);
}
