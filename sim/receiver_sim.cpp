// A simulated receiver on a pseudo-terminal. It plays the receiver through the
// four stages of an update, verifies everything it is sent (each image byte for
// byte, the prepared boot image, the line speed at each step), prints a summary
// and exits 0 only when all of it was right.
//
//   receiver_sim [options]
//     --speed S|DIGIT        answer to "$$SS" at offset 8 ('S': 115200, a digit: 9600)
//     --type T --id I --date D --pn P --module N --baud N   the identity reported
//     --noise                a few noise bytes before every reply
//     --split-info           the first information reply comes in two parts
//     --bad-checksum         the first information reply has a bad checksum
//     --bad-module           the first information reply has Radio Module 0
//     --unrecognised K       the first K data frames of stage 3 get a reply no one knows
//     --silence-after N      stage 1 falls silent after N data frames, once
//     --early-sc             the first start command of stage 3 gets "$$SC"
//     --boot-order ORDER     ascending | shuffled | repeated | past-end
//     --no-end-answer        never answer the boot end frames
//     --silent-info N        ignore the first N information requests
//     --boot-pause-after N MS  after boot packet N, ask for nothing for MS milliseconds
//     --line-rate            every byte takes 10 bit times at the line speed, both
//                            ways, and a timing table is printed at the end
//     --timeout SECONDS      give up after this long (default 900)
// An information request in any stage starts a new run (the program was
// broken off and started again); only the last run is verified.
// The first line printed is the device path of the pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "images/image_cursor.h"
#include "protocol/command_frame.h"
#include "protocol/info_record.h"
#include "res/resource.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Options {
    uint8_t speed = 'S';
    std::string type = "GX10", id = "A12345", date = "2026-11-30", pn = "PN-7731-0042";
    int module = 3, baud = 2;
    bool noise = false, splitInfo = false, badChecksum = false, badModule = false;
    int unrecognised = 0, silenceAfter = -1;
    bool earlySc = false, noEndAnswer = false;
    int silentInfo = 0, bootPauseAfter = -1, bootPauseMs = 0;
    bool lineRate = false;
    std::string bootOrder = "ascending";
    int timeout = 900;
};

uint64_t NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000 + static_cast<uint64_t>(t.tv_nsec) / 1000000;
}

double NowF() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Wire time of n bytes at a speed: 10 bit times each (start, 8 data, stop).
double WireMs(size_t n, uint32_t baud) { return baud == 0 ? 0.0 : static_cast<double>(n) * 10000.0 / baud; }

// What each stage took, against the least the protocol allows: the pauses the
// program prescribes per poll for these frames plus the wire time of every byte.
struct StageTiming {
    double start = -1, end = -1;
    double wireMs = 0;
    int frames = 0, extra = 0;
    double PausesMs(int stage) const {
        switch (stage) {
            case 1: case 3:  // the poll that reads the answer to "$$SS", one per further frame, 200 ms before "$$SC"
                return frames > 0 ? 120.0 + 20.0 * (frames - 1) + 200.0 : 0.0;
            case 2:  // one 10 ms pass per packet and per end frame
                return 10.0 * (frames + extra);
            default:
                return 0.0;
        }
    }
};

Bytes Image(int id) {
    const images::FoundResource r = images::CarriedImages().Find(id);
    return Bytes(r.bytes, r.bytes + r.size);
}

class Receiver {
public:
    Receiver(int master, const Options& o) : fd_(master), o_(o) {}
    int Run();

private:
    enum Phase { Info, Tovrin, BootWait, Boot, Firmware, Done };

