// Stage 0: the information request, the reply parser, the record and the boxes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "protocol/command_frame.h"
#include "res/resource.h"
#include "tests/support/fixture.h"
#include "tests/support/receiver_frames.h"

using namespace testing_support;

namespace {

// Parses `block` from a heap copy of exactly its size, so a read past the
// received bytes is a read past the allocation.
int Parse(Program& p, const Bytes& block) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[block.size()]);
    std::memcpy(exact.get(), block.data(), block.size());
    return p.core.ParseInfoReply(exact.get(), static_cast<int>(block.size()));
}

bool RecordIsZero(const Program& p) {
    for (uint8_t b : p.core.Record().bytes) {
        if (b != 0) return false;
    }
    return true;
}

std::vector<Bytes> FramesOf(const Identity& who) { return InfoReplyFrames(ReplyData(who)); }

}  // namespace

TEST(InfoRequest, RequestFrameBytes) {
    const Bytes expected = {0x24, 0x24, 0x53, 0x49, 0x18, 0x00, 0x02, 0x0D, 0x0A};
    EXPECT_EQ(Bytes(protocol::InfoRequestFrame, protocol::InfoRequestFrame + 9), expected);
    const uint8_t data[2] = {0x31, 0x36};
    EXPECT_EQ(protocol::BuildCommandFrame('S', 'S', data, 2),
              (Bytes{0x24, 0x24, 0x53, 0x53, 0x18, 0x02, 0x31, 0x36, 0x1D, 0x0D, 0x0A}));
}

TEST(InfoRequest, RecordTakesEveryByteFromItsPlace) {
    Program p;
    const protocol::InfoReplyBuffer data = ReplyData(Identity());
    ASSERT_EQ(Parse(p, InfoReply()), 0);
    const uint8_t* r = p.core.Record().bytes;
    const uint8_t* b = data.bytes;
    // record byte <- reply buffer byte, the crossed orders included
    const std::pair<int, int> moved[] = {{5, 59}, {6, 45}, {7, 60}, {8, 61}, {9, 91}, {10, 90}, {11, 44},
                                         {69, 125}, {70, 126}, {71, 124}, {72, 127}};
    for (const auto& m : moved) EXPECT_EQ(r[m.first], b[m.second]) << "record byte " << m.first;
    for (int i = 0; i < 32; ++i)
        if (i != 4 && i != 11) { EXPECT_EQ(r[12 + i], b[i]) << "record byte " << 12 + i; }
    for (int i = 0; i < 25; ++i) EXPECT_EQ(r[44 + i], b[64 + i]) << "record byte " << 44 + i;
    EXPECT_EQ(Bytes(r, r + 5), (Bytes{0xAA, 'Q', 'M', 0, 1}));
    EXPECT_EQ(r[16], 0x20);
    EXPECT_EQ(r[23], 0x20);
    EXPECT_EQ(Bytes(r + 73, r + 77), (Bytes{0xBB, 'Z', 'O', 'R'}));

    EXPECT_EQ(p.dialog.Text(IDC_RECEIVER_TYPE), L"GX10");
    EXPECT_EQ(p.dialog.Text(IDC_RECEIVER_ID), L"A12345");
    EXPECT_EQ(p.dialog.Text(IDC_PRODUCT_DATE), L"2026-11-30");
    EXPECT_EQ(p.dialog.Text(IDC_PN_CODE), L"PN-7731-0042");
    EXPECT_EQ(p.dialog.Text(IDC_RADIO_MODULE), L"3");
    EXPECT_EQ(p.dialog.Text(IDC_RADIO_BAUD), L"2");
}

