// Stages 1 and 3: frames on the wire, their speed and timing, what the window
// shows, the classifier, and every way a transfer gives up.
#include <gtest/gtest.h>

#include "protocol/command_frame.h"
#include "res/resource.h"
#include "tests/support/fixture.h"
#include "tests/support/receiver_frames.h"

using namespace testing_support;

namespace {

const Bytes kStart = {0x24, 0x24, 0x53, 0x53, 0x18, 0x02, 0x31, 0x36, 0x1D, 0x0D, 0x0A};
const Bytes kEnd = {0x24, 0x24, 0x53, 0x43, 0x18, 0x00, 0x08, 0x0D, 0x0A};
const Bytes kAskNext = Frame('S', 'X', {});
const Bytes kComplete = Frame('S', 'C', {});
Bytes SpeedAnswer(uint8_t c) { return Frame('S', 'S', {'1', '6', c}); }

bool IsData(const WrittenFrame& w) { return w.bytes.size() == 142 && w.bytes[3] == 'X'; }

// A receiver that answers the start command once and asks for every frame.
struct Rig : Program {
    explicit Rig(const images::IImageResources& source = images::CarriedImages(), uint8_t speed = 'S')
        : Program(source) {
        EXPECT_EQ(core.Port().OpenPort(1), 1);
        serial.ClearWritten();
        serial.onWrite = [this, speed](FakeSerial& s, const WrittenFrame& w) {
            if (w.bytes == kStart && !started) {
                started = true;
                s.Deliver(SpeedAnswer(speed));
            } else if (IsData(w)) {
                if (onData) onData(s, w);
                else s.Deliver(kAskNext);
            }
        };
    }
    std::vector<WrittenFrame> Data() {
        std::vector<WrittenFrame> out;
        for (const WrittenFrame& w : serial.Written())
            if (IsData(w)) out.push_back(w);
        return out;
    }
    bool started = false;
    std::function<void(FakeSerial&, const WrittenFrame&)> onData;
};

MapImages WithTovrin(size_t size) {
    MapImages m;
    Bytes image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
    m.images[IDR_BIN_TOVRIN] = image;
    return m;
}

void ExpectWellFormed(const WrittenFrame& w) {
    ASSERT_EQ(w.bytes.size(), 142u);
    EXPECT_EQ(Bytes(w.bytes.begin(), w.bytes.begin() + 11),
              (Bytes{0x24, 0x24, 'S', 'X', 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x80}));
    EXPECT_EQ(w.bytes[139], protocol::XorBytes(w.bytes.data() + 2, 137));
    EXPECT_EQ(w.bytes[140], 0x0D);
    EXPECT_EQ(w.bytes[141], 0x0A);
}

}  // namespace

TEST(CommandTransfer, CarriedTovrinImageInSeventyNineFrames) {
    Rig rig;
    rig.core.SetUpdateStage(1);
    rig.core.RunTovrinStage();
    EXPECT_EQ(rig.core.GetUpdateStage(), 1u);
    const std::vector<WrittenFrame> data = rig.Data();
    ASSERT_EQ(data.size(), 79u);
    const images::FoundResource image = images::CarriedImages().Find(IDR_BIN_TOVRIN);
    Bytes sent;
    for (const WrittenFrame& w : data) {
        ExpectWellFormed(w);
        EXPECT_EQ(w.baud, 115200u);
        sent.insert(sent.end(), w.bytes.begin() + 11, w.bytes.begin() + 139);
    }
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 9892), Bytes(image.bytes, image.bytes + 9892));
    EXPECT_EQ(Bytes(sent.begin() + 9892, sent.end()), Bytes(10112 - 9892, 0xFF));
    EXPECT_EQ(data[78].bytes[139], 0x8B);

    const std::vector<WrittenFrame> all = rig.serial.Written();
    EXPECT_EQ(all.front().bytes, kStart);
    EXPECT_EQ(all.back().bytes, kEnd);
    EXPECT_EQ(all.back().tick - data.back().tick, 200u);

    const std::vector<std::wstring> percent = rig.dialog.TextsOf(IDC_PERCENT);
    ASSERT_EQ(percent.size(), 80u);  // the empty start, then one per frame
    EXPECT_EQ(percent[0], L"");
    EXPECT_EQ(percent[1], L"1.3 %");
    EXPECT_EQ(percent[78], L"100.0 %");
    EXPECT_EQ(percent[79], L"100.0 %");
    EXPECT_EQ(rig.dialog.RangeMax(), 38u);
    EXPECT_EQ(rig.dialog.Position(), 39u);
    EXPECT_EQ(rig.dialog.Title(), L"Tovrin Firmware Tovrin_Firmware");

    ASSERT_EQ(rig.dialog.Boxes().size(), 1u);
    EXPECT_EQ(rig.dialog.Boxes()[0].caption, L" Tovrin_Firmware Update Successful!");
    EXPECT_EQ(rig.dialog.Boxes()[0].text, L"Please press \"OK\",and  Restart the Receiver\r\nRestart Times:2/2");
    EXPECT_EQ(rig.dialog.Boxes()[0].style, 0x40u);
    EXPECT_EQ(rig.serial.line.baudRate, 9600u);
    EXPECT_FALSE(rig.core.Cursor().IsLoaded());
}