    uint32_t Speed() const {
        termios t;
        tcgetattr(fd_, &t);
        switch (cfgetospeed(&t)) {
            case B9600: return 9600;
            case B115200: return 115200;
            default: return 0;
        }
    }
    // Sends a reply; at line rate it is delivered once its last byte would
    // have arrived. Returns that time.
    double Send(const Bytes& reply) {
        Bytes out;
        if (o_.noise) out = {0x11, 0x7E};
        out.insert(out.end(), reply.begin(), reply.end());
        const double now = NowF();
        if (o_.lineRate) {
            txClock_ = (txClock_ > now ? txClock_ : now) + WireMs(out.size(), Speed());
            pending_.emplace_back(txClock_, out);
            return txClock_;
        }
        if (write(fd_, out.data(), out.size()) != static_cast<ssize_t>(out.size())) Error("write failed");
        return now;
    }
    void FlushDue() {
        const double now = NowF();
        while (!pending_.empty() && pending_.front().first <= now) {
            const Bytes& out = pending_.front().second;
            if (write(fd_, out.data(), out.size()) != static_cast<ssize_t>(out.size())) Error("write failed");
            pending_.pop_front();
        }
    }
    int StageOf() const {
        switch (phase_) {
            case Info: return 0;
            case Tovrin: return 1;
            case BootWait: case Boot: return 2;
            default: return 3;
        }
    }
    void PrintTiming();
    void Error(const std::string& what) {
        std::printf("sim: MISMATCH: %s\n", what.c_str());
        std::fflush(stdout);
        ++errors_;
    }
    void ExpectSpeed(uint32_t want, const char* what) {
        const uint32_t got = Speed();
        if (got != want) Error(std::string(what) + " at " + std::to_string(got) + " baud, expected " + std::to_string(want));
    }
    protocol::InfoReplyBuffer ReplyData(bool badModule) const;
    Bytes InfoReply();
    bool TakeFrame();  // one whole frame from the input, handled; false when more bytes are needed
    void OnCommand(const Bytes& f);
    void OnBootPacket(const Bytes& f);
    void OnBootEnd();
    void VerifyCommandImage(const char* name, const Bytes& got, int id, size_t frames, uint32_t speed);
    void VerifyBoot();
    void AskNextBootPacket();

    int fd_;
    Options o_;
    Phase phase_ = Info;
    Bytes input_;
    std::vector<double> ready_;  // when each input byte has fully arrived
    double frameAt_ = 0;         // when the frame being handled had arrived
    double rxClock_ = 0, txClock_ = 0;
    std::deque<std::pair<double, Bytes>> pending_;
    StageTiming timing_[4];
    int errors_ = 0;
    int infoReplies_ = 0;
    int silentInfo_ = 0;
    uint64_t pauseUntil_ = 0;
    Bytes image_;
    size_t frames_ = 0;
    uint32_t dataSpeed_ = 0;
    bool expectRestart_ = false;
    int stage1Attempts_ = 0, stage3Attempts_ = 0;
    int unrecognisedLeft_ = 0;
    bool silenced_ = false;
    // Boot channel.
    std::deque<uint16_t> requests_;
    uint16_t lastAsked_ = 0;
    uint64_t askedAt_ = 0;
    Bytes boot_;
    int packets_ = 0, endFrames_ = 0;
    bool bootFinished_ = false;
};

protocol::InfoReplyBuffer Receiver::ReplyData(bool badModule) const {
    protocol::InfoReplyBuffer d{};
    for (size_t i = 0; i < 128; ++i) d.bytes[i] = static_cast<uint8_t>(0x40 + (i * 11) % 47);
    auto put = [&](size_t at, size_t width, const std::string& text) {
        std::memset(d.bytes + at, 0, width);
        std::memcpy(d.bytes + at, text.data(), text.size() < width ? text.size() : width);
    };
    put(0, 4, o_.type);
    put(5, 6, o_.id);
    put(12, 20, o_.date);
    put(64, 25, o_.pn);
    d.bytes[58] = 0x80;
    d.bytes[124] = static_cast<uint8_t>(o_.baud);
    d.bytes[126] = static_cast<uint8_t>(badModule ? 0 : o_.module);
    return d;
}

Bytes Receiver::InfoReply() {
    const bool first = infoReplies_++ == 0;
    const protocol::InfoReplyBuffer d = ReplyData(first && o_.badModule);
    Bytes all;
    const size_t starts[3] = {0, 55, 110}, lengths[3] = {55, 55, 18};
    for (int f = 0; f < 3; ++f) {
        Bytes frame = protocol::BuildCommandFrame('S', 'I', d.bytes + starts[f], static_cast<uint8_t>(lengths[f]));
        if (first && o_.badChecksum && f == 1) frame[6 + 55] ^= 0x5A;
        all.insert(all.end(), frame.begin(), frame.end());
    }
    return all;
}

void Receiver::VerifyCommandImage(const char* name, const Bytes& got, int id, size_t frames, uint32_t speed) {
    const Bytes image = Image(id);
    // Whole frames of 128 bytes, and one more all-0xFF frame when the size is
    // not a multiple of 256.
    const size_t padded = (image.size() + 127) / 128 * 128 + (image.size() % 256 != 0 ? 128 : 0);
    bool ok = got.size() == padded && std::equal(image.begin(), image.end(), got.begin());
    for (size_t i = image.size(); ok && i < got.size(); ++i) ok = got[i] == 0xFF;
    std::printf("sim: %s: %zu bytes in %zu frames at %u baud: %s\n", name, image.size(), frames, speed,
                ok ? "ok" : "WRONG");
    if (!ok) Error(std::string(name) + " differs from the carried image (" + std::to_string(got.size()) + " bytes)");
}

