// The information-reply parser on blocks of 1 to 255 bytes, each in a heap
// block of exactly its size so that any read past the received bytes is seen.
#include <cstring>
#include <memory>

#include "tests/support/fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 255) return 0;
    static testing_support::Program* program = new testing_support::Program();
    program->dialog.ClearLogs();
    std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
    std::memcpy(block.get(), data, size);
    const int result = program->core.ParseInfoReply(block.get(), static_cast<int>(size));
    if (result != 0 && result != 2) __builtin_trap();
    if (result == 0) {
        const uint8_t module = program->core.Record().bytes[70];
        if (module == 0 || module > 5) __builtin_trap();
    }
    return 0;
}
