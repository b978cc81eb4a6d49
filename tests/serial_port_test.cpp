// The serial channel over the in-memory device: settings, reads, writes, close.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/fixture.h"

using namespace testing_support;
using serial::CSerialPort;

namespace {

struct PortRig {
    fw::StopSignal stop;
    VirtualClock clock{stop};
    FakeSerial device{clock};
    HeadlessDialog boxes{stop};
    CSerialPort port{device, clock, boxes, stop};
};

}  // namespace

TEST(SerialPort, OpensAt9600EightNoneOneWithQueuesTimeoutsAndPurge) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    EXPECT_TRUE(rig.port.IsOpen());
    EXPECT_EQ(rig.device.line.baudRate, 9600u);
    EXPECT_EQ(rig.device.line.byteSize, 8);
    EXPECT_EQ(rig.device.line.parity, serial::kNoParity);
    EXPECT_EQ(rig.device.line.stopBits, serial::kOneStopBit);
    EXPECT_EQ(rig.device.queues_, std::make_pair(4096u, 4096u));
    EXPECT_EQ(rig.device.timeouts_.readInterval, 50u);
    EXPECT_EQ(rig.device.timeouts_.readTotalMultiplier, 0u);
    EXPECT_EQ(rig.device.timeouts_.readTotalConstant, 5000u);
    EXPECT_EQ(rig.device.timeouts_.writeTotalMultiplier, 0u);
    EXPECT_EQ(rig.device.timeouts_.writeTotalConstant, 5000u);
    ASSERT_FALSE(rig.device.purges.empty());
    EXPECT_EQ(rig.device.purges.back(), 0x000Fu);
}

TEST(SerialPort, FailedOpensLeaveThePortClosedAfterTheClosePause) {
    struct Case {
        const char* name;
        int port;
        bool refuse;
        bool failGet;
    };
    const Case cases[] = {{"no such port", 7, false, false},
                          {"port 0", 0, false, false},
                          {"settings refused", 1, true, false},
                          {"settings unreadable", 1, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortRig rig;
        rig.device.refuseSettings = c.refuse;
        rig.device.failGetSettings = c.failGet;
        const uint32_t before = rig.clock.GetTickCount();
        EXPECT_EQ(rig.port.OpenPort(c.port), 0);
        EXPECT_FALSE(rig.port.IsOpen());
        EXPECT_EQ(rig.clock.GetTickCount() - before, 100u);
        EXPECT_TRUE(rig.boxes.Boxes().empty());
    }
}

TEST(SerialPort, ReadTakesOnlyWhatIsWaitingAndLeavesTheRestQueued) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    uint8_t buffer[256];
    std::memset(buffer, 0x77, sizeof buffer);
    uint32_t before = rig.clock.GetTickCount();
    EXPECT_EQ(rig.port.ReadAvailable(buffer, 256), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(rig.clock.GetTickCount() - before, 10u);

    Bytes waiting(300);
    for (size_t i = 0; i < waiting.size(); ++i) waiting[i] = static_cast<uint8_t>(i + 1);
    rig.device.Deliver(waiting);
    EXPECT_EQ(rig.port.ReadAvailable(buffer, 256), 255);
    EXPECT_EQ(buffer[254], static_cast<uint8_t>(255));
    EXPECT_EQ(buffer[255], 0);
    EXPECT_EQ(rig.port.ReadAvailable(buffer, 256), 45);
    EXPECT_EQ(buffer[0], static_cast<uint8_t>(256));
    EXPECT_EQ(buffer[45], 0);
}

TEST(SerialPort, ReadsThatGoPendingStillDeliverTheirBytes) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    rig.device.readsGoPending = true;
    rig.device.Deliver({1, 2, 3, 4, 5});
    uint8_t buffer[100] = {};
    EXPECT_EQ(rig.port.ReadAvailable(buffer, 100), 5);
    EXPECT_EQ(buffer[4], 5);
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(rig.device.InputWaiting(), 0u);
}

TEST(SerialPort, LineErrorDiscardsEverythingReceived) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    rig.device.Deliver({0x24, 0x24, 0x53});
    rig.device.pendingLineErrors = serial::kErrFrame;
    uint8_t buffer[256];
    EXPECT_EQ(rig.port.ReadAvailable(buffer, 256), 0);
    EXPECT_EQ(rig.device.purges.back(), 0x000Au);
    EXPECT_EQ(rig.device.InputWaiting(), 0u);
    EXPECT_EQ(rig.port.ReadAvailable(buffer, 256), 0);
}

TEST(SerialPort, SpeedChangeDiscardsQueuesAndKeeps8N1) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    rig.device.Deliver({9, 9, 9});
    rig.port.SetBaudRate(115200);
    EXPECT_EQ(rig.device.line.baudRate, 115200u);
    EXPECT_EQ(rig.device.line.byteSize, 8);
    EXPECT_EQ(rig.device.purges.back(), 0x000Fu);
    EXPECT_EQ(rig.device.InputWaiting(), 0u);
    EXPECT_TRUE(rig.boxes.Boxes().empty());
}

TEST(SerialPort, RefusedSpeedChangeShowsTheUnownedWarning) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    rig.device.refuseSettings = true;
    rig.port.SetBaudRate(115200);
    ASSERT_EQ(rig.boxes.Boxes().size(), 1u);
    const BoxRecord box = rig.boxes.Boxes()[0];
    EXPECT_EQ(box.text, L"WARNING:  SetCommState() Failed ");
    EXPECT_EQ(box.caption, L"Application Error");
    EXPECT_EQ(box.style, 0x10u);
    EXPECT_FALSE(box.owned);
    EXPECT_EQ(rig.device.line.baudRate, 9600u);

    rig.device.failGetSettings = true;
    rig.port.SetBaudRate(9600);
    EXPECT_EQ(rig.boxes.Boxes().size(), 1u);  // unreadable settings: nothing at all
}

TEST(SerialPort, WritesReturnTheirCountOrZeroOnFailure) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    const uint8_t frame[4] = {1, 2, 3, 4};
    EXPECT_EQ(rig.port.WriteData(frame, 4), 4u);
    rig.device.writesGoPending = true;
    EXPECT_EQ(rig.port.WriteData(frame, 3), 3u);
    rig.device.writesFail = true;
    EXPECT_EQ(rig.port.WriteData(frame, 4), 0u);
    ASSERT_EQ(rig.device.Written().size(), 2u);
}

TEST(SerialPort, CloseOnAClosedPortOnlyPauses) {
    PortRig rig;
    const uint32_t before = rig.clock.GetTickCount();
    rig.port.ClosePort();
    EXPECT_EQ(rig.clock.GetTickCount() - before, 100u);
    EXPECT_EQ(rig.device.closes, 0);
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    rig.port.ClosePort();
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(rig.device.closes, 1);
    EXPECT_EQ(rig.port.OpenPort(1), 1);  // released, so it opens again
}

TEST(SerialPort, StopRequestEndsAWaitingRead) {
    PortRig rig;
    ASSERT_EQ(rig.port.OpenPort(1), 1);
    rig.stop.Request();
    uint8_t buffer[16];
    EXPECT_THROW(rig.port.ReadAvailable(buffer, 16), fw::WorkerStopped);
}