void Receiver::VerifyBoot() {
    const Bytes carried = Image(IDR_BIN_BOOT);
    const long slot = images::FindRecordMarker(carried.data(), static_cast<uint32_t>(carried.size()));
    protocol::ReceiverInfoRecord record{};
    protocol::BuildReceiverInfoRecord(ReplyData(false), &record);
    record.bytes[3] = carried[static_cast<size_t>(slot) + 3];
    Bytes expected = carried;
    images::WriteVectorChecksum(expected.data(), static_cast<uint32_t>(expected.size()));
    std::memcpy(expected.data() + slot, record.bytes, sizeof record.bytes);
    uint32_t sum = 0;
    for (int w = 0; w < 8 && boot_.size() >= 32; ++w)
        sum += uint32_t(boot_[4 * w]) | uint32_t(boot_[4 * w + 1]) << 8 | uint32_t(boot_[4 * w + 2]) << 16 |
               uint32_t(boot_[4 * w + 3]) << 24;
    const bool checksum = boot_.size() >= 32 && sum == 0;
    const bool recordOk = boot_.size() >= static_cast<size_t>(slot) + 77 &&
                          std::memcmp(boot_.data() + slot, record.bytes, 77) == 0;
    const bool whole = boot_ == expected;
    std::printf("sim: stage 2: boot image %zu bytes in %d packets at 115200 baud: vector checksum %s, record %s, "
                "image %s; %d end frames\n",
                boot_.size(), packets_, checksum ? "ok" : "WRONG", recordOk ? "ok" : "WRONG", whole ? "ok" : "WRONG",
                endFrames_);
    if (!checksum || !recordOk || !whole) Error("the boot image differs from the prepared carried image");
    if (o_.noEndAnswer && endFrames_ != 255) Error("expected 255 end frames, got " + std::to_string(endFrames_));
}

