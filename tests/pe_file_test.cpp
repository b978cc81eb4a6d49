// The built Windows executables, read from their PE headers: the DLLs they
// import, ASLR and DEP, the firmware images in the resource table, the
// version block and the manifest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/fixture.h"
#include "res/resource.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Section {
    uint32_t va, size, raw, rawSize;
};

class PeFile {
public:
    explicit PeFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (bytes_.size() < 0x100) return;
        const uint32_t pe = U32(0x3C);
        if (U32(pe) != 0x00004550) return;
        const uint16_t sections = U16(pe + 6), optionalSize = U16(pe + 20);
        const uint32_t opt = pe + 24;
        pe32plus_ = U16(opt) == 0x20B;
        dllCharacteristics_ = U16(opt + 70);
        const uint32_t dirs = opt + (pe32plus_ ? 112 : 96);
        importRva_ = U32(dirs + 8);
        resourceRva_ = U32(dirs + 16);
        for (uint32_t i = 0, at = opt + optionalSize; i < sections; ++i, at += 40)
            sections_.push_back({U32(at + 12), U32(at + 8), U32(at + 20), U32(at + 16)});
        ok_ = true;
    }
    bool ok() const { return ok_; }
    bool pe32plus() const { return pe32plus_; }
    uint16_t dllCharacteristics() const { return dllCharacteristics_; }

    std::set<std::string> Imports() const {
        std::set<std::string> names;
        for (uint32_t at = Offset(importRva_); at != 0 && U32(at + 12) != 0; at += 20) {
            std::string name(reinterpret_cast<const char*>(&bytes_[Offset(U32(at + 12))]));
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            names.insert(name);
        }
        return names;
    }

    struct Resource {
        std::string type;  // "#N" or the name
        std::string id;
        uint32_t lang;
        Bytes data;
    };
    std::vector<Resource> Resources() const {
        std::vector<Resource> out;
        const uint32_t root = Offset(resourceRva_);
        if (root == 0) return out;
        for (const auto& type : Entries(root, root))
            for (const auto& id : Entries(root, root + (type.second & 0x7FFFFFFF)))
                for (const auto& lang : Entries(root, root + (id.second & 0x7FFFFFFF))) {
                    const uint32_t entry = root + lang.second;
                    const uint32_t data = Offset(U32(entry)), size = U32(entry + 4);
                    out.push_back({type.first, id.first, static_cast<uint32_t>(std::stoul(lang.first.substr(1))),
                                   Bytes(bytes_.begin() + data, bytes_.begin() + data + size)});
                }
        return out;
    }

private:
    uint16_t U16(uint32_t at) const { return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8); }
    uint32_t U32(uint32_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    uint32_t Offset(uint32_t rva) const {
        for (const Section& s : sections_)
            if (rva >= s.va && rva < s.va + std::max(s.size, s.rawSize)) return rva - s.va + s.raw;
        return 0;
    }
    // Entries of one resource directory: name ("#id" or the string) and offset.
    std::vector<std::pair<std::string, uint32_t>> Entries(uint32_t root, uint32_t dir) const {
        std::vector<std::pair<std::string, uint32_t>> out;
        const uint32_t count = U16(dir + 12) + U16(dir + 14);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t at = dir + 16 + 8 * i, name = U32(at);
            std::string label;
            if (name & 0x80000000u) {
                const uint32_t s = root + (name & 0x7FFFFFFF);
                for (uint32_t k = 0; k < U16(s); ++k) label.push_back(static_cast<char>(U16(s + 2 + 2 * k)));
            } else {
                label = "#" + std::to_string(name);
            }
            out.emplace_back(label, U32(at + 4));
        }
        return out;
    }

    Bytes bytes_;
    bool ok_ = false;
    bool pe32plus_ = false;
    uint16_t dllCharacteristics_ = 0;
    uint32_t importRva_ = 0, resourceRva_ = 0;
    std::vector<Section> sections_;
};

