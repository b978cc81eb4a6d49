// The boot-reply classifier on replies of 9 to 99 bytes in the 100-byte reply
// buffer, as the boot transfer reads them.
#include <cstring>

#include "update/update_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9 || size > 99) return 0;
    uint8_t reply[100] = {};
    std::memcpy(reply, data, size);
    const int result = update::CUpdateCore::ClassifyBootReply(reply);
    if (result < 0 || result > 2) __builtin_trap();
    if (result == update::BootReplyRequest && (reply[0] != 0xAA || reply[1] != 'Q' || reply[2] != 'M')) __builtin_trap();
    return 0;
}
