// The image reader and the boot image preparation over arbitrary images of 0
// to 65,535 bytes and arbitrary records. Input: 77 record bytes, one byte that
// picks the chunk size, then the image.
#include <cstring>
#include <vector>

#include "images/image_cursor.h"
#include "res/resource.h"
#include "tests/support/fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 78 || size - 78 > 65535) return 0;
    protocol::ReceiverInfoRecord record;
    std::memcpy(record.bytes, data, 77);
    const int32_t maximum = static_cast<int32_t>(data[77]) - 8;  // -8 to 247
    testing_support::MapImages source;
    const std::vector<uint8_t> image(data + 78, data + size);
    for (int id : {IDR_BIN_TOVRIN, IDR_BIN_BOOT, IDR_BIN_FIRMWARE}) source.images[id] = image;
    images::ImageCursor cursor(source, record);
    const uint16_t version = cursor.GetBootVersion();
    const long slot = images::FindRecordMarker(image.data(), static_cast<uint32_t>(image.size()));
    if (version != (slot >= 0 && static_cast<size_t>(slot) + 3 < image.size() ? image[slot + 3] : 0)) __builtin_trap();

    // The slot is searched for after the checksum is written: word 7 itself
    // may complete a marker.
    std::vector<uint8_t> checked = image;
    images::WriteVectorChecksum(checked.data(), static_cast<uint32_t>(checked.size()));
    const long preparedSlot = images::FindRecordMarker(checked.data(), static_cast<uint32_t>(checked.size()));
    for (int32_t kind = 0; kind <= 4; ++kind) {
        std::vector<uint8_t> out;
        std::vector<uint8_t> chunk(static_cast<size_t>(maximum > 0 ? maximum : 1));
        int32_t total = -1;
        for (int calls = 0; calls < 70000; ++calls) {
            const uint32_t n = cursor.ReadImageChunk(kind, chunk.data(), maximum, &total);
            if (n > static_cast<uint32_t>(maximum > 0 ? maximum : 0)) __builtin_trap();
            out.insert(out.end(), chunk.begin(), chunk.begin() + n);
            if (!cursor.IsLoaded()) break;
        }
        if (kind < 1 || kind > 3 || maximum <= 0) {
            cursor.Reset();
            continue;
        }
        if (out.size() != image.size()) __builtin_trap();
        if (kind != images::kImageBoot && out != image) __builtin_trap();
        // The record is written after the checksum: a slot inside the vector
        // table (the build refuses such images) overwrites word 7.
        const bool slotInTable =
            preparedSlot >= 0 && preparedSlot < 32 && static_cast<size_t>(preparedSlot) + 77 <= image.size();
        if (kind == images::kImageBoot && image.size() >= 32 && !slotInTable) {
            uint32_t sum = 0;
            for (int w = 0; w < 8; ++w)
                sum += uint32_t(out[4 * w]) | uint32_t(out[4 * w + 1]) << 8 | uint32_t(out[4 * w + 2]) << 16 |
                       uint32_t(out[4 * w + 3]) << 24;
            if (sum != 0) __builtin_trap();
        }
    }
    return 0;
}