TEST(CommandTransfer, StatusLineCyclesItsDots) {
    Rig rig;
    rig.core.TransferImageByCommand(1);
    const std::vector<std::wstring> status = rig.dialog.TextsOf(IDC_STATUS);
    const std::wstring base = L"Starting to Update Tovrin_Firmware";
    ASSERT_GT(status.size(), 13u);
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(status[i], base + std::wstring(i, L'.'));
    EXPECT_EQ(status[11], base);
    EXPECT_EQ(status[12], base + L".");
}

TEST(CommandTransfer, MadeUpImageSizesAndPadding) {
    struct Case {
        size_t size;
        size_t frames;
        bool paddingFrame;
        uint32_t rangeMax;
    };
    const Case cases[] = {{256, 2, false, 0}, {129, 3, true, 0}, {128, 2, true, 0}, {512, 4, false, 1}, {1, 2, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes");
        const MapImages source = WithTovrin(c.size);
        Rig rig(source);
        rig.core.SetUpdateStage(1);
        rig.core.TransferImageByCommand(1);
        EXPECT_EQ(rig.core.GetUpdateStage(), 1u);
        const std::vector<WrittenFrame> data = rig.Data();
        ASSERT_EQ(data.size(), c.frames);
        Bytes sent;
        for (const WrittenFrame& w : data) {
            ExpectWellFormed(w);
            sent.insert(sent.end(), w.bytes.begin() + 11, w.bytes.begin() + 139);
        }
        const Bytes& image = source.images.at(IDR_BIN_TOVRIN);
        EXPECT_EQ(Bytes(sent.begin(), sent.begin() + static_cast<long>(c.size)), image);
        EXPECT_EQ(Bytes(sent.begin() + static_cast<long>(c.size), sent.end()), Bytes(sent.size() - c.size, 0xFF));
        if (c.paddingFrame) { EXPECT_EQ(data.back().bytes[139], 0x8B); }
        EXPECT_EQ(rig.serial.Written().back().bytes, kEnd);
        // The end frame follows the last data frame 200 ms later, unread.
        EXPECT_EQ(rig.serial.Written().back().tick - data.back().tick, 200u);
        EXPECT_EQ(rig.dialog.RangeMax(), c.rangeMax);
    }
}

TEST(CommandTransfer, CarriedMainImageThroughStageThree) {
    Rig rig(images::CarriedImages(), '9');
    rig.core.SetUpdateStage(3);
    rig.core.RunFirmwareStage();
    EXPECT_EQ(rig.core.GetUpdateStage(), 3u);
    const std::vector<WrittenFrame> data = rig.Data();
    ASSERT_EQ(data.size(), 1577u);
    const images::FoundResource image = images::CarriedImages().Find(IDR_BIN_FIRMWARE);
    Bytes sent;
    for (const WrittenFrame& w : data) {
        EXPECT_EQ(w.baud, 9600u);
        sent.insert(sent.end(), w.bytes.begin() + 11, w.bytes.begin() + 139);
    }
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 201616), Bytes(image.bytes, image.bytes + 201616));
    EXPECT_EQ(Bytes(data[1575].bytes.begin() + 11 + 16, data[1575].bytes.begin() + 139), Bytes(112, 0xFF));
    EXPECT_EQ(data[1576].bytes[139], 0x8B);
    EXPECT_EQ(rig.dialog.Title(), L"Tovrin Firmware New_Firmware");
    ASSERT_EQ(rig.dialog.Boxes().size(), 1u);
    EXPECT_EQ(rig.dialog.Boxes()[0].caption, L"Update Completed!");
    EXPECT_EQ(rig.dialog.Boxes()[0].text,
              L"New firmware update successful!\r\nCongratulations,the firmware have been update completed");
}

