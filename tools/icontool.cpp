// Writes the program's icon: a 16 x 16 and a 32 x 32 picture, 16 colours each.
// The picture: a receiver's round antenna with an upward arrow, for an update.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, static_cast<uint16_t>(v));
    Put16(b, static_cast<uint16_t>(v >> 16));
}

// Palette index of pixel (x, y) in an n x n picture; -1 is transparent.
int Pixel(int x, int y, int n) {
    const double cx = (n - 1) / 2.0, cy = (n - 1) / 2.0, r = n / 2.0 - 0.5;
    const double dx = x - cx, dy = y - cy;
    if (dx * dx + dy * dy > r * r) return -1;
    if (dx * dx + dy * dy > (r - n / 16.0 - 0.5) * (r - n / 16.0 - 0.5)) return 0;  // black rim
    // Arrow: a shaft and a head, pointing up.
    const double ax = dx / n, ay = dy / n;
    const bool shaft = ax > -0.09 && ax < 0.09 && ay > -0.12 && ay < 0.3;
    const bool head = ay <= -0.05 && ay > -0.36 && (ax < 0 ? -ax : ax) < (ay + 0.36) * 0.9;
    if (shaft || head) return 15;  // white
    return 4;                      // dark blue
}

std::vector<uint8_t> Image(int n) {
    std::vector<uint8_t> b;
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(n));
    Put32(b, static_cast<uint32_t>(2 * n));
    Put16(b, 1);
    Put16(b, 4);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    // The standard 16-colour palette (blue, green, red, reserved).
    const uint8_t palette[16][3] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                    {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                    {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                    {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    for (const auto& c : palette) {
        b.push_back(c[0]);
        b.push_back(c[1]);
        b.push_back(c[2]);
        b.push_back(0);
    }
    const int xorRow = ((n * 4 + 31) / 32) * 4, andRow = ((n + 31) / 32) * 4;
    for (int y = n - 1; y >= 0; --y) {  // bottom-up
        std::vector<uint8_t> row(static_cast<size_t>(xorRow), 0);
        for (int x = 0; x < n; ++x) {
            const int p = Pixel(x, y, n);
            const uint8_t v = static_cast<uint8_t>(p < 0 ? 0 : p);
            row[static_cast<size_t>(x / 2)] |= (x % 2 == 0) ? static_cast<uint8_t>(v << 4) : v;
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> row(static_cast<size_t>(andRow), 0);
        for (int x = 0; x < n; ++x)
            if (Pixel(x, y, n) < 0) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icontool OUT.ico\n");
        return 2;
    }
    const std::vector<uint8_t> small = Image(16), large = Image(32);
    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 2);
    uint32_t offset = 6 + 2 * 16;
    for (const auto* img : {&small, &large}) {
        const int n = img == &small ? 16 : 32;
        file.push_back(static_cast<uint8_t>(n));
        file.push_back(static_cast<uint8_t>(n));
        file.push_back(16);  // colours
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 4);
        Put32(file, static_cast<uint32_t>(img->size()));
        Put32(file, offset);
        offset += static_cast<uint32_t>(img->size());
    }
    file.insert(file.end(), small.begin(), small.end());
    file.insert(file.end(), large.begin(), large.end());
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}
