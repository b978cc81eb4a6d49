#include "protocol/command_frame.h"

namespace protocol {

const uint8_t InfoRequestFrame[9] = {0x24, 0x24, 0x53, 0x49, 0x18, 0x00, 0x02, 0x0D, 0x0A};

uint8_t XorBytes(const uint8_t* bytes, size_t count) {
    uint8_t x = 0;
    for (size_t i = 0; i < count; ++i) x ^= bytes[i];
    return x;
}

std::vector<uint8_t> BuildCommandFrame(char first, char second, const uint8_t* data, uint8_t length) {
    std::vector<uint8_t> frame;
    frame.reserve(9u + length);
    frame.push_back(kDollar);
    frame.push_back(kDollar);
    frame.push_back(static_cast<uint8_t>(first));
    frame.push_back(static_cast<uint8_t>(second));
    frame.push_back(kFrameTag);
    frame.push_back(length);
    frame.insert(frame.end(), data, data + length);
    frame.push_back(XorBytes(frame.data() + 2, frame.size() - 2));
    frame.push_back(kCr);
    frame.push_back(kLf);
    return frame;
}

}  // namespace protocol