TEST(InfoRequest, ParserAcceptsAndRefusesReplies) {
    const std::vector<Bytes> good = FramesOf(Identity());
    Bytes badSum = good[1];
    badSum[6 + 55] ^= 0x01;
    Bytes crlfInData = good[0];
    crlfInData[6 + 20] = 0x0D;
    crlfInData[6 + 21] = 0x0A;
    crlfInData[6 + 55] = protocol::XorBytes(crlfInData.data() + 2, 4 + 55);
    const Bytes cut = Join(good);

    struct Case {
        const char* name;
        Bytes block;
        int result;
    };
    const Case cases[] = {
        {"complete", Join(good), 0},
        {"noise before the first frame", Join({Bytes{0x00, 0x13, 0xFF, 0x41}, good[0], good[1], good[2]}), 0},
        {"noise between frames", Join({good[0], Bytes{0x11, 0x22}, good[1], Bytes{0x7E}, good[2]}), 0},
        {"bytes after the third frame", Join({good[0], good[1], good[2], Bytes{0x24, 0x24, 0x01}}), 0},
        {"third frame missing", Join({good[0], good[1]}), 2},
        {"frames 55, 18, 55", Join({good[0], good[2], good[1]}), 2},
        {"frame 2 checksum wrong", Join({good[0], badSum, good[2]}), 2},
        {"CR LF inside the data", Join({crlfInData, good[1], good[2]}), 2},
        {"third frame cut before its LF", Bytes(cut.begin(), cut.end() - 1), 2},
        {"third frame cut inside its data", Bytes(cut.begin(), cut.end() - 15), 2},
        {"'$' as the last byte", Join({good[0], good[1], Bytes{0x24}}), 2},
        {"'$$SI' and its tag at the end", Join({good[0], good[1], Bytes{0x24, 0x24, 0x53, 0x49, 0x18}}), 2},
        {"length byte last", Join({good[0], good[1], Bytes{0x24, 0x24, 0x53, 0x49, 0x18, 0x12}}), 2},
        {"no '$' at all", Bytes(40, 0x55), 2},
        {"a single byte", Bytes{0x24}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        EXPECT_EQ(Parse(p, c.block), c.result);
        if (c.result == 2) {
            EXPECT_TRUE(RecordIsZero(p));
            EXPECT_EQ(p.dialog.Text(IDC_RECEIVER_TYPE), L"");
        }
    }
}

TEST(InfoRequest, FirstFrameWithChecksum0x24IsAccepted) {
    protocol::InfoReplyBuffer data = ReplyData(Identity());
    // Tune a receiver byte of frame 1 until its checksum is '$'.
    for (int v = 0; v < 256; ++v) {
        data.bytes[50] = static_cast<uint8_t>(v);
        if (InfoReplyFrames(data)[0][6 + 55] == 0x24) break;
    }
    const std::vector<Bytes> frames = InfoReplyFrames(data);
    ASSERT_EQ(frames[0][61], 0x24);
    Program p;
    EXPECT_EQ(Parse(p, Join(frames)), 0);
}

TEST(InfoRequest, RadioModuleAndFlagRules) {
    struct Case {
        uint8_t module;
        uint8_t flag58;
        int result;
        uint8_t flag;
    };
    const Case cases[] = {{0, 0x80, 2, 0}, {6, 0x80, 2, 0}, {1, 0x80, 0, 1}, {5, 0x00, 0, 2}, {5, 0x81, 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "module " << int(c.module) << " flag " << int(c.flag58));
        Identity who;
        who.radioModule = c.module;
        who.flag58 = c.flag58;
        Program p;
        p.dialog.SetItemText(IDC_RADIO_MODULE, L"old");
        EXPECT_EQ(Parse(p, InfoReply(who)), c.result);
        if (c.result == 2) {
            EXPECT_TRUE(RecordIsZero(p));
            EXPECT_EQ(p.dialog.Text(IDC_RADIO_MODULE), L"old");
        } else {
            EXPECT_EQ(p.core.Record().bytes[4], c.flag);
        }
    }
}

TEST(InfoRequest, TextFieldsShowUpToTheirFirstZeroAndNeverPastTheirEnd) {
    Identity who;
    who.type = "GX";
    who.date = "20261130-1200-ABCDEF";  // all 20 bytes
    who.pn = std::string(25, 'P');      // all 25 bytes, followed by receiver bytes
    who.radioBaud = 255;
    Program p;
    ASSERT_EQ(Parse(p, InfoReply(who)), 0);
    EXPECT_EQ(p.dialog.Text(IDC_RECEIVER_TYPE), L"GX");
    EXPECT_EQ(p.dialog.Text(IDC_PRODUCT_DATE), L"20261130-1200-ABCDEF");
    EXPECT_EQ(p.dialog.Text(IDC_PN_CODE), std::wstring(25, L'P'));
    EXPECT_EQ(p.dialog.Text(IDC_RADIO_BAUD), L"255");
    who.radioBaud = 0;
    ASSERT_EQ(Parse(p, InfoReply(who)), 0);
    EXPECT_EQ(p.dialog.Text(IDC_RADIO_BAUD), L"0");
}

TEST(InfoRequest, StageZeroFromRequestToRestart) {
    Program p;
    ASSERT_EQ(p.core.Port().OpenPort(1), 1);
    bool answering = false;
    bool split = true;
    Bytes rest;
    p.serial.onWrite = [&](FakeSerial& s, const WrittenFrame&) {
        if (!answering) return;
        const Bytes reply = InfoReply();
        if (!rest.empty()) {  // the second half of the split reply, then a whole one
            s.Deliver(rest);
            rest.clear();
        }
        if (split) {  // the first answer comes split over two reads
            split = false;
            s.Deliver(Bytes(reply.begin(), reply.begin() + 70));
            rest.assign(reply.begin() + 70, reply.end());
            return;
        }
        s.Deliver(reply);
    };
    const uint32_t start = p.clock.GetTickCount();
    std::vector<uint32_t> noResponseAt;
    int confirmations = 0;
    p.dialog.answer = [&](const BoxRecord& box) {
        if (box.caption == L"No Respond") {
            noResponseAt.push_back(p.clock.GetTickCount() - start);
            if (noResponseAt.size() == 2) answering = true;
            return fw::kIdOk;
        }
        if (box.caption == L"Configuration Confirm") return ++confirmations == 1 ? fw::kIdNo : fw::kIdYes;
        return fw::kIdOk;
    };
    p.core.RequestInformation();

    ASSERT_EQ(noResponseAt.size(), 2u);
    EXPECT_EQ(noResponseAt[0], 31000u);  // the first pass at or after 31 s
    EXPECT_GE(noResponseAt[1] - noResponseAt[0], 31000u);
    EXPECT_LT(noResponseAt[1] - noResponseAt[0], 31000u + 311u);

    const std::vector<BoxRecord> boxes = p.dialog.Boxes();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].text,
              L"Notice:\r\nReceiver no respond,make sure the cable of serial connect is correctly!\r\n"
              L"If the cable have been connected OK,you can ignore this notice!");
    EXPECT_EQ(boxes[0].style, 0u);
    EXPECT_EQ(boxes[2].caption, L"Configuration Confirm");
    EXPECT_EQ(boxes[2].text,
              L"Notice:\r\nMake Sure the Parameters are Correct!\r\nPress \"Yes\" to Confirm,Or Press \"No\" to "
              L"Request Again!");
    EXPECT_EQ(boxes[2].style, 0x34u);
    EXPECT_EQ(boxes[3].caption, L"Configuration Confirm");
    EXPECT_EQ(boxes[4].caption, L"Get Configuration Successful");
    EXPECT_EQ(boxes[4].text, L"Please press \"OK\",and then Restart the Receiver!\r\nRestart Times:1/2");
    EXPECT_EQ(boxes[4].style, 0x40u);
    for (const BoxRecord& b : boxes) EXPECT_TRUE(b.owned);

    EXPECT_EQ(p.dialog.Title(), L"Tovrin Firmware Request the Hardware Information");
    const std::vector<std::wstring> status = p.dialog.TextsOf(IDC_STATUS);
    ASSERT_GT(status.size(), 12u);
    const std::wstring base = L"Request the Hardware Information";
    for (size_t pass = 0; pass < 11; ++pass) EXPECT_EQ(status[pass], base + std::wstring(pass, L'.'));
    EXPECT_EQ(status[11], base);

    for (const WrittenFrame& w : p.serial.Written()) {
        EXPECT_EQ(w.bytes, Bytes(protocol::InfoRequestFrame, protocol::InfoRequestFrame + 9));
    }
    EXPECT_EQ(p.core.Record().bytes[70], 3);
    EXPECT_EQ(p.dialog.Text(IDC_RECEIVER_TYPE), L"GX10");
}

TEST(InfoRequest, BytesThatNeverParseNeverBringTheNoResponseBox) {
    Program p;
    ASSERT_EQ(p.core.Port().OpenPort(1), 1);
    int requests = 0;
    p.serial.onWrite = [&](FakeSerial& s, const WrittenFrame&) {
        if (++requests < 300) s.Deliver({0x24, 0x01, 0x02});
        else s.Deliver(InfoReply());
    };
    p.core.RequestInformation();
    EXPECT_EQ(requests, 300);
    for (const BoxRecord& b : p.dialog.Boxes()) EXPECT_NE(b.caption, L"No Respond");
}