void Receiver::OnCommand(const Bytes& f) {
    const char letter = static_cast<char>(f[3]);
    if (letter == 'I') {
        ExpectSpeed(9600, "information request");
        if (phase_ == Done) return;
        if (phase_ != Info) {
            std::printf("sim: a new run begins\n");
            phase_ = Info;
            image_.clear();
            expectRestart_ = false;
            boot_.clear();
            packets_ = endFrames_ = 0;
            bootFinished_ = false;
        }
        if (silentInfo_ < o_.silentInfo) {
            ++silentInfo_;
            return;
        }
        const Bytes reply = InfoReply();
        StageTiming& t0 = timing_[0];
        if (t0.start < 0) t0.start = frameAt_;
        t0.wireMs += WireMs(f.size() + reply.size(), 9600);
        ++t0.frames;
        if (infoReplies_ == 1 && o_.splitInfo) {
            Send(Bytes(reply.begin(), reply.begin() + 70));
            usleep(400000);
            Send(Bytes(reply.begin() + 70, reply.end()));
        } else {
            t0.end = Send(reply);
        }
        return;
    }
    if (letter == 'S') {
        // A start command opens an attempt at 9600 baud; within an attempt it
        // answers a reply the program did not recognise, at the data speed.
        // After Break the program starts a stage again at 9600 baud.
        if (!image_.empty() && dataSpeed_ == 115200 && Speed() == 9600) expectRestart_ = true;
        const bool opening = phase_ == Info || phase_ == BootWait || phase_ == Boot || image_.empty() || expectRestart_;
        ExpectSpeed(opening ? 9600 : dataSpeed_, "start command");
        if (phase_ == Info) {
            std::printf("sim: stage 0: %d information replies sent\n", infoReplies_);
            phase_ = Tovrin;
        }
        if (phase_ == BootWait || phase_ == Boot) {
            if (!bootFinished_) Error("stage 3 started before the boot image was complete");
            VerifyBoot();
            phase_ = Firmware;
        }
        if (phase_ == Done) return;
        if (image_.empty() || expectRestart_) {
            expectRestart_ = false;
            image_.clear();
            frames_ = 0;
            (phase_ == Tovrin ? stage1Attempts_ : stage3Attempts_)++;
            if (phase_ == Firmware && stage3Attempts_ == 1) unrecognisedLeft_ = o_.unrecognised;
            if (phase_ == Firmware && o_.earlySc && stage3Attempts_ == 1) {
                expectRestart_ = true;
                Send(protocol::BuildCommandFrame('S', 'C', nullptr, 0));
                return;
            }
        }
        const uint8_t answer[3] = {'1', '6', o_.speed};
        StageTiming& t = timing_[StageOf()];
        if (image_.empty()) {
            t = StageTiming();
            t.start = frameAt_;
        }
        t.wireMs += WireMs(11 + 12, Speed());
        Send(protocol::BuildCommandFrame('S', 'S', answer, 3));
        dataSpeed_ = o_.speed == 'S' ? 115200 : 9600;
        return;
    }
    if (letter == 'X' && f.size() == 142) {
        if (phase_ != Tovrin && phase_ != Firmware) return Error("a data frame outside stages 1 and 3");
        if (f[139] != protocol::XorBytes(f.data() + 2, 137)) Error("data frame checksum");
        ExpectSpeed(dataSpeed_, "data frame");
        image_.insert(image_.end(), f.begin() + 11, f.begin() + 139);
        ++frames_;
        timing_[StageOf()].frames = static_cast<int>(frames_);
        timing_[StageOf()].wireMs += WireMs(142 + 9, Speed());
        if (phase_ == Tovrin && !silenced_ && o_.silenceAfter >= 0 && static_cast<int>(frames_) >= o_.silenceAfter) {
            silenced_ = true;
            expectRestart_ = true;
            return;  // silent: the program gives up and runs stage 1 again
        }
        if (phase_ == Firmware && unrecognisedLeft_ > 0) {
            --unrecognisedLeft_;
            Send(protocol::BuildCommandFrame('S', 'Q', nullptr, 0));
            return;
        }
        Send(protocol::BuildCommandFrame('S', 'X', nullptr, 0));
        return;
    }
    if (letter == 'C') {
        if (phase_ == Tovrin || phase_ == Firmware) {
            timing_[StageOf()].end = frameAt_;
            timing_[StageOf()].wireMs += WireMs(9, Speed());
        }
        if (phase_ == Tovrin) {
            VerifyCommandImage("stage 1: Tovrin image", image_, IDR_BIN_TOVRIN, frames_, dataSpeed_);
            std::printf("sim: stage 1 attempts: %d\n", stage1Attempts_);
            image_.clear();
            phase_ = BootWait;
            requests_.clear();
            const uint16_t last = 45;
            if (o_.bootOrder == "shuffled") {
                for (uint16_t n : {1, 2, 3, 10, 4, 5, 6, 7, 8, 9}) requests_.push_back(n);
                for (uint16_t n = 11; n <= last; ++n) requests_.push_back(n);
            } else if (o_.bootOrder == "repeated") {
                for (uint16_t n = 1; n <= last; ++n) {
                    requests_.push_back(n);
                    if (n == 7 || n == 30) requests_.push_back(n);
                }
            } else if (o_.bootOrder == "past-end") {
                for (uint16_t n = 1; n < last; ++n) requests_.push_back(n);
                requests_.push_back(46);
                requests_.push_back(last);
            } else {
                for (uint16_t n = 1; n <= last; ++n) requests_.push_back(n);
            }
        } else if (phase_ == Firmware) {
            VerifyCommandImage("stage 3: main image", image_, IDR_BIN_FIRMWARE, frames_, dataSpeed_);
            std::printf("sim: stage 3 attempts: %d\n", stage3Attempts_);
            phase_ = Done;
        }
    }
}

void Receiver::AskNextBootPacket() {
    if (requests_.empty()) return;
    lastAsked_ = requests_.front();
    requests_.pop_front();
    askedAt_ = NowMs();
    const double due = Send({0xAA, 'Q', 'M', 0x04, static_cast<uint8_t>(lastAsked_),
                             static_cast<uint8_t>(lastAsked_ >> 8), 0xBB, 'Z', 'O'});
    if (packets_ == 0) timing_[2].start = due;  // the request the first packet answers
}

