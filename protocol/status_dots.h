// The waiting status line: each pass appends "." until ten stand, and the next
// pass puts the base text back, a cycle of eleven passes. A message may replace
// the text; dots are then appended to it the same way until the next reset.
#pragma once

#include <cstdint>
#include <string>

namespace protocol {

struct StatusDots {
    explicit StatusDots(std::wstring baseText) : base(std::move(baseText)), text(base) {}

    void Step() {
        if (dots < 10) {
            text += L".";
            ++dots;
        } else {
            text = base;
            dots = 0;
        }
    }

    std::wstring base;
    std::wstring text;
    uint8_t dots = 0;
};

}  // namespace protocol
