// Stage 2: packets by number, the running remainder, end frames, the
// classifier, and what the window shows.
#include <gtest/gtest.h>

#include <deque>

#include "res/resource.h"
#include "tests/support/fixture.h"
#include "tests/support/receiver_frames.h"

using namespace testing_support;

namespace {

const Bytes kEndFrame = {0xAA, 0x4D, 0x51, 0x04, 0x00, 0x00, 0xBB, 0x5A, 0x4F};

bool IsPacket(const WrittenFrame& w) { return w.bytes.size() == 268; }
unsigned NumberOf(const WrittenFrame& w) { return w.bytes[4] | w.bytes[5] << 8; }
unsigned CountOf(const WrittenFrame& w) { return w.bytes[6] | w.bytes[7] << 8; }

// A boot receiver that sends its scripted replies one per poll, each after the
// program had a pass to answer the one before.
struct BootRig : Program {
    explicit BootRig(std::vector<Bytes> script, bool answerEnd = true,
                     const images::IImageResources& source = images::CarriedImages())
        : Program(source), replies(script.begin(), script.end()) {
        EXPECT_EQ(core.Port().OpenPort(1), 1);
        serial.ClearWritten();
        clock.onSleep = [this](uint32_t) {
            if (serial.line.baudRate == 115200 && !replies.empty()) {
                serial.Deliver(replies.front());
                replies.pop_front();
            }
        };
        serial.onWrite = [answerEnd](FakeSerial& s, const WrittenFrame& w) {
            if (answerEnd && w.bytes == kEndFrame) s.Deliver(BootDone());
        };
    }
    // Ends the otherwise endless wait: the receiver's end frame comes once the
    // script is used up and a few passes went by.
    void EndWhenQuiet() {
        clock.onSleep = [this](uint32_t) {
            if (!replies.empty()) {
                serial.Deliver(replies.front());
                replies.pop_front();
            } else if (++quiet == 5) {
                serial.Deliver(BootDone());
            }
        };
    }
    int quiet = 0;
    std::vector<WrittenFrame> Packets() {
        std::vector<WrittenFrame> out;
        for (const WrittenFrame& w : serial.Written())
            if (IsPacket(w)) out.push_back(w);
        return out;
    }
    std::deque<Bytes> replies;
};

std::vector<Bytes> Ascending(unsigned from, unsigned to) {
    std::vector<Bytes> out;
    for (unsigned n = from; n <= to; ++n) out.push_back(BootRequest(static_cast<uint16_t>(n)));
    return out;
}

Bytes PreparedBoot(const protocol::ReceiverInfoRecord& record, const images::IImageResources& source) {
    protocol::ReceiverInfoRecord copy = record;
    images::ImageCursor cursor(source, copy);
    Bytes all;
    uint8_t chunk[256];
    int32_t total = 0;
    do {
        const uint32_t n = cursor.ReadImageChunk(images::kImageBoot, chunk, 256, &total);
        all.insert(all.end(), chunk, chunk + n);
    } while (cursor.IsLoaded());
    return all;
}

void ExpectWellFormed(const WrittenFrame& w) {
    ASSERT_EQ(w.bytes.size(), 268u);
    EXPECT_EQ(Bytes(w.bytes.begin(), w.bytes.begin() + 4), (Bytes{0xAA, 'Q', 'M', 0x03}));
    const unsigned count = CountOf(w);
    uint8_t x = 0;
    for (unsigned i = 0; i < count; ++i) x ^= w.bytes[8 + i];
    EXPECT_EQ(w.bytes[264], x);
    EXPECT_EQ(Bytes(w.bytes.begin() + 265, w.bytes.end()), (Bytes{0xBB, 'Z', 'O'}));
    for (unsigned i = count; i < 256; ++i) ASSERT_EQ(w.bytes[8 + i], 0) << "after the count";
}

MapImages WithBoot(size_t size) {
    MapImages m;
    Bytes image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 1 + i / 256);
    m.images[IDR_BIN_BOOT] = image;
    return m;
}

}  // namespace

