// Where the embedded firmware images are found: the program's "BIN" resources
// on Windows, the same bytes linked into the native build.
#pragma once

#include <cstdint>

namespace images {

struct FoundResource {
    const void* module = nullptr;    // the module the resource was found in
    const void* handle = nullptr;    // the resource's handle
    const uint8_t* bytes = nullptr;  // its bytes, read-only
    uint32_t size = 0;               // 0 when the resource is missing or cannot be loaded
};

class IImageResources {
public:
    virtual ~IImageResources() = default;
    // Finds and loads the "BIN" resource with this numeric identifier.
    virtual FoundResource Find(int id) const = 0;
};

// The images this program carries.
const IImageResources& CarriedImages();

}  // namespace images
