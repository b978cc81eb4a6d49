// Stages 1 and 3: an image into the receiver over the command channel. The
// receiver drives: "$$SS" is offered until it answers, then each request gets
// one 142-byte "$$SX" frame of 128 image bytes, and "$$SC" ends the transfer.
#include <cstdio>
#include <cstring>

#include "fw/text.h"
#include "protocol/command_frame.h"
#include "protocol/status_dots.h"
#include "res/resource.h"
#include "update/update_core.h"

namespace protocol {

const uint8_t TransferStartCommand[11] = {0x24, 0x24, 0x53, 0x53, 0x18, 0x02, 0x31, 0x36, 0x1D, 0x0D, 0x0A};
constexpr size_t kDataFrameSize = 142;
constexpr size_t kDataFrameImageBytes = 128;

}  // namespace protocol

namespace update {

namespace {

std::wstring Percent(int32_t sent, int32_t total) {
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f %%",
                  total != 0 ? static_cast<double>(sent) / static_cast<double>(total) * 100.0 : 0.0);
    return fw::AsciiToWide(text);
}

}  // namespace

int CUpdateCore::ClassifyCommandReply(const uint8_t* bytes, int count) {
    if (bytes == nullptr || count <= 0) return ReplyNone;
    int i = 0;
    while (i < count && bytes[i] != protocol::kDollar) ++i;
    if (i >= count) return ReplyNone;
    const uint8_t* reply = bytes + i;
    const int length = count - i;
    // The reply must end exactly where this poll's data ends; only then are
    // offsets 1 to 8 inside the received bytes (a reply has at least 9).
    if (length < 6 || length != reply[5] + 9) return ReplyNone;
    if (reply[1] != protocol::kDollar || reply[2] != 'S') return ReplyNone;
    switch (reply[3]) {
        case 'S':
            if (reply[8] == 'S') {
                port_.SetBaudRate(115200);
                return ReplyContinue;
            }
            if (reply[8] >= '0' && reply[8] <= '9') {
                port_.SetBaudRate(9600);
                return ReplyContinue;
            }
            return ReplyNone;
        case 'X':
            return ReplyContinue;
        case 'C':
            return ReplyComplete;
        default:
            return ReplyNone;
    }
}

void CUpdateCore::RunTovrinStage() {
    TransferImageByCommand(images::kImageTovrin);
    if (UpdateStage.load() == 1) {
        Box(L"Please press \"OK\",and  Restart the Receiver\r\nRestart Times:2/2",
            L" Tovrin_Firmware Update Successful!", fw::kMbIconInformation);
    }
    port_.SetBaudRate(9600);
}

void CUpdateCore::RunFirmwareStage() {
    port_.SetBaudRate(9600);
    TransferImageByCommand(images::kImageFirmware);
    if (UpdateStage.load() == 3) {
        Box(L"New firmware update successful!\r\nCongratulations,the firmware have been update completed",
            L"Update Completed!", fw::kMbIconInformation);
    }
}

void CUpdateCore::TransferImageByCommand(int32_t kind) {
    using namespace protocol;
    int32_t sent = 0;
    int32_t total = 0;
    int32_t padding = 0;
    bool padded = false;
    bool started = false;
    uint16_t noReply = 0;
    uint16_t badReplies = 0;
    uint8_t buffer[256] = {};
    const std::wstring label = kind == images::kImageTovrin ? L"Tovrin_Firmware" : L"New_Firmware";
    StatusDots status(L"Starting to Update " + label);
    std::wstring percent;

    Title(L"Tovrin Firmware " + label);
    Show(IDC_PERCENT, percent);
    Progress(fw::kPbmSetRange, 0, fw::MakeRange(0, 0));
    Progress(fw::kPbmSetPos, 0, 0);

    const auto send = [this](const uint8_t* frame, uint32_t length) { port_.WriteData(frame, length); };
    const auto showProgress = [&](uint32_t rangeMax, uint32_t position) {
        percent = Percent(sent, total);
        Show(IDC_PERCENT, percent);
        Progress(fw::kPbmSetRange, 0, fw::MakeRange(0, rangeMax));
        Progress(fw::kPbmSetPos, position, 0);
    };
    const auto errorPath = [&] {
        status.text = L"Command Send Again! ";
        Progress(fw::kPbmSetRange, 0, fw::MakeRange(0, 0));
        Progress(fw::kPbmSetPos, 0, 0);
        cursor_.Reset();
        percent.clear();
        Show(IDC_PERCENT, percent);
        Show(IDC_STATUS, status.text);
        port_.SetBaudRate(9600);
        UpdateStage.store(static_cast<uint32_t>(kind - 1));
    };

    for (;;) {
        Show(IDC_STATUS, status.text);
        status.Step();
        if (!started) Pause(100);
        std::memset(buffer, 0, sizeof buffer);
        Pause(10);
        const int n = port_.ReadAvailable(buffer, sizeof buffer);
        ++noReply;
        if (n == 0) {
            if (!started) send(TransferStartCommand, sizeof TransferStartCommand);
            if (noReply > 50) return errorPath();
            continue;
        }
        noReply = 0;
        const int reply = ClassifyCommandReply(buffer, n);
        if (reply == ReplyNone) {
            send(TransferStartCommand, sizeof TransferStartCommand);
            status.text = L"Send Command  Again! ";
            if (++badReplies >= 50) return errorPath();
            continue;
        }
        if (reply == ReplyComplete) {
            if (sent == 0 || total == 0) {
                Box(L"ERROR", L"Update ERROR!Receive command of complete!", fw::kMbIconStop);
                return errorPath();
            }
            if (sent < total) {
                Box(L"ERROR", L"Update ERROR! Receive command of complete!", fw::kMbIconStop);
                return errorPath();
            }
            showProgress(static_cast<uint32_t>(total - 1) & 0xFFFFu, static_cast<uint32_t>(sent));
            break;
        }
        // ReplyContinue: the next data frame.
        badReplies = 0;
        started = true;
        std::memset(buffer, 0xFF, sizeof buffer);
        if (!padded) sent += static_cast<int32_t>(cursor_.ReadImageChunk(kind, buffer + 11, 128, &total));
        if (sent == 0) {
            send(TransferStartCommand, sizeof TransferStartCommand);
            status.text = L"Send Command Again! ";
            continue;
        }
        if (!padded && total % 256 != 0) padding = 256 - total % 256;
        buffer[0] = kDollar;
        buffer[1] = kDollar;
        buffer[2] = 'S';
        buffer[3] = 'X';
        std::memset(buffer + 4, 0xAA, 6);
        buffer[10] = static_cast<uint8_t>(kDataFrameImageBytes);
        buffer[139] = XorBytes(buffer + 2, 137);
        buffer[140] = kCr;
        buffer[141] = kLf;
        send(buffer, kDataFrameSize);
        showProgress(static_cast<uint32_t>((total - 1) / 256), static_cast<uint32_t>(sent / 256));
        if (sent < total) continue;
        if (padding > 0 && !padded) {
            sent += padding;
            total += padding;
            padding = 0;
            padded = true;
            continue;
        }
        break;
    }
    Pause(200);
    uint8_t endFrame[9] = {0x24, 0x24, 0x53, 0x43, 0x18, 0x00, 0x00, 0x0D, 0x0A};
    endFrame[6] = XorBytes(endFrame, 6);
    send(endFrame, sizeof endFrame);
    cursor_.Reset();
}

}  // namespace update