TEST(BootTransfer, CarriedImageInAscendingRequests) {
    BootRig rig(Ascending(1, 45));
    // The record as stage 0 leaves it.
    const Bytes reply = InfoReply();
    ASSERT_EQ(rig.core.ParseInfoReply(reply.data(), static_cast<int>(reply.size())), 0);
    const protocol::ReceiverInfoRecord stage0 = rig.core.Record();

    rig.core.RunBootStage();
    const std::vector<WrittenFrame> packets = rig.Packets();
    ASSERT_EQ(packets.size(), 45u);
    Bytes reassembled;
    for (size_t i = 0; i < packets.size(); ++i) {
        SCOPED_TRACE(i + 1);
        ExpectWellFormed(packets[i]);
        EXPECT_EQ(NumberOf(packets[i]), i + 1);
        EXPECT_EQ(CountOf(packets[i]), i < 44 ? 256u : 120u);
        EXPECT_EQ(packets[i].baud, 115200u);
        reassembled.insert(reassembled.end(), packets[i].bytes.begin() + 8,
                           packets[i].bytes.begin() + 8 + CountOf(packets[i]));
    }
    EXPECT_EQ(reassembled, PreparedBoot(stage0, images::CarriedImages()));
    // The boot loader carries the receiver's record, version byte included.
    Bytes expectedRecord(stage0.bytes, stage0.bytes + 77);
    expectedRecord[3] = 120;
    EXPECT_EQ(Bytes(reassembled.begin() + 0x300, reassembled.begin() + 0x300 + 77), expectedRecord);

    EXPECT_EQ(rig.dialog.Text(IDC_PERCENT), L"100.0 %");
    EXPECT_EQ(rig.dialog.TextsOf(IDC_PERCENT)[1], L"2.2 %");
    EXPECT_EQ(rig.dialog.RangeMax(), 11u);
    EXPECT_EQ(rig.dialog.Position(), 11u);
    EXPECT_EQ(rig.serial.line.baudRate, 9600u);
    EXPECT_EQ(rig.serial.Written().back().bytes, kEndFrame);
    EXPECT_FALSE(rig.core.Cursor().IsLoaded());
    const std::vector<std::wstring> status = rig.dialog.TextsOf(IDC_STATUS);
    ASSERT_GT(status.size(), 13u);
    EXPECT_EQ(status[0], L"Starting to Update New_Boot");
    EXPECT_EQ(status[1], L"Starting to Update New_Boot");  // the first pass shows the base text too
    EXPECT_EQ(status[11], L"Starting to Update New_Boot..........");
    EXPECT_EQ(status[12], L"Starting to Update New_Boot");
}

TEST(BootTransfer, ReceiverEndFrameFirstEndsAtOnce) {
    BootRig rig({BootDone()});
    rig.core.RunBootStage();
    EXPECT_TRUE(rig.serial.Written().empty());
    EXPECT_EQ(rig.serial.line.baudRate, 9600u);
}

TEST(BootTransfer, SilentReceiverGetsExactly255EndFrames) {
    BootRig rig(Ascending(1, 45), false);
    rig.core.TransferBootImage();
    size_t ends = 0;
    for (const WrittenFrame& w : rig.serial.Written()) {
        if (IsPacket(w)) continue;
        EXPECT_EQ(w.bytes, kEndFrame);
        ++ends;
    }
    EXPECT_EQ(ends, 255u);
    EXPECT_EQ(rig.serial.line.baudRate, 115200u) << "9600 comes from the stage, after the transfer";
}

