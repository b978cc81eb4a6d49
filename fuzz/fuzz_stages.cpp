// Each stage as a whole against a receiver whose every reply, and how it is
// split over reads, comes from the fuzzer's input. The first byte picks the
// stage (0 to 3); then, per poll, one byte says how many bytes arrive and the
// bytes follow. When the input is used up the run is stopped: the stage must
// have finished or still be polling, and every frame it wrote must be
// well-formed.
#include <cstring>

#include "protocol/command_frame.h"
#include "tests/support/fixture.h"

namespace {

using testing_support::Bytes;

bool WellFormed(const Bytes& f) {
    static const Bytes kStart = {0x24, 0x24, 0x53, 0x53, 0x18, 0x02, 0x31, 0x36, 0x1D, 0x0D, 0x0A};
    static const Bytes kEnd = {0x24, 0x24, 0x53, 0x43, 0x18, 0x00, 0x08, 0x0D, 0x0A};
    static const Bytes kBootEnd = {0xAA, 0x4D, 0x51, 0x04, 0x00, 0x00, 0xBB, 0x5A, 0x4F};
    static const Bytes kInfo(protocol::InfoRequestFrame, protocol::InfoRequestFrame + 9);
    if (f == kStart || f == kEnd || f == kBootEnd || f == kInfo) return true;
    if (f.size() == 142) {
        static const Bytes head = {0x24, 0x24, 'S', 'X', 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x80};
        return std::equal(head.begin(), head.end(), f.begin()) && f[139] == protocol::XorBytes(f.data() + 2, 137) &&
               f[140] == 0x0D && f[141] == 0x0A;
    }
    if (f.size() == 268) {
        const unsigned count = f[6] | f[7] << 8;
        if (f[0] != 0xAA || f[1] != 'Q' || f[2] != 'M' || f[3] != 0x03 || count > 256) return false;
        uint8_t x = 0;
        for (unsigned i = 0; i < count; ++i) x ^= f[8 + i];
        for (unsigned i = count; i < 256; ++i)
            if (f[8 + i] != 0) return false;
        return f[264] == x && f[265] == 0xBB && f[266] == 'Z' && f[267] == 'O';
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    testing_support::Program p;
    p.core.Port().OpenPort(1);
    const int stage = data[0] % 4;
    size_t at = 1;
    p.dialog.answer = [&](const testing_support::BoxRecord& box) {
        if (box.style == fw::kMbYesNoExclamation) return (at < size && data[at++] & 1) ? fw::kIdNo : fw::kIdYes;
        return fw::kIdOk;
    };
    // Each read pause delivers the next piece; the poll bound is the input's end.
    p.clock.onSleep = [&](uint32_t ms) {
        if (ms != 10) return;
        if (at >= size) {
            p.stop.Request();
            return;
        }
        const size_t n = data[at++];
        const size_t take = n < size - at ? n : size - at;
        p.serial.Deliver(Bytes(data + at, data + at + take));
        at += take;
    };
    p.core.SetUpdateStage(static_cast<uint32_t>(stage));
    try {
        switch (stage) {
            case 0: p.core.RequestInformation(); break;
            case 1: p.core.RunTovrinStage(); break;
            case 2: p.core.RunBootStage(); break;
            default: p.core.RunFirmwareStage(); break;
        }
    } catch (const fw::WorkerStopped&) {
        // Still polling when the input ran out.
    }
    const uint32_t after = p.core.GetUpdateStage();
    if (after != static_cast<uint32_t>(stage) && !(stage % 2 == 1 && after == static_cast<uint32_t>(stage - 1)))
        __builtin_trap();
    for (const auto& w : p.serial.Written())
        if (!WellFormed(w.bytes)) __builtin_trap();
    return 0;
}
