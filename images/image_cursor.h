// The one reader of the embedded firmware images. An image is loaded on the
// first call, handed out in chunks, and forgotten after its last byte. The boot
// image is handed out from a private copy prepared for the receiver: the vector
// checksum in word 7 and the receiver's record in its record slot.
#pragma once

#include <cstdint>
#include <vector>

#include "images/image_resources.h"
#include "protocol/info_record.h"

namespace images {

enum ImageKind : int32_t { kImageTovrin = 1, kImageBoot = 2, kImageFirmware = 3 };

constexpr uint8_t kRecordMarker[3] = {0xAA, 0x51, 0x4D};

// Resource identifier of an image kind, or 0 for a kind outside 1 to 3.
int ResourceIdOf(int32_t kind);

// Offset of the first record marker that lies wholly inside the bytes, or -1.
long FindRecordMarker(const uint8_t* bytes, uint32_t size);

// Writes word 7 so that words 0 to 7 add up to 0 modulo 2^32 (needs 32 bytes).
void WriteVectorChecksum(uint8_t* image, uint32_t size);

class ImageCursor {
public:
    ImageCursor(const IImageResources& resources, protocol::ReceiverInfoRecord& record)
        : resources_(resources), record_(record) {}

    // Copies up to `maximum` bytes of the image of `kind` into `destination`,
    // loading the image first when none is loaded; `total` receives the image's
    // size on the loading call only. Returns the number of bytes copied.
    uint32_t ReadImageChunk(int32_t kind, uint8_t* destination, int32_t maximum, int32_t* total);
    // Forgets the loaded image and the prepared boot image.
    void Reset();
    // The boot version byte of the carried boot image, or 0 without a marker.
    uint16_t GetBootVersion();

    bool IsLoaded() const { return imageBytes_ != nullptr; }
    uint32_t Remaining() const { return remaining_; }

private:
    void Load(int32_t kind, int id, int32_t* total);
    void PrepareBootImage(const uint8_t* bytes, uint32_t size);

    const IImageResources& resources_;
    protocol::ReceiverInfoRecord& record_;
    const uint8_t* imageBytes_ = nullptr;
    const void* resourceModule_ = nullptr;
    const void* resourceHandle_ = nullptr;
    uint32_t remaining_ = 0;
    const uint8_t* readPointer_ = nullptr;
    std::vector<uint8_t> preparedBoot_;
};

}  // namespace images