TEST(BootTransfer, ClassifierTable) {
    auto padded = [](Bytes b) {
        b.resize(100, 0);
        return b;
    };
    struct Case {
        const char* name;
        Bytes reply;
        int result;
        unsigned number;  // for requests
    };
    const Case cases[] = {
        {"request for 5", padded(BootRequest(5)), update::BootReplyRequest, 5},
        {"request behind two noise bytes", padded(Join({Bytes{0x13, 0x37}, BootRequest(5)})), update::BootReplyRequest, 5},
        {"0xAA at index 8: only the nine-byte window moves", padded(Join({Bytes(8, 0x01), BootRequest(300)})), update::BootReplyNone, 0},
        {"0xAA only at index 9", padded(Join({Bytes(9, 0x01), BootRequest(5)})), update::BootReplyNone, 0},
        {"type byte 0x03", padded({0xAA, 'Q', 'M', 0x03, 5, 0, 0xBB, 'Z', 'O'}), update::BootReplyNone, 0},
        {"end frame MQ", padded(BootDone()), update::BootReplyDone, 0},
        {"end frame MQ of type 0x03", padded({0xAA, 'M', 'Q', 0x03, 0, 0, 0xBB, 'Z', 'O'}), update::BootReplyNone, 0},
        {"wrong letters", padded({0xAA, 'Q', 'Q', 0x04, 5, 0, 0xBB, 'Z', 'O'}), update::BootReplyNone, 0},
        {"no 0xAA", padded(Bytes(9, 0x55)), update::BootReplyNone, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes buffer = c.reply;
        EXPECT_EQ(update::CUpdateCore::ClassifyBootReply(buffer.data()), c.result);
        if (c.result == update::BootReplyRequest) { EXPECT_EQ(unsigned(buffer[4] | buffer[5] << 8), c.number); }
    }
}

TEST(BootTransfer, RequestsOutOfOrderRepeatedAndPastTheEnd) {
    struct Case {
        const char* name;
        std::vector<Bytes> script;
        std::vector<std::pair<unsigned, unsigned>> packets;  // number, count
        std::wstring lastPercent;
        uint32_t lastPosition;
    };
    std::vector<Bytes> upTo10 = Ascending(1, 10);
    std::vector<Bytes> threeAfterTen = upTo10;
    threeAfterTen.push_back(BootRequest(3));
    std::vector<std::pair<unsigned, unsigned>> tenFull;
    for (unsigned n = 1; n <= 10; ++n) tenFull.emplace_back(n, 256);
    std::vector<std::pair<unsigned, unsigned>> threeAfterTenPackets = tenFull;
    threeAfterTenPackets.emplace_back(3, 256);
    std::vector<Bytes> fortyFourTwice = Ascending(1, 44);
    fortyFourTwice.push_back(BootRequest(44));
    std::vector<std::pair<unsigned, unsigned>> fortyFourTwicePackets;
    for (unsigned n = 1; n <= 44; ++n) fortyFourTwicePackets.emplace_back(n, 256);
    fortyFourTwicePackets.emplace_back(44, 120);

    const Case cases[] = {
        {"46 dropped, 45 served", {BootRequest(46), BootRequest(45)}, {{45, 256}}, L"101.2 %", 11},
        {"3 after 10 resent", threeAfterTen, threeAfterTenPackets, L"6.7 %", 0},
        {"44 twice: the second is short and finishes", fortyFourTwice, fortyFourTwicePackets, L"100.0 %", 11},
        {"0 asks for nothing", {BootRequest(0), BootRequest(1)}, {{1, 256}}, L"2.2 %", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BootRig rig(c.script, false);
        rig.EndWhenQuiet();
        rig.core.TransferBootImage();
        std::vector<std::pair<unsigned, unsigned>> got;
        for (const WrittenFrame& w : rig.Packets()) {
            ExpectWellFormed(w);
            got.emplace_back(NumberOf(w), CountOf(w));
        }
        EXPECT_EQ(got, c.packets);
        EXPECT_EQ(rig.dialog.Text(IDC_PERCENT), c.lastPercent);
        EXPECT_EQ(rig.dialog.Position(), c.lastPosition);
    }
}

TEST(BootTransfer, ImagesOfWholeAndPartPackets) {
    struct Case {
        size_t size;
        unsigned lastNumber;
        unsigned lastCount;
    };
    const Case cases[] = {{256 * 4, 4, 256}, {256 * 4 + 1, 5, 1}, {100, 1, 100}, {256 * 255, 255, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const MapImages source = WithBoot(c.size);
        BootRig rig(Ascending(1, c.lastNumber), true, source);
        rig.core.TransferBootImage();
        const std::vector<WrittenFrame> packets = rig.Packets();
        ASSERT_EQ(packets.size(), c.lastNumber);
        EXPECT_EQ(NumberOf(packets.back()), c.lastNumber);
        EXPECT_EQ(CountOf(packets.back()), c.lastCount);
        Bytes reassembled;
        for (const WrittenFrame& w : packets) reassembled.insert(reassembled.end(), w.bytes.begin() + 8, w.bytes.begin() + 8 + CountOf(w));
        EXPECT_EQ(reassembled, PreparedBoot(rig.core.Record(), source));
        EXPECT_EQ(rig.serial.Written().back().bytes, kEndFrame);
    }
}

TEST(BootTransfer, RequestsPastTheBufferNeverLeaveIt) {
    // The largest image the build accepts, and a request for the packet whose
    // offset equals its size: the bytes past the buffer go out as 0.
    const MapImages source = WithBoot(65535);
    std::vector<Bytes> script = {BootRequest(256)};
    BootRig rig(script, false, source);
    rig.EndWhenQuiet();
    rig.core.TransferBootImage();
    const std::vector<WrittenFrame> packets = rig.Packets();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(NumberOf(packets[0]), 256u);
    EXPECT_EQ(CountOf(packets[0]), 256u);
    const Bytes& image = source.images.at(IDR_BIN_BOOT);
    EXPECT_EQ(Bytes(packets[0].bytes.begin() + 8, packets[0].bytes.begin() + 8 + 255), Bytes(image.begin() + 65280, image.end()));
    EXPECT_EQ(packets[0].bytes[8 + 255], 0);
}
