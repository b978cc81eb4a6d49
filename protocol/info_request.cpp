// Stage 0: ask the receiver for its identity, check its three-frame reply, build
// the receiver record, show it and let the operator confirm it.
#include <cstdio>
#include <cstring>

#include "fw/text.h"
#include "protocol/command_frame.h"
#include "protocol/status_dots.h"
#include "res/resource.h"
#include "update/update_core.h"

namespace protocol {

void BuildReceiverInfoRecord(const InfoReplyBuffer& reply, ReceiverInfoRecord* record) {
    const uint8_t* b = reply.bytes;
    uint8_t* r = record->bytes;
    std::memset(r, 0, kReceiverInfoRecordSize);
    r[0] = 0xAA;
    r[1] = 'Q';
    r[2] = 'M';
    r[4] = b[58] == 0x80 ? 1 : 2;
    r[5] = b[59];
    r[6] = b[45];
    r[7] = b[60];
    r[8] = b[61];
    r[9] = b[91];
    r[10] = b[90];
    r[11] = b[44];
    std::memcpy(r + 12, b + 0, 32);  // type, blank, ID, blank, product date
    r[16] = 0x20;
    r[23] = 0x20;
    std::memcpy(r + kRecordPnText, b + 64, kRecordPnLength);
    r[69] = b[125];
    r[70] = b[126];
    r[71] = b[124];
    r[72] = b[127];
    r[73] = 0xBB;
    r[74] = 'Z';
    r[75] = 'O';
    r[76] = 'R';
}

}  // namespace protocol

namespace update {

namespace {

const wchar_t kRequestText[] = L"Request the Hardware Information";

// A text field of the record, up to its first 0 byte and never past its end.
std::wstring RecordText(const protocol::ReceiverInfoRecord& record, size_t offset, size_t length) {
    const char* text = reinterpret_cast<const char*>(record.bytes + offset);
    size_t shown = 0;
    while (shown < length && text[shown] != '\0') ++shown;
    return fw::AnsiToWide(text, shown);
}

std::wstring Decimal(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return fw::AsciiToWide(text);
}

}  // namespace

int CUpdateCore::ParseInfoReply(const uint8_t* bytes, int count) {
    using namespace protocol;
    infoFrameState_ = 0;
    const auto fail = [this] {
        infoFrameState_ = 0;
        return 2;
    };
    if (bytes == nullptr || count <= 0) return fail();
    const size_t n = static_cast<size_t>(count);
    size_t place = 0;
    while (infoFrameState_ < 3) {
        while (place < n && bytes[place] != kDollar) ++place;
        if (place >= n) return fail();
        const uint8_t* frame = bytes + place;
        const size_t available = n - place;
        // The length byte and everything the frame covers must have been
        // received; a frame cut off by the end of the block fails.
        if (available < 6) return fail();
        const uint8_t length = frame[5];
        if (length == 55 && infoFrameState_ == 0) {
            infoFrameState_ = 1;
        } else if (length == 55 && infoFrameState_ == 1) {
            infoFrameState_ = 2;
        } else if (length == 18 && infoFrameState_ == 2) {
            infoFrameState_ = 3;
        } else {
            return fail();
        }
        if (available < 6u + length) return fail();
        const uint8_t check = XorBytes(frame + 2, 4u + length);
        size_t end = 0;  // frame offset of the CR
        for (size_t cr = 7; cr <= length + 9u && cr + 1 < available; ++cr) {
            if (frame[cr] == kCr && frame[cr + 1] == kLf) {
                end = cr;
                break;
            }
        }
        if (end == 0 || frame[end - 1] != check) return fail();
        std::memcpy(infoReply_.bytes + (infoFrameState_ - 1) * 55u, frame + 6, length);
        place += end + 2;
    }
    BuildReceiverInfoRecord(infoReply_, &record_);
    const uint8_t module = record_.bytes[kRecordRadioModule];
    if (module == 0 || module > 5) {
        std::memset(record_.bytes, 0, sizeof record_.bytes);
        return fail();
    }
    Show(IDC_RECEIVER_TYPE, RecordText(record_, kRecordTypeText, kRecordTypeLength));
    Show(IDC_RECEIVER_ID, RecordText(record_, kRecordIdText, kRecordIdLength));
    Show(IDC_PRODUCT_DATE, RecordText(record_, kRecordDateText, kRecordDateLength));
    Show(IDC_PN_CODE, RecordText(record_, kRecordPnText, kRecordPnLength));
    Show(IDC_RADIO_MODULE, Decimal(record_.bytes[kRecordRadioModule]));
    Show(IDC_RADIO_BAUD, Decimal(record_.bytes[kRecordRadioBaud]));
    infoFrameState_ = 0;
    return 0;
}

void CUpdateCore::RequestInformation() {
    using namespace protocol;
    uint8_t readBuffer[256] = {};
    Title(std::wstring(L"Tovrin Firmware ") + kRequestText);
    StatusDots status(kRequestText);
    for (;;) {
        // A request cycle.
        std::memset(infoReply_.bytes, 0, sizeof infoReply_.bytes);
        std::memset(record_.bytes, 0, sizeof record_.bytes);
        uint32_t start = clock_.GetTickCount();
        port_.WriteData(InfoRequestFrame, sizeof InfoRequestFrame);
        status.text = status.base;  // the dot counter goes on from where it was
        for (;;) {
            Show(IDC_STATUS, status.text);
            status.Step();
            std::memset(readBuffer, 0, sizeof readBuffer);
            Pause(300);
            const int n = port_.ReadAvailable(readBuffer, sizeof readBuffer);
            if (n > 0) {
                if (ParseInfoReply(readBuffer, n) == 0) break;
            } else if ((clock_.GetTickCount() - start) / 1000 > 30) {
                Box(L"Notice:\r\nReceiver no respond,make sure the cable of serial connect is correctly!\r\n"
                    L"If the cable have been connected OK,you can ignore this notice!",
                    L"No Respond", fw::kMbOk);
                start = clock_.GetTickCount();
            }
            port_.WriteData(InfoRequestFrame, sizeof InfoRequestFrame);
        }
        const int answer = Box(L"Notice:\r\nMake Sure the Parameters are Correct!\r\n"
                               L"Press \"Yes\" to Confirm,Or Press \"No\" to Request Again!",
                               L"Configuration Confirm", fw::kMbYesNoExclamation);
        if (answer != fw::kIdNo) break;
    }
    Box(L"Please press \"OK\",and then Restart the Receiver!\r\nRestart Times:1/2", L"Get Configuration Successful",
        fw::kMbIconInformation);
}

}  // namespace update
