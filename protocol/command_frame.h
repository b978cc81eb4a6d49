// The "$$" command frame: '$' '$' letter letter 0x18 L data[L] xor CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace protocol {

constexpr uint8_t kDollar = 0x24;
constexpr uint8_t kFrameTag = 0x18;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

// XOR of `count` bytes.
uint8_t XorBytes(const uint8_t* bytes, size_t count);

// A whole frame with the given command letters and data (at most 255 bytes).
std::vector<uint8_t> BuildCommandFrame(char first, char second, const uint8_t* data, uint8_t length);

// The 9-byte information request "$$SI" with no data.
extern const uint8_t InfoRequestFrame[9];

}  // namespace protocol
