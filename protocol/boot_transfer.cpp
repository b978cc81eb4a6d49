// Stage 2: the new boot loader over the boot channel at 115200 baud. The whole
// prepared image is held in memory; the receiver asks for 256-byte packets by
// number, and end frames follow until it sends its own.
#include <cstdio>
#include <cstring>
#include <vector>

#include "fw/text.h"
#include "protocol/status_dots.h"
#include "res/resource.h"
#include "update/update_core.h"

namespace protocol {

constexpr size_t kBootPacketSize = 268;
constexpr size_t kBootBufferSize = 65536;
constexpr size_t kBootReplySize = 100;
const uint8_t BootEndFrame[9] = {0xAA, 0x4D, 0x51, 0x04, 0x00, 0x00, 0xBB, 0x5A, 0x4F};

}  // namespace protocol

namespace update {

int CUpdateCore::ClassifyBootReply(uint8_t* reply) {
    if (reply == nullptr) return BootReplyNone;
    int first = -1;
    for (int i = 0; i <= 8; ++i) {
        if (reply[i] == 0xAA) {
            first = i;
            break;
        }
    }
    if (first < 0) return BootReplyNone;
    if (first > 0) std::memmove(reply, reply + first, static_cast<size_t>(9 - first));
    if (reply[3] == 0x03) return BootReplyNone;
    if (reply[0] == 0xAA && reply[1] == 'Q' && reply[2] == 'M') return BootReplyRequest;
    if (reply[1] == 'M' && reply[2] == 'Q') return BootReplyDone;
    return BootReplyNone;
}

void CUpdateCore::RunBootStage() {
    TransferBootImage();
    port_.SetBaudRate(9600);
}

void CUpdateCore::TransferBootImage() {
    using namespace protocol;
    StatusDots status(L"Starting to Update New_Boot");
    port_.SetBaudRate(115200);
    Show(IDC_PERCENT, L"");
    Show(IDC_STATUS, status.text);
    Progress(fw::kPbmSetPos, 0, 0);

    // The whole prepared image, from offset 0 of a zero-filled buffer.
    std::vector<uint8_t> image(kBootBufferSize, 0);
    int32_t size = 0;
    int32_t placed = static_cast<int32_t>(cursor_.ReadImageChunk(images::kImageBoot, image.data(), 256, &size));
    // The build refuses a boot image that does not fit; a foreign one is cut
    // at the buffer so no read or write leaves it.
    if (size > static_cast<int32_t>(kBootBufferSize)) size = static_cast<int32_t>(kBootBufferSize);
    while (placed > 0 && placed < size) {
        const uint32_t room = static_cast<uint32_t>(size - placed);
        const uint32_t got = cursor_.ReadImageChunk(images::kImageBoot, image.data() + placed,
                                                    static_cast<int32_t>(room < 256 ? room : 256), &size);
        if (got == 0) break;
        placed += static_cast<int32_t>(got);
    }
    Progress(fw::kPbmSetRange, 0, fw::MakeRange(0, static_cast<uint32_t>(size > 0 ? (size - 1) / 1000 : 0)));
    cursor_.Reset();

    uint32_t requested = 0;
    int32_t endOffset = 0;
    int32_t remainder = size;
    bool finished = false;
    uint32_t finishCount = 0;
    uint8_t packet[kBootPacketSize];
    uint8_t reply[kBootReplySize];

    for (;;) {
        Show(IDC_STATUS, status.text);
        status.Step();
        if (finished) {
            port_.WriteData(BootEndFrame, sizeof BootEndFrame);
            if (++finishCount > 255) return;
        } else if (requested != 0) {
            const int64_t offset = (static_cast<int64_t>(requested) - 1) * 256;
            if (offset > size) {
                requested = 0;
                continue;
            }
            std::memset(packet, 0, sizeof packet);
            packet[0] = 0xAA;
            packet[1] = 'Q';
            packet[2] = 'M';
            packet[3] = 0x03;
            packet[4] = static_cast<uint8_t>(requested);
            packet[5] = static_cast<uint8_t>(requested >> 8);
            uint32_t count;
            if (remainder >= 256) {
                count = 256;
                endOffset = static_cast<int32_t>(requested * 256);
            } else {
                count = remainder > 0 ? static_cast<uint32_t>(remainder) : 0;
                endOffset += remainder;
            }
            // Bytes past the transfer buffer are sent as 0: nothing is read
            // outside it.
            const size_t from = static_cast<size_t>(offset);
            const size_t available = from < kBootBufferSize ? kBootBufferSize - from : 0;
            std::memcpy(packet + 8, image.data() + from, count < available ? count : available);
            remainder = size - endOffset;
            requested = 0;
            uint8_t check = 0;
            for (uint32_t i = 0; i < count; ++i) check ^= packet[8 + i];
            packet[6] = static_cast<uint8_t>(count);
            packet[7] = static_cast<uint8_t>(count >> 8);
            packet[264] = check;
            packet[265] = 0xBB;
            packet[266] = 'Z';
            packet[267] = 'O';
            port_.WriteData(packet, sizeof packet);
            char text[32];
            const float share = size != 0 ? static_cast<float>(endOffset) / static_cast<float>(size) : 0.0f;
            std::snprintf(text, sizeof text, "%0.1f %%", static_cast<double>(share) * 100.0);
            Show(IDC_PERCENT, fw::AsciiToWide(text));
            Progress(fw::kPbmSetPos, static_cast<uintptr_t>(endOffset / 1000), 0);
            if (endOffset >= size) {
                finished = true;
                ++finishCount;
            }
        }
        std::memset(reply, 0, sizeof reply);
        const int n = port_.ReadAvailable(reply, sizeof reply);
        if (n <= 8) continue;
        switch (ClassifyBootReply(reply)) {
            case BootReplyRequest:
                if (!finished) requested = static_cast<uint32_t>(reply[4]) | static_cast<uint32_t>(reply[5]) << 8;
                break;
            case BootReplyDone:
                return;
            default:
                break;
        }
    }
}

}  // namespace update