void Receiver::OnBootPacket(const Bytes& f) {
    if (phase_ != Boot) return Error("a boot packet outside stage 2");
    ExpectSpeed(115200, "boot packet");
    const unsigned number = f[4] | f[5] << 8, count = f[6] | f[7] << 8;
    if (number != lastAsked_) Error("packet " + std::to_string(number) + " but " + std::to_string(lastAsked_) + " was asked for");
    if (count == 0 || count > 256) return Error("packet count " + std::to_string(count));
    uint8_t x = 0;
    for (unsigned i = 0; i < count; ++i) x ^= f[8 + i];
    if (f[264] != x || f[265] != 0xBB || f[266] != 'Z' || f[267] != 'O') Error("packet " + std::to_string(number) + " checksum or trailer");
    for (unsigned i = count; i < 256; ++i)
        if (f[8 + i] != 0) return Error("packet " + std::to_string(number) + " has bytes after its count");
    const size_t at = (number - 1) * 256u;
    const size_t size = Image(IDR_BIN_BOOT).size();
    if (at + count <= size) {
        if (boot_.size() < at + count) boot_.resize(at + count);
        std::memcpy(boot_.data() + at, f.data() + 8, count);
    }
    ++packets_;
    timing_[2].frames = packets_;
    timing_[2].wireMs += WireMs(268 + 9, 115200);
    if (requests_.empty()) bootFinished_ = boot_.size() == size;
    if (static_cast<int>(number) == o_.bootPauseAfter && pauseUntil_ == 0) {
        pauseUntil_ = NowMs() + static_cast<uint64_t>(o_.bootPauseMs);
        askedAt_ = pauseUntil_;
        requests_.push_front(static_cast<uint16_t>(number + 1));
        return;
    }
    AskNextBootPacket();
}

void Receiver::OnBootEnd() {
    ++endFrames_;
    if (!bootFinished_) Error("end frame before the image was complete");
    timing_[2].extra = endFrames_;
    timing_[2].wireMs += WireMs(9, 115200);
    timing_[2].end = frameAt_;
    if (!o_.noEndAnswer && endFrames_ == 1) {
        timing_[2].wireMs += WireMs(9, 115200);
        timing_[2].end = Send({0xAA, 'M', 'Q', 0x04, 0x00, 0x00, 0xBB, 'Z', 'O'});
    }
}

bool Receiver::TakeFrame() {
    while (!input_.empty() && input_[0] != 0x24 && input_[0] != 0xAA) {
        Error("stray byte " + std::to_string(input_[0]));
        input_.erase(input_.begin());
        ready_.erase(ready_.begin());
    }
    if (input_.size() < 4) return false;
    size_t length = 0;
    if (input_[0] == 0x24) {
        if (input_[1] != 0x24 || input_[2] != 'S') {
            Error("malformed command frame");
            input_.erase(input_.begin());
            ready_.erase(ready_.begin());
            return true;
        }
        switch (input_[3]) {
            case 'I': case 'C': length = 9; break;
            case 'S': length = 11; break;
            case 'X': length = 142; break;
            default:
                Error("unknown command frame");
                input_.erase(input_.begin());
                ready_.erase(ready_.begin());
                return true;
        }
    } else {
        length = (input_[1] == 'Q' && input_[3] == 0x03) ? 268 : 9;
    }
    if (input_.size() < length) return false;
    if (ready_[length - 1] > NowF()) return false;  // still on the wire
    frameAt_ = ready_[length - 1];
    const Bytes frame(input_.begin(), input_.begin() + static_cast<long>(length));
    input_.erase(input_.begin(), input_.begin() + static_cast<long>(length));
    ready_.erase(ready_.begin(), ready_.begin() + static_cast<long>(length));
    if (frame[0] == 0x24) {
        if (frame[length - 2] != 0x0D || frame[length - 1] != 0x0A) Error("command frame without CR LF");
        if (length != 142 && frame[length - 3] != protocol::XorBytes(frame.data() + 2, length - 5)) Error("command frame checksum");
        OnCommand(frame);
    } else if (length == 268) {
        OnBootPacket(frame);
    } else if (frame == Bytes{0xAA, 0x4D, 0x51, 0x04, 0x00, 0x00, 0xBB, 0x5A, 0x4F}) {
        OnBootEnd();
    } else {
        Error("unknown boot frame");
    }
    return true;
}

