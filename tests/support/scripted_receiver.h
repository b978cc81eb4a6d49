// A receiver that plays all four stages on the in-memory device: it answers the
// information request, the start command and every data frame, asks for boot
// packets by number once the line is at 115200 baud, and keeps what it got.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/fake_serial.h"
#include "tests/support/receiver_frames.h"
#include "tests/support/virtual_clock.h"

namespace testing_support {

struct ReceiverOptions {
    Identity identity;
    uint8_t speedAnswer = 'S';      // offset 8 of the "$$SS" answer: 'S' 115200, a digit 9600
    int earlyCompleteStage1 = 0;    // attempts of stage 1 answered at once with "$$SC"
    int earlyCompleteStage3 = 0;    // the same in stage 3
    int bootSilentAfter = -1;       // stop asking for boot packets after this one
};

class ScriptedReceiver {
public:
    enum Phase { Info, Tovrin, BootWait, Boot, Firmware, Done };

    ScriptedReceiver(FakeSerial& line, VirtualClock& clock, ReceiverOptions options = {});

    Phase phase = Info;
    Bytes tovrin;    // image bytes of the "$$SX" frames, padding included
    Bytes firmware;
    Bytes boot;      // reassembled from the packets
    int tovrinAttempts = 0;
    int firmwareAttempts = 0;
    int bootPackets = 0;

private:
    void OnFrame(FakeSerial& line, const Bytes& frame);
    void OnPoll();

    FakeSerial& line_;
    ReceiverOptions options_;
    bool bootAsked_ = false;
    uint16_t nextPacket_ = 1;
};

}  // namespace testing_support
