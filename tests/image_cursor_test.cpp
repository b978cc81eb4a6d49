// The image reader: chunking, restart, kinds, the prepared boot image and the
// boot version, on the carried stand-ins and on small made-up images.
#include <gtest/gtest.h>

#include <cstring>

#include "res/resource.h"
#include "tests/support/fixture.h"

using namespace testing_support;
using images::ImageCursor;

namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct Reader {
    explicit Reader(const images::IImageResources& source = images::CarriedImages()) : cursor(source, record) {}
    protocol::ReceiverInfoRecord record{};
    ImageCursor cursor;

    // Reads one whole image; returns the chunk sizes.
    std::vector<uint32_t> Chunks(int32_t kind, int32_t maximum, Bytes* all, int32_t* total) {
        std::vector<uint32_t> sizes;
        std::vector<uint8_t> chunk(static_cast<size_t>(maximum));
        do {
            const uint32_t n = cursor.ReadImageChunk(kind, chunk.data(), maximum, total);
            if (n == 0) break;
            sizes.push_back(n);
            all->insert(all->end(), chunk.begin(), chunk.begin() + n);
        } while (cursor.IsLoaded());
        return sizes;
    }
};

Bytes Carried(int id) {
    const images::FoundResource r = images::CarriedImages().Find(id);
    return Bytes(r.bytes, r.bytes + r.size);
}

}  // namespace

TEST(ImageCursor, CarriedImagesHaveTheirSizesAndVectorTables) {
    struct Case {
        int id;
        uint32_t size;
        uint32_t flashLow, flashHigh;
    };
    const Case cases[] = {{IDR_BIN_TOVRIN, 9892, 0x00010000u, 0x00080000u},
                          {IDR_BIN_BOOT, 11384, 0x00000000u, 0x00010000u},
                          {IDR_BIN_FIRMWARE, 201616, 0x00010000u, 0x00080000u}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const Bytes b = Carried(c.id);
        ASSERT_EQ(b.size(), c.size);
        const uint32_t sp = Le32(b.data()), reset = Le32(b.data() + 4);
        EXPECT_GE(sp, 0x10000000u);
        EXPECT_LE(sp, 0x10008000u);
        EXPECT_EQ(reset & 1u, 1u) << "Thumb";
        EXPECT_GE(reset, c.flashLow);
        EXPECT_LT(reset, c.flashHigh);
    }
    uint32_t sum = 0;
    const Bytes main = Carried(IDR_BIN_FIRMWARE);
    for (int w = 0; w < 8; ++w) sum += Le32(main.data() + 4 * w);
    EXPECT_EQ(sum, 0u) << "the main image holds a valid word 7";
    sum = 0;
    const Bytes boot = Carried(IDR_BIN_BOOT);
    for (int w = 0; w < 8; ++w) sum += Le32(boot.data() + 4 * w);
    EXPECT_NE(sum, 0u) << "the carried boot image's word 7 is wrong until prepared";
    EXPECT_EQ(images::FindRecordMarker(boot.data(), static_cast<uint32_t>(boot.size())), 0x300);
}