void Receiver::PrintTiming() {
    static const char* kNames[4] = {"0 Request Information", "1 Tovrin Firmware", "2 New Boot", "3 New Firmware"};
    std::printf("timing: %-22s %10s %10s %8s %10s %12s %8s\n", "stage", "wall ms", "floor ms", "ratio", "pauses ms",
                "wire ms", "frames");
    double wall = 0, floor = 0, pauses = 0, wire = 0;
    for (int s = 0; s < 4; ++s) {
        const StageTiming& t = timing_[s];
        const double w = t.end >= t.start && t.start >= 0 ? t.end - t.start : 0;
        const double f = t.PausesMs(s) + t.wireMs;
        wall += w;
        floor += f;
        pauses += t.PausesMs(s);
        wire += t.wireMs;
        std::printf("timing: %-22s %10.1f %10.1f %8.3f %10.1f %12.1f %8d\n", kNames[s], w, f, f > 0 ? w / f : 0.0,
                    t.PausesMs(s), t.wireMs, t.frames);
    }
    std::printf("timing: %-22s %10.1f %10.1f %8.3f %10.1f %12.1f\n", "whole update", wall, floor,
                floor > 0 ? wall / floor : 0.0, pauses, wire);
}

int Receiver::Run() {
    const uint64_t start = NowMs();
    uint8_t buffer[4096];
    while (phase_ != Done) {
        if (NowMs() - start > static_cast<uint64_t>(o_.timeout) * 1000) {
            Error("timed out in phase " + std::to_string(phase_));
            break;
        }
        FlushDue();
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, o_.lineRate ? 1 : 5) > 0) {
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            const double now = NowF();
            const uint32_t speed = o_.lineRate ? Speed() : 0;
            for (ssize_t i = 0; i < n; ++i) {
                input_.push_back(buffer[i]);
                if (o_.lineRate) rxClock_ = (rxClock_ > now ? rxClock_ : now) + WireMs(1, speed);
                ready_.push_back(o_.lineRate ? rxClock_ : now);
            }
        }
        while (TakeFrame()) {
        }
        // The boot loader's writer asks for packet after packet; a request
        // that got no packet (purged by a speed change, or dropped by the
        // program) is followed by the next one after a while.
        if (phase_ == BootWait && Speed() == 115200) {
            phase_ = Boot;
            AskNextBootPacket();
        } else if (phase_ == Boot && !bootFinished_ && NowMs() > askedAt_ + 1000) {
            if (lastAsked_ == 1 && packets_ == 0) requests_.push_front(1);  // the first request was purged
            AskNextBootPacket();
        }
    }
    FlushDue();
    if (o_.lineRate) PrintTiming();
    std::printf("sim: %s (%d mismatches)\n", errors_ == 0 ? "PASS" : "FAIL", errors_);
    std::fflush(stdout);
    return errors_ == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--speed") o.speed = static_cast<uint8_t>(next()[0]);
        else if (a == "--type") o.type = next();
        else if (a == "--id") o.id = next();
        else if (a == "--date") o.date = next();
        else if (a == "--pn") o.pn = next();
        else if (a == "--module") o.module = std::atoi(next().c_str());
        else if (a == "--baud") o.baud = std::atoi(next().c_str());
        else if (a == "--noise") o.noise = true;
        else if (a == "--split-info") o.splitInfo = true;
        else if (a == "--bad-checksum") o.badChecksum = true;
        else if (a == "--bad-module") o.badModule = true;
        else if (a == "--unrecognised") o.unrecognised = std::atoi(next().c_str());
        else if (a == "--silence-after") o.silenceAfter = std::atoi(next().c_str());
        else if (a == "--early-sc") o.earlySc = true;
        else if (a == "--boot-order") o.bootOrder = next();
        else if (a == "--no-end-answer") o.noEndAnswer = true;
        else if (a == "--timeout") o.timeout = std::atoi(next().c_str());
        else if (a == "--silent-info") o.silentInfo = std::atoi(next().c_str());
        else if (a == "--line-rate") o.lineRate = true;
        else if (a == "--boot-pause-after") {
            o.bootPauseAfter = std::atoi(next().c_str());
            o.bootPauseMs = std::atoi(next().c_str());
        }
        else {
            std::fprintf(stderr, "unknown option %s (see the comment at the top of receiver_sim.cpp)\n", a.c_str());
            return 2;
        }
    }
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 2;
    }
    // Raw, as a real port's driver reports it: no XON/XOFF, no processing.
    termios raw;
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    tcsetattr(slave, TCSANOW, &raw);
    std::printf("%s\n", name);
    std::fflush(stdout);
    Receiver receiver(master, o);
    const int result = receiver.Run();
    close(slave);
    close(master);
    return result;
}