// A UTF-16 string as it stands in a version block.
bool HasWide(const Bytes& data, const std::string& text) {
    Bytes wide;
    for (char c : text) {
        wide.push_back(static_cast<uint8_t>(c));
        wide.push_back(0);
    }
    wide.push_back(0);
    wide.push_back(0);
    return std::search(data.begin(), data.end(), wide.begin(), wide.end()) != data.end();
}

struct Build {
    const char* name;
    const char* path;
    bool x64;
};

const Build kBuilds[] = {{"x86", TOVRIN_WIN32_EXE, false}, {"x64", TOVRIN_WIN64_EXE, true}};

}  // namespace

TEST(WindowsExecutable, ImportsOnlyWindowsOwnDllsAndHasAslrAndDep) {
    const std::set<std::string> windowsOwn = {"kernel32.dll", "user32.dll", "gdi32.dll",  "comctl32.dll",
                                              "ws2_32.dll",   "msvcrt.dll", "advapi32.dll"};
    for (const Build& b : kBuilds) {
        SCOPED_TRACE(b.name);
        PeFile pe(b.path);
        if (!pe.ok()) GTEST_SKIP() << "not built: " << b.path;
        EXPECT_EQ(pe.pe32plus(), b.x64);
        const std::set<std::string> imports = pe.Imports();
        EXPECT_FALSE(imports.empty());
        for (const std::string& dll : imports) EXPECT_TRUE(windowsOwn.count(dll)) << dll;
        EXPECT_TRUE(pe.dllCharacteristics() & 0x0040) << "ASLR (dynamic base)";
        EXPECT_TRUE(pe.dllCharacteristics() & 0x0100) << "DEP (NX compatible)";
        if (b.x64) {
            EXPECT_TRUE(pe.dllCharacteristics() & 0x0020) << "high-entropy addresses";
        }
    }
}

TEST(WindowsExecutable, CarriesTheImagesAndItsOwnResourcesUnderChinesePrc) {
    for (const Build& b : kBuilds) {
        SCOPED_TRACE(b.name);
        PeFile pe(b.path);
        if (!pe.ok()) GTEST_SKIP() << "not built: " << b.path;
        std::map<std::string, const PeFile::Resource*> found;
        const std::vector<PeFile::Resource> resources = pe.Resources();
        for (const PeFile::Resource& r : resources) {
            found[r.type + "/" + r.id] = &r;
            EXPECT_EQ(r.lang, 0x0804u) << r.type << "/" << r.id;
        }
        for (int id : {IDR_BIN_TOVRIN, IDR_BIN_BOOT, IDR_BIN_FIRMWARE}) {
            const PeFile::Resource* r = found["BIN/#" + std::to_string(id)];
            ASSERT_NE(r, nullptr) << id;
            const images::FoundResource linked = images::CarriedImages().Find(id);
            EXPECT_EQ(r->data, Bytes(linked.bytes, linked.bytes + linked.size)) << id;
        }
        EXPECT_EQ(found["BIN/#138"]->data.size(), 9892u);
        EXPECT_EQ(found["BIN/#139"]->data.size(), 11384u);
        EXPECT_EQ(found["BIN/#140"]->data.size(), 201616u);
        EXPECT_TRUE(found.count("#5/#100")) << "About box";
        EXPECT_TRUE(found.count("#5/#102")) << "main dialog";
        EXPECT_TRUE(found.count("#14/#129")) << "icon group";
        ASSERT_TRUE(found.count("#16/#1")) << "version block";
        const Bytes& version = found["#16/#1"]->data;
        for (const char* text : {"Receiver Boot Update", "1.50", "Tovrin Firmware", "Tovrin Firmware.exe", "080403a8"})
            EXPECT_TRUE(HasWide(version, text)) << text;
        ASSERT_TRUE(found.count("#24/#1")) << "manifest";
        const std::string manifest(found["#24/#1"]->data.begin(), found["#24/#1"]->data.end());
        EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
        EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
        EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
        EXPECT_NE(manifest.find(b.x64 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\""),
                  std::string::npos);
    }
}
