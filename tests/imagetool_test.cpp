// The build's image check: images the program cannot carry are refused with a
// message naming the file and the problem.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Shell(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    *status = pipe != nullptr ? pclose(pipe) : -1;
    return out;
}

void Write(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(ImageTool, RefusesBootImagesTheProgramCannotCarry) {
    struct Case {
        const char* name;
        size_t size;
        long slot;  // -1: no marker; -2: one that only the checksum completes
        const char* message;
    };
    const Case cases[] = {{"too large for the transfer buffer", 65536, 0x300, "at most 65535"},
                          {"no record slot", 11384, -1, "no record slot"},
                          {"slot running past the end", 11384, 11384 - 76, "runs past the end"},
                          {"slot over the vector table", 11384, 16, "overlaps the vector table"},
                          {"word 7 completing a marker at 27", 11384, -2, "overlaps the vector table"},
                          {"largest accepted", 65535, 65535 - 77, nullptr}};
    const std::string tool = TOVRIN_IMAGETOOL;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char dir[] = "/tmp/tovrin-images.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        int status = 0;
        Shell(tool + " generate " + dir, &status);
        ASSERT_EQ(status, 0);
        std::vector<unsigned char> boot(c.size, 0x11);
        if (c.slot == -2) {  // words 0..6 add up to 0xAA00B2AF: word 7 is 0x55FF4D51
            for (int i = 0; i < 28; ++i) boot[static_cast<size_t>(i)] = 0;
            boot[0] = 0xAF;
            boot[1] = 0xB2;
            boot[27] = 0xAA;
        }
        if (c.slot >= 0) {
            boot[static_cast<size_t>(c.slot)] = 0xAA;
            boot[static_cast<size_t>(c.slot) + 1] = 'Q';
            boot[static_cast<size_t>(c.slot) + 2] = 'M';
        }
        Write(std::string(dir) + "/boot.bin", boot);
        const std::string out = Shell(tool + " check " + dir, &status);
        if (c.message == nullptr) {
            EXPECT_EQ(status, 0) << out;
        } else {
            EXPECT_NE(status, 0);
            EXPECT_NE(out.find(std::string(dir) + "/boot.bin"), std::string::npos) << out;
            EXPECT_NE(out.find(c.message), std::string::npos) << out;
        }
        Shell(std::string("rm -rf ") + dir, &status);
    }
}
