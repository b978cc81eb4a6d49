// Build-time tool for the three firmware images the program carries.
//   imagetool generate DIR      writes reproducible stand-in images into DIR
//   imagetool check DIR         refuses images the program cannot carry
//   imagetool embed DIR OUT     writes a C++ source holding the images (native build)
//   imagetool rc DIR OUT        writes the resource script lines naming the images
// The image files are tovrin.bin, boot.bin and firmware.bin.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct ImageFile {
    const char* name;
    int id;
    const char* symbol;
};
const ImageFile kFiles[] = {{"tovrin.bin", 138, "IDR_BIN_TOVRIN"},
                            {"boot.bin", 139, "IDR_BIN_BOOT"},
                            {"firmware.bin", 140, "IDR_BIN_FIRMWARE"}};

constexpr uint32_t kRecordSize = 77;
constexpr uint32_t kMaxBootSize = 65535;

void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetLe32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

long FindMarker(const Bytes& b) {
    for (size_t p = 0; p + 3 <= b.size(); ++p)
        if (b[p] == 0xAA && b[p + 1] == 0x51 && b[p + 2] == 0x4D) return static_cast<long>(p);
    return -1;
}

// xorshift32: small, fixed, the same on every machine.
struct Rng {
    uint32_t s;
    uint8_t Next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return static_cast<uint8_t>(s >> 11);
    }
};

// A Cortex-M image: vector table (stack in the LPC17xx local RAM, Thumb
// handlers inside the image's flash range), then varied bytes.
Bytes MakeImage(uint32_t size, uint32_t flashBase, uint32_t seed, bool validWord7) {
    Bytes b(size);
    Rng rng{seed};
    for (auto& byte : b) byte = rng.Next();
    PutLe32(b, 0, 0x10007FE0u);                        // initial stack pointer
    PutLe32(b, 4, flashBase + 0x0000014Du);            // reset handler (Thumb)
    for (int w = 2; w <= 6; ++w) PutLe32(b, 4 * w, flashBase + 0x00000151u + 4u * w);
    uint32_t sum = 0;
    for (int w = 0; w < 7; ++w) sum += GetLe32(b, 4 * w);
    PutLe32(b, 28, validWord7 ? 0u - sum : 0xDEADBEEFu);
    // No record marker by chance anywhere: the boot image holds exactly one.
    for (long p; (p = FindMarker(b)) >= 0;) b[static_cast<size_t>(p) + 1] ^= 0x01;
    return b;
}

Bytes MakeBootImage() {
    Bytes b = MakeImage(11384, 0x00000000u, 0x0B007u, false);
    const size_t slot = 0x300;
    const uint8_t head[] = {0xAA, 'Q', 'M', 120};
    for (size_t i = 0; i < 4; ++i) b[slot + i] = head[i];
    for (size_t i = 4; i < 73; ++i) b[slot + i] = (i >= 12 && i < 69) ? '-' : 0x00;
    const uint8_t tail[] = {0xBB, 'Z', 'O', 'R'};
    for (size_t i = 0; i < 4; ++i) b[slot + 73 + i] = tail[i];
    return b;
}

bool ReadFile(const std::string& path, Bytes* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "imagetool: %s\n", message.c_str());
    return 1;
}

int Generate(const std::string& dir) {
    const Bytes images[] = {MakeImage(9892, 0x00040000u, 0x70F121u, true), MakeBootImage(),
                            MakeImage(201616, 0x00010000u, 0xF1A3E5u, true)};
    for (int i = 0; i < 3; ++i)
        if (!WriteFile(dir + "/" + kFiles[i].name, images[i])) return Fail("cannot write " + dir + "/" + kFiles[i].name);
    return 0;
}

int Check(const std::string& dir) {
    for (const ImageFile& file : kFiles) {
        const std::string path = dir + "/" + file.name;
        Bytes b;
        if (!ReadFile(path, &b)) return Fail(path + ": cannot be read");
        if (b.size() < 32) return Fail(path + ": " + std::to_string(b.size()) + " bytes, shorter than a vector table");
        if (file.id != 139) continue;
        if (b.size() > kMaxBootSize)
            return Fail(path + ": the boot image has " + std::to_string(b.size()) +
                        " bytes; at most 65535 fit the boot transfer buffer");
        // The program looks for the slot after writing word 7, as here.
        Bytes prepared = b;
        uint32_t sum = 0;
        for (int w = 0; w < 7; ++w) sum += GetLe32(prepared, 4 * static_cast<size_t>(w));
        PutLe32(prepared, 28, 0u - sum);
        const long slot = FindMarker(prepared);
        if (slot < 0) return Fail(path + ": the boot image has no record slot (marker AA 51 4D)");
        if (slot < 32)
            return Fail(path + ": the record slot at offset " + std::to_string(slot) +
                        " overlaps the vector table (its first 32 bytes)");
        if (static_cast<uint32_t>(slot) + kRecordSize > b.size())
            return Fail(path + ": the record slot at offset " + std::to_string(slot) +
                        " runs past the end of the boot image (77 bytes needed)");
    }
    return 0;
}

int Embed(const std::string& dir, const std::string& outPath) {
    std::ofstream out(outPath);
    out << "// Generated by imagetool from the images in " << dir << ". Do not edit.\n"
        << "#include \"images/image_resources.h\"\n\nnamespace images {\nnamespace {\n";
    for (const ImageFile& file : kFiles) {
        Bytes b;
        if (!ReadFile(dir + "/" + file.name, &b)) return Fail(dir + "/" + file.name + ": cannot be read");
        out << "const uint8_t k" << file.symbol << "[] = {";
        for (size_t i = 0; i < b.size(); ++i) out << (i % 24 == 0 ? "\n" : "") << unsigned(b[i]) << ",";
        out << "};\n";
    }
    out << "class Linked : public IImageResources {\npublic:\n"
           "    FoundResource Find(int id) const override {\n        switch (id) {\n";
    for (const ImageFile& file : kFiles)
        out << "            case " << file.id << ": return {this, k" << file.symbol << ", k" << file.symbol
            << ", sizeof k" << file.symbol << "};\n";
    out << "            default: return {};\n        }\n    }\n};\n}  // namespace\n\n"
        << "const IImageResources& CarriedImages() {\n    static const Linked images;\n    return images;\n}\n\n"
        << "}  // namespace images\n";
    return out ? 0 : Fail("cannot write " + outPath);
}

int Rc(const std::string& dir, const std::string& outPath) {
    std::ofstream out(outPath);
    out << "// Generated by imagetool. The firmware images the program carries.\n";
    for (const ImageFile& file : kFiles) out << file.symbol << " BIN \"" << dir << "/" << file.name << "\"\n";
    return out ? 0 : Fail("cannot write " + outPath);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 3) return Generate(argv[2]);
    if (mode == "check" && argc == 3) return Check(argv[2]);
    if (mode == "embed" && argc == 4) return Embed(argv[2], argv[3]);
    if (mode == "rc" && argc == 4) return Rc(argv[2], argv[3]);
    std::fprintf(stderr, "usage: imagetool generate DIR | check DIR | embed DIR OUT.cpp | rc DIR OUT.rc\n");
    return 2;
}
