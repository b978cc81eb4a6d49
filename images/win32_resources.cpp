// The firmware images as the program's "BIN" resources (language 0x0804).
#include <windows.h>

#include "images/image_resources.h"

namespace images {

namespace {

class ModuleResources : public IImageResources {
public:
    FoundResource Find(int id) const override {
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"BIN");
        if (found == nullptr)
            found = FindResourceExW(module, L"BIN", MAKEINTRESOURCEW(id), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(module, found);
        if (loaded == nullptr) return {};
        const void* bytes = LockResource(loaded);
        if (bytes == nullptr) return {};
        return {module, found, static_cast<const uint8_t*>(bytes), static_cast<uint32_t>(SizeofResource(module, found))};
    }
};

}  // namespace

const IImageResources& CarriedImages() {
    static const ModuleResources resources;
    return resources;
}

}  // namespace images
