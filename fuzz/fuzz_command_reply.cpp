// The command-reply classifier on blocks of 1 to 255 bytes.
#include <cstring>
#include <memory>

#include "tests/support/fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 255) return 0;
    static testing_support::Program* program = [] {
        auto* p = new testing_support::Program();
        p->core.Port().OpenPort(1);
        return p;
    }();
    std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
    std::memcpy(block.get(), data, size);
    const int result = program->core.ClassifyCommandReply(block.get(), static_cast<int>(size));
    if (result < 0 || result > 2) __builtin_trap();
    return 0;
}