TEST(ImageCursor, ChunksTailsAndTheRestartAfterTheLastChunk) {
    struct Case {
        int32_t kind;
        int32_t maximum;
        size_t chunks;
        uint32_t last;
        int id;
    };
    const Case cases[] = {{images::kImageBoot, 256, 45, 120, IDR_BIN_BOOT},
                          {images::kImageTovrin, 128, 78, 36, IDR_BIN_TOVRIN},
                          {images::kImageFirmware, 128, 1576, 16, IDR_BIN_FIRMWARE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        Reader r;
        Bytes all;
        int32_t total = -1;
        const std::vector<uint32_t> sizes = r.Chunks(c.kind, c.maximum, &all, &total);
        ASSERT_EQ(sizes.size(), c.chunks);
        EXPECT_EQ(sizes.back(), c.last);
        EXPECT_EQ(total, static_cast<int32_t>(Carried(c.id).size()));
        EXPECT_FALSE(r.cursor.IsLoaded());
        if (c.kind != images::kImageBoot) { EXPECT_EQ(all, Carried(c.id)); }
        // The next call starts the image again; only the loading call writes the total.
        uint8_t first[256];
        int32_t again = -7;
        EXPECT_EQ(r.cursor.ReadImageChunk(c.kind, first, c.maximum, &again), static_cast<uint32_t>(c.maximum));
        EXPECT_EQ(again, total);
        EXPECT_EQ(Bytes(first, first + c.maximum), Bytes(all.begin(), all.begin() + c.maximum));
        int32_t untouched = -7;
        r.cursor.ReadImageChunk(c.kind, first, c.maximum, &untouched);
        EXPECT_EQ(untouched, -7);
    }
}

TEST(ImageCursor, ExactRemaindersKindsAndNullDestination) {
    MapImages source;
    Bytes small(512);
    for (size_t i = 0; i < small.size(); ++i) small[i] = static_cast<uint8_t>(i * 31 + 7);
    source.images[IDR_BIN_TOVRIN] = small;
    source.images[IDR_BIN_FIRMWARE] = Bytes(300, 0x5A);
    Reader r(source);
    uint8_t buffer[256];
    int32_t total = 0;
    EXPECT_EQ(r.cursor.ReadImageChunk(1, buffer, 256, &total), 256u);
    EXPECT_EQ(r.cursor.Remaining(), 256u);
    // A kind 3 call continues the loaded kind 1 image.
    EXPECT_EQ(r.cursor.ReadImageChunk(3, buffer, 1, &total), 1u);
    EXPECT_EQ(buffer[0], small[256]);
    // 255 remain: all of them, and the image is forgotten.
    EXPECT_EQ(r.cursor.ReadImageChunk(1, buffer, 256, &total), 255u);
    EXPECT_FALSE(r.cursor.IsLoaded());

    EXPECT_EQ(r.cursor.ReadImageChunk(1, buffer, 256, &total), 256u);
    EXPECT_EQ(r.cursor.ReadImageChunk(1, nullptr, 256, &total), 0u);
    EXPECT_TRUE(r.cursor.IsLoaded()) << "a null destination changes nothing";
    EXPECT_EQ(r.cursor.ReadImageChunk(1, buffer, 256, &total), 256u);  // exactly 256 remained
    EXPECT_FALSE(r.cursor.IsLoaded());

    for (int32_t kind : {0, 4, -1}) {
        EXPECT_EQ(r.cursor.ReadImageChunk(1, buffer, 100, &total), 100u);
        int32_t kept = 1234;
        EXPECT_EQ(r.cursor.ReadImageChunk(kind, buffer, 100, &kept), 0u);
        EXPECT_EQ(kept, 1234);
        EXPECT_FALSE(r.cursor.IsLoaded());
    }
    // A maximum of 0 or below copies nothing, whatever remains.
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(r.cursor.ReadImageChunk(3, buffer, 0, &total), 0u);
    EXPECT_EQ(r.cursor.ReadImageChunk(3, buffer, -5, &total), 0u);
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(r.cursor.Remaining(), 300u);
}

TEST(ImageCursor, MissingResourceLoadsNothing) {
    MapImages empty;
    Reader r(empty);
    uint8_t buffer[16];
    int32_t total = 99;
    EXPECT_EQ(r.cursor.ReadImageChunk(2, buffer, 16, &total), 0u);
    EXPECT_EQ(total, 0);
    EXPECT_FALSE(r.cursor.IsLoaded());
    EXPECT_EQ(r.cursor.GetBootVersion(), 0u);
}

TEST(ImageCursor, PreparedBootImageCarriesChecksumAndRecord) {
    Reader r;
    for (size_t i = 0; i < protocol::kReceiverInfoRecordSize; ++i) r.record.bytes[i] = static_cast<uint8_t>(i * 3 + 1);
    r.record.bytes[0] = 0xAA;
    r.record.bytes[1] = 'Q';
    r.record.bytes[2] = 'M';
    r.record.bytes[3] = 0;
    const Bytes resourceBefore = Carried(IDR_BIN_BOOT);
    Bytes first, second;
    int32_t total = 0;
    r.Chunks(images::kImageBoot, 256, &first, &total);
    r.Chunks(images::kImageBoot, 256, &second, &total);
    ASSERT_EQ(first.size(), 11384u);
    EXPECT_EQ(first, second) << "two loads, the same prepared image";
    EXPECT_EQ(Carried(IDR_BIN_BOOT), resourceBefore) << "the resource itself is never written";

    uint32_t sum = 0;
    for (int w = 0; w < 8; ++w) sum += Le32(first.data() + 4 * w);
    EXPECT_EQ(sum, 0u);
    EXPECT_EQ(r.record.bytes[3], 120);
    EXPECT_EQ(Bytes(first.begin() + 0x300, first.begin() + 0x300 + 77), Bytes(r.record.bytes, r.record.bytes + 77));
    // Everything else is the resource's own bytes.
    for (size_t i = 32; i < first.size(); ++i)
        if (i < 0x300 || i >= 0x300 + 77) { ASSERT_EQ(first[i], resourceBefore[i]) << i; }
}

TEST(ImageCursor, SlotsAtTheEdgeOfTheImage) {
    struct Case {
        const char* name;
        size_t markerAt;  // in an image of 200 bytes
        bool recordWritten;
        uint16_t version;
    };
    const Case cases[] = {{"marker in the last two bytes", 198, false, 0},
                          {"marker in the last three bytes: version byte outside", 197, false, 0},
                          {"slot running past the end", 150, false, 77},
                          {"slot ending exactly at the end", 123, true, 77},
                          {"slot over the vector table: the record is written after the checksum", 20, true, 77}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MapImages source;
        Bytes boot(200, 0x11);
        boot[c.markerAt] = 0xAA;
        if (c.markerAt + 1 < boot.size()) boot[c.markerAt + 1] = 'Q';
        if (c.markerAt + 2 < boot.size()) boot[c.markerAt + 2] = 'M';
        if (c.markerAt + 3 < boot.size()) boot[c.markerAt + 3] = 77;
        source.images[IDR_BIN_BOOT] = boot;
        Reader r(source);
        r.record.bytes[0] = 0xAA;
        r.record.bytes[10] = 0x42;
        EXPECT_EQ(r.cursor.GetBootVersion(), c.version);
        Bytes prepared;
        int32_t total = 0;
        r.Chunks(images::kImageBoot, 256, &prepared, &total);
        ASSERT_EQ(prepared.size(), 200u);
        if (c.recordWritten) {
            EXPECT_EQ(prepared[c.markerAt + 10], 0x42);
            EXPECT_EQ(r.record.bytes[3], 77);
        } else {
            EXPECT_EQ(Bytes(prepared.begin() + 32, prepared.end()), Bytes(boot.begin() + 32, boot.end()));
            EXPECT_EQ(r.record.bytes[3], 0);
        }
    }
}

TEST(ImageCursor, ChecksumThatCompletesAMarkerMovesTheSlotOntoWord7) {
    // Found by fuzzing: byte 27 is 0xAA and the checksum written into word 7
    // begins with 'Q' 'M', so the first marker of the prepared image is at 27.
    MapImages source;
    Bytes boot(120, 0x11);
    for (int i = 0; i < 28; ++i) boot[static_cast<size_t>(i)] = 0;
    boot[0] = 0xAF;
    boot[1] = 0xB2;
    boot[27] = 0xAA;  // words 0..6 add up to 0xAA00B2AF; word 7 becomes 0x55FF4D51
    source.images[IDR_BIN_BOOT] = boot;
    Reader r(source);
    r.record.bytes[0] = 0xAA;
    r.record.bytes[1] = 'Q';
    r.record.bytes[2] = 'M';
    r.record.bytes[40] = 0x42;
    EXPECT_EQ(r.cursor.GetBootVersion(), 0u) << "the resource itself has no marker";
    Bytes prepared;
    int32_t total = 0;
    r.Chunks(images::kImageBoot, 256, &prepared, &total);
    ASSERT_EQ(prepared.size(), 120u);
    EXPECT_EQ(r.record.bytes[3], 0xFF) << "the version byte of the prepared image";
    EXPECT_EQ(Bytes(prepared.begin() + 27, prepared.begin() + 27 + 77), Bytes(r.record.bytes, r.record.bytes + 77));
}

TEST(ImageCursor, BootVersionOfTheCarriedImage) {
    Reader r;
    uint8_t buffer[128];
    int32_t total = 0;
    r.cursor.ReadImageChunk(1, buffer, 128, &total);
    EXPECT_EQ(r.cursor.GetBootVersion(), 120u);
    EXPECT_FALSE(r.cursor.IsLoaded());
}