TEST(CommandTransfer, ClassifierTable) {
    const Bytes ss = SpeedAnswer('S');
    struct Case {
        const char* name;
        Bytes reply;
        int result;
        uint32_t baudAfter;
    };
    const Case cases[] = {
        {"SS with 'S': 115200", ss, update::ReplyContinue, 115200},
        {"SS with a digit: 9600", SpeedAnswer('0'), update::ReplyContinue, 9600},
        {"SS with '9': 9600", SpeedAnswer('9'), update::ReplyContinue, 9600},
        {"SS with another byte", SpeedAnswer('x'), update::ReplyNone, 1200},
        {"SX", kAskNext, update::ReplyContinue, 1200},
        {"SC", kComplete, update::ReplyComplete, 1200},
        {"SQ", Frame('S', 'Q', {}), update::ReplyNone, 1200},
        {"TX", Frame('T', 'X', {}), update::ReplyNone, 1200},
        {"stray bytes before", Join({Bytes{0x01, 0xFE, 0x13}, kAskNext}), update::ReplyContinue, 1200},
        {"one extra byte after", Join({kAskNext, Bytes{0x00}}), update::ReplyNone, 1200},
        {"two replies in one poll", Join({kAskNext, kAskNext}), update::ReplyNone, 1200},
        {"first half of a split reply", Bytes(ss.begin(), ss.begin() + 6), update::ReplyNone, 1200},
        {"second half of a split reply", Bytes(ss.begin() + 6, ss.end()), update::ReplyNone, 1200},
        {"second '$' missing", Bytes{0x24, 0x25, 'S', 'X', 0x18, 0x00, 0x00, 0x0D, 0x0A}, update::ReplyNone, 1200},
        {"'$' as the last byte", Bytes{0x11, 0x24}, update::ReplyNone, 1200},
        {"no '$'", Bytes(20, 0x41), update::ReplyNone, 1200},
        {"checksum and CR LF ignored", Bytes{0x24, 0x24, 'S', 'X', 0, 0, 0x77, 0x78, 0x79}, update::ReplyContinue, 1200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        ASSERT_EQ(p.core.Port().OpenPort(1), 1);
        p.serial.line.baudRate = 1200;
        std::vector<uint8_t> exact(c.reply);
        EXPECT_EQ(p.core.ClassifyCommandReply(exact.data(), static_cast<int>(exact.size())), c.result);
        EXPECT_EQ(p.serial.line.baudRate, c.baudAfter);
    }
}

TEST(CommandTransfer, TransferStartsOnSXBeforeAnySS) {
    Program p;
    ASSERT_EQ(p.core.Port().OpenPort(1), 1);
    p.serial.onWrite = [](FakeSerial& s, const WrittenFrame& w) {
        if (w.bytes == kStart || IsData(w)) s.Deliver(kAskNext);
    };
    p.core.TransferImageByCommand(1);
    size_t data = 0;
    for (const WrittenFrame& w : p.serial.Written()) {
        if (IsData(w)) {
            ++data;
            EXPECT_EQ(w.baud, 9600u);
        }
    }
    EXPECT_EQ(data, 79u);
}

namespace {

struct Failure {
    const char* name;
    int32_t kind;
    std::function<void(FakeSerial&, const WrittenFrame&, int frames)> receiver;
    std::wstring boxCaption;  // empty: no box
};

}  // namespace

TEST(CommandTransfer, ErrorPathsSetTheStageBack) {
    const Failure failures[] = {
        {"silence after three frames", 1,
         [](FakeSerial& s, const WrittenFrame& w, int frames) {
             if (w.bytes == kStart) s.Deliver(SpeedAnswer('S'));
             else if (IsData(w) && frames < 3) s.Deliver(kAskNext);
         },
         L""},
        {"a receiver that never answers", 3, [](FakeSerial&, const WrittenFrame&, int) {}, L""},
        {"fifty unrecognised replies", 1,
         [](FakeSerial& s, const WrittenFrame& w, int) {
             if (w.bytes == kStart) s.Deliver({0x24, 0x24, 'Q', 'Q', 0x18, 0x00, 0x00, 0x0D, 0x0A});
         },
         L""},
        {"complete before any data", 1,
         [](FakeSerial& s, const WrittenFrame& w, int) {
             if (w.bytes == kStart) s.Deliver(kComplete);
         },
         L"Update ERROR!Receive command of complete!"},
        {"complete after some data", 3,
         [](FakeSerial& s, const WrittenFrame& w, int frames) {
             if (w.bytes == kStart) s.Deliver(SpeedAnswer('S'));
             else if (IsData(w)) s.Deliver(frames < 5 ? kAskNext : kComplete);
         },
         L"Update ERROR! Receive command of complete!"},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        Program p;
        ASSERT_EQ(p.core.Port().OpenPort(1), 1);
        int frames = 0;
        p.serial.onWrite = [&](FakeSerial& s, const WrittenFrame& w) {
            if (IsData(w)) ++frames;
            f.receiver(s, w, frames);
        };
        p.core.SetUpdateStage(static_cast<uint32_t>(f.kind));
        p.core.TransferImageByCommand(f.kind);
        EXPECT_EQ(p.core.GetUpdateStage(), static_cast<uint32_t>(f.kind - 1));
        EXPECT_EQ(p.dialog.Text(IDC_STATUS), L"Command Send Again! ");
        EXPECT_EQ(p.dialog.Text(IDC_PERCENT), L"");
        EXPECT_EQ(p.dialog.Position(), 0u);
        EXPECT_EQ(p.dialog.RangeMax(), 0u);
        EXPECT_EQ(p.serial.line.baudRate, 9600u);
        EXPECT_FALSE(p.core.Cursor().IsLoaded());
        EXPECT_NE(p.serial.Written().back().bytes, kEnd) << "no end frame after giving up";
        if (f.boxCaption.empty()) {
            EXPECT_TRUE(p.dialog.Boxes().empty());
        } else {
            ASSERT_EQ(p.dialog.Boxes().size(), 1u);
            EXPECT_EQ(p.dialog.Boxes()[0].caption, f.boxCaption);
            EXPECT_EQ(p.dialog.Boxes()[0].text, L"ERROR");
            EXPECT_EQ(p.dialog.Boxes()[0].style, 0x10u);
        }
    }
}

TEST(CommandTransfer, SilenceCountsPollsAndStartCommands) {
    // Before the receiver answers, every empty poll sends the start command and
    // the 51st ends the transfer; after it, silent polls send nothing.
    Program waiting;
    ASSERT_EQ(waiting.core.Port().OpenPort(1), 1);
    waiting.core.TransferImageByCommand(1);
    EXPECT_EQ(waiting.serial.Written().size(), 51u);

    Rig started;
    started.onData = [](FakeSerial&, const WrittenFrame&) {};
    started.core.TransferImageByCommand(1);
    const std::vector<WrittenFrame> all = started.serial.Written();
    ASSERT_EQ(all.size(), 2u);  // the start command and one data frame
    EXPECT_TRUE(IsData(all[1]));
}

TEST(CommandTransfer, UnrecognisedRepliesCountSinceTheLastContinue) {
    struct Case {
        const char* name;
        int replies;         // unrecognised replies, each followed by a silent poll
        int continueAt;      // which reply is a ReplyContinue instead (0: none)
        int pollsAfterLast;  // polls from the last reply to the end of the transfer
    };
    const Case cases[] = {{"49, then silence", 49, 0, 51},
                          {"the 50th gives up at once", 50, 0, 0},
                          {"a continue among them starts the count again", 60, 11, 51}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        ASSERT_EQ(p.core.Port().OpenPort(1), 1);
        p.core.SetUpdateStage(1);
        int delivered = 0, polls = 0, lastReplyPoll = 0, pauses = 0;
        bool silentNext = false;
        // A poll pauses 10 ms twice (the second inside the read): the receiver
        // answers on the second pause of every other poll.
        p.clock.onSleep = [&](uint32_t ms) {
            if (ms != 10 || ++pauses % 2 == 1) return;
            ++polls;
            if (silentNext || delivered == c.replies) {
                silentNext = false;
                return;
            }
            ++delivered;
            silentNext = true;
            lastReplyPoll = polls;
            p.serial.Deliver(delivered == c.continueAt ? SpeedAnswer('9')
                                                       : Bytes{0x24, 0x24, 'S', 'Q', 0x18, 0x00, 0x00, 0x0D, 0x0A});
        };
        p.core.TransferImageByCommand(1);
        EXPECT_EQ(p.core.GetUpdateStage(), 0u);
        EXPECT_EQ(delivered, c.replies);
        EXPECT_EQ(polls - lastReplyPoll, c.pollsAfterLast);
        size_t againShown = 0;
        for (const std::wstring& s : p.dialog.TextsOf(IDC_STATUS)) againShown += s.rfind(L"Send Command  Again! ", 0) == 0;
        EXPECT_GT(againShown, 0u);
    }
}

TEST(CommandTransfer, CompleteRightAfterThePaddingWasAddedEndsSuccessfully) {
    const MapImages source = WithTovrin(129);
    Rig rig(source);
    rig.onData = [](FakeSerial& s, const WrittenFrame& w) {
        // After the frame with the last image byte, report completion.
        const bool lastImageFrame = w.bytes[11 + 1] == 0xFF && w.bytes[11] != 0xFF;
        s.Deliver(lastImageFrame ? kComplete : kAskNext);
    };
    rig.core.SetUpdateStage(1);
    rig.core.TransferImageByCommand(1);
    EXPECT_EQ(rig.core.GetUpdateStage(), 1u);
    EXPECT_EQ(rig.Data().size(), 2u) << "no padding frame";
    EXPECT_EQ(rig.serial.Written().back().bytes, kEnd);
    EXPECT_EQ(rig.dialog.Text(IDC_PERCENT), L"100.0 %");
    EXPECT_EQ(rig.dialog.RangeMax(), 255u);
    EXPECT_EQ(rig.dialog.Position(), 256u);
}

TEST(CommandTransfer, EmptyImageAnswersEveryRequestWithTheStartCommand) {
    MapImages source;
    source.images[IDR_BIN_TOVRIN] = Bytes();
    Program p(source);
    ASSERT_EQ(p.core.Port().OpenPort(1), 1);
    int answers = 0;
    p.serial.onWrite = [&](FakeSerial& s, const WrittenFrame& w) {
        if (w.bytes == kStart && answers++ < 5) s.Deliver(kAskNext);
    };
    p.core.TransferImageByCommand(1);
    EXPECT_EQ(p.dialog.TextsOf(IDC_STATUS).size() > 0, true);
    size_t plainAgain = 0;
    for (const std::wstring& s : p.dialog.TextsOf(IDC_STATUS)) plainAgain += s.rfind(L"Send Command Again! ", 0) == 0;
    EXPECT_GT(plainAgain, 0u);
    for (const WrittenFrame& w : p.serial.Written()) EXPECT_EQ(w.bytes, kStart);
}
