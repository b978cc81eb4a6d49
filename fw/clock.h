// Millisecond tick and pause. The real clock pauses in wall time, the test clock
// in virtual time; both wake early when the worker is told to stop.
#pragma once

#include <cstdint>

namespace fw {

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since start-up, wrapping at 2^32 like GetTickCount.
    virtual uint32_t GetTickCount() = 0;
    // Pauses for `ms`; returns false when a stop request cut the pause short.
    virtual bool Sleep(uint32_t ms) = 0;
};

}  // namespace fw
