// Frames as a receiver sends them, for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/info_record.h"

namespace testing_support {

using Bytes = std::vector<uint8_t>;

struct Identity {
    std::string type = "GX10";
    std::string id = "A12345";
    std::string date = "2026-11-30";
    std::string pn = "PN-7731-0042";
    uint8_t radioModule = 3;
    uint8_t radioBaud = 2;
    uint8_t flag58 = 0x80;
};

// The 128 data bytes of the three reply frames, with receiver bytes of their own.
protocol::InfoReplyBuffer ReplyData(const Identity& who);
// One "$$" frame with the given data.
Bytes Frame(char a, char b, const Bytes& data);
// The three frames (55, 55, 18 data bytes) of an information reply.
std::vector<Bytes> InfoReplyFrames(const protocol::InfoReplyBuffer& data);
Bytes InfoReply(const Identity& who = Identity());
Bytes Join(const std::vector<Bytes>& parts);

Bytes BootRequest(uint16_t number);
Bytes BootDone();

}  // namespace testing_support
