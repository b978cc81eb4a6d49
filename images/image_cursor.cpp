#include "images/image_cursor.h"

#include <cstring>

#include "res/resource.h"

namespace images {

int ResourceIdOf(int32_t kind) {
    switch (kind) {
        case kImageTovrin: return IDR_BIN_TOVRIN;
        case kImageBoot: return IDR_BIN_BOOT;
        case kImageFirmware: return IDR_BIN_FIRMWARE;
        default: return 0;
    }
}

long FindRecordMarker(const uint8_t* bytes, uint32_t size) {
    if (bytes == nullptr || size < 3) return -1;
    for (uint32_t p = 0; p + 3 <= size; ++p) {
        if (bytes[p] == kRecordMarker[0] && bytes[p + 1] == kRecordMarker[1] && bytes[p + 2] == kRecordMarker[2])
            return static_cast<long>(p);
    }
    return -1;
}

static uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteVectorChecksum(uint8_t* image, uint32_t size) {
    if (size < 32) return;
    uint32_t sum = 0;
    for (int word = 0; word < 7; ++word) sum += ReadLe32(image + 4 * word);
    const uint32_t check = 0u - sum;
    for (int i = 0; i < 4; ++i) image[28 + i] = static_cast<uint8_t>(check >> (8 * i));
}

void ImageCursor::Reset() {
    imageBytes_ = nullptr;
    readPointer_ = nullptr;
    remaining_ = 0;
    preparedBoot_.clear();
    preparedBoot_.shrink_to_fit();
}

void ImageCursor::PrepareBootImage(const uint8_t* bytes, uint32_t size) {
    preparedBoot_.assign(bytes, bytes + size);
    WriteVectorChecksum(preparedBoot_.data(), size);
    const long slot = FindRecordMarker(preparedBoot_.data(), size);
    // The record goes only into a slot that lies wholly inside the image; the
    // build refuses a boot image without one, so this guards foreign images.
    if (slot < 0 || static_cast<uint32_t>(slot) + protocol::kReceiverInfoRecordSize > size) return;
    record_.bytes[protocol::kRecordBootVersion] = preparedBoot_[static_cast<size_t>(slot) + 3];
    std::memcpy(preparedBoot_.data() + slot, record_.bytes, protocol::kReceiverInfoRecordSize);
}

void ImageCursor::Load(int32_t kind, int id, int32_t* total) {
    const FoundResource found = resources_.Find(id);
    resourceModule_ = found.module;
    resourceHandle_ = found.handle;
    uint32_t size = found.bytes != nullptr ? found.size : 0;
    const uint8_t* bytes = found.bytes;
    if (kind == kImageBoot && size > 0) {
        PrepareBootImage(found.bytes, size);
        bytes = preparedBoot_.data();
    }
    remaining_ = size;
    readPointer_ = bytes;
    imageBytes_ = size > 0 ? bytes : nullptr;
    if (total != nullptr) *total = static_cast<int32_t>(size);
}

uint32_t ImageCursor::ReadImageChunk(int32_t kind, uint8_t* destination, int32_t maximum, int32_t* total) {
    if (destination == nullptr) return 0;
    const int id = ResourceIdOf(kind);
    if (id == 0) {
        Reset();
        return 0;
    }
    if (imageBytes_ == nullptr) {
        Load(kind, id, total);
        if (imageBytes_ == nullptr) {
            Reset();
            return 0;
        }
    }
    uint32_t count = 0;
    if (remaining_ < static_cast<uint32_t>(maximum)) {
        count = remaining_;
    } else if (maximum > 0) {
        count = static_cast<uint32_t>(maximum);
    }
    // A negative maximum compares as a huge unsigned value, so all remaining
    // bytes are asked for; the caller's buffer is sized by its maximum, so
    // nothing is copied then.
    if (maximum <= 0) count = 0;
    std::memcpy(destination, readPointer_, count);
    readPointer_ += count;
    remaining_ -= count;
    if (remaining_ == 0) {
        imageBytes_ = nullptr;
        readPointer_ = nullptr;
        preparedBoot_.clear();
    }
    return count;
}

uint16_t ImageCursor::GetBootVersion() {
    const FoundResource found = resources_.Find(IDR_BIN_BOOT);
    Reset();
    if (found.bytes == nullptr) return 0;
    const long p = FindRecordMarker(found.bytes, found.size);
    if (p < 0 || static_cast<uint32_t>(p) + 3 >= found.size) return 0;
    return found.bytes[p + 3];
}

}  // namespace images
