// The receiver's identity: the reply buffer the three information frames fill,
// and the 77-byte record built from it that goes into the new boot image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace protocol {

constexpr size_t kInfoReplyBufferSize = 256;
constexpr size_t kReceiverInfoRecordSize = 77;

// Offsets inside ReceiverInfoRecord.
constexpr size_t kRecordBootVersion = 3;
constexpr size_t kRecordTypeText = 12, kRecordTypeLength = 4;
constexpr size_t kRecordIdText = 17, kRecordIdLength = 6;
constexpr size_t kRecordDateText = 24, kRecordDateLength = 20;
constexpr size_t kRecordPnText = 44, kRecordPnLength = 25;
constexpr size_t kRecordRadioModule = 70;
constexpr size_t kRecordRadioBaud = 71;

struct InfoReplyBuffer {
    uint8_t bytes[kInfoReplyBufferSize];
};

struct ReceiverInfoRecord {
    uint8_t bytes[kReceiverInfoRecordSize];
};

// Parser progress through the three reply frames: 0 nothing yet, 1..3 after frame n.
using InfoFrameState = uint8_t;

// Fills `record` from a reply buffer whose first 128 bytes hold the three
// frames' data. Byte 3 (boot version) stays 0.
void BuildReceiverInfoRecord(const InfoReplyBuffer& reply, ReceiverInfoRecord* record);

}  // namespace protocol
