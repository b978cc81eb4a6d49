#include "tests/support/receiver_frames.h"

#include <cstring>

#include "protocol/command_frame.h"

namespace testing_support {

protocol::InfoReplyBuffer ReplyData(const Identity& who) {
    protocol::InfoReplyBuffer data{};
    for (size_t i = 0; i < 128; ++i) data.bytes[i] = static_cast<uint8_t>(0x40 + (i * 7) % 50);  // receiver bytes
    auto put = [&](size_t at, size_t width, const std::string& text) {
        std::memset(data.bytes + at, 0, width);
        std::memcpy(data.bytes + at, text.data(), text.size() < width ? text.size() : width);
    };
    put(0, 4, who.type);
    data.bytes[4] = '|';
    put(5, 6, who.id);
    data.bytes[11] = '|';
    put(12, 20, who.date);
    data.bytes[58] = who.flag58;
    put(64, 25, who.pn);
    data.bytes[124] = who.radioBaud;
    data.bytes[126] = who.radioModule;
    return data;
}

Bytes Frame(char a, char b, const Bytes& data) {
    return protocol::BuildCommandFrame(a, b, data.data(), static_cast<uint8_t>(data.size()));
}

std::vector<Bytes> InfoReplyFrames(const protocol::InfoReplyBuffer& data) {
    const uint8_t* d = data.bytes;
    return {Frame('S', 'I', Bytes(d, d + 55)), Frame('S', 'I', Bytes(d + 55, d + 110)),
            Frame('S', 'I', Bytes(d + 110, d + 128))};
}

Bytes Join(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes InfoReply(const Identity& who) { return Join(InfoReplyFrames(ReplyData(who))); }

Bytes BootRequest(uint16_t number) {
    return {0xAA, 'Q', 'M', 0x04, static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), 0xBB, 'Z', 'O'};
}

Bytes BootDone() { return {0xAA, 'M', 'Q', 0x04, 0x00, 0x00, 0xBB, 'Z', 'O'}; }

}  // namespace testing_support
