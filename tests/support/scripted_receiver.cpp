#include "tests/support/scripted_receiver.h"

#include "protocol/command_frame.h"

namespace testing_support {

ScriptedReceiver::ScriptedReceiver(FakeSerial& line, VirtualClock& clock, ReceiverOptions options)
    : line_(line), options_(options) {
    line.onWrite = [this](FakeSerial& l, const WrittenFrame& w) { OnFrame(l, w.bytes); };
    clock.onSleep = [this](uint32_t) { OnPoll(); };
}

void ScriptedReceiver::OnPoll() {
    // The new boot loader's writer starts asking once the line runs at 115200.
    if (phase == BootWait && line_.IsOpen() && line_.line.baudRate == 115200 && !bootAsked_) {
        bootAsked_ = true;
        phase = Boot;
        line_.Deliver(BootRequest(nextPacket_));
    }
}

void ScriptedReceiver::OnFrame(FakeSerial& line, const Bytes& f) {
    const bool command = f.size() >= 9 && f[0] == 0x24 && f[1] == 0x24 && f[2] == 'S';
    if (command && f[3] == 'I') {
        line.Deliver(InfoReply(options_.identity));
        return;
    }
    if (command && f[3] == 'S') {
        if (phase == Info) phase = Tovrin;
        if (phase == Boot || phase == BootWait) phase = Firmware;
        int& early = phase == Tovrin ? options_.earlyCompleteStage1 : options_.earlyCompleteStage3;
        (phase == Tovrin ? tovrinAttempts : firmwareAttempts)++;
        (phase == Tovrin ? tovrin : firmware).clear();
        if (early > 0) {
            --early;
            line.Deliver(Frame('S', 'C', {}));
            return;
        }
        line.Deliver(Frame('S', 'S', {'1', '6', options_.speedAnswer}));
        return;
    }
    if (command && f[3] == 'X' && f.size() == 142) {
        Bytes& image = phase == Tovrin ? tovrin : firmware;
        image.insert(image.end(), f.begin() + 11, f.begin() + 139);
        line.Deliver(Frame('S', 'X', {}));
        return;
    }
    if (command && f[3] == 'C') {
        if (phase == Tovrin) phase = BootWait;
        else if (phase == Firmware) phase = Done;
        return;
    }
    if (f.size() == 268 && f[0] == 0xAA && f[1] == 'Q' && f[2] == 'M' && f[3] == 0x03) {
        const unsigned number = f[4] | f[5] << 8;
        const unsigned count = f[6] | f[7] << 8;
        const size_t at = (number - 1) * 256u;
        if (boot.size() < at + count) boot.resize(at + count);
        std::copy(f.begin() + 8, f.begin() + 8 + count, boot.begin() + static_cast<long>(at));
        ++bootPackets;
        if (options_.bootSilentAfter >= 0 && static_cast<int>(number) >= options_.bootSilentAfter) return;
        if (count == 256) {
            nextPacket_ = static_cast<uint16_t>(number + 1);
            line.Deliver(BootRequest(nextPacket_));
        }
        return;
    }
    if (f.size() == 9 && f[0] == 0xAA && f[1] == 'M' && f[2] == 'Q') line.Deliver(BootDone());
}

}  // namespace testing_support
