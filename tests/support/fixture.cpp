#include "tests/support/fixture.h"

#include "res/resource.h"

namespace testing_support {

MapImages CopyOfCarriedImages() {
    MapImages copy;
    for (int id : {IDR_BIN_TOVRIN, IDR_BIN_BOOT, IDR_BIN_FIRMWARE}) {
        const images::FoundResource found = images::CarriedImages().Find(id);
        copy.images[id] = Bytes(found.bytes, found.bytes + found.size);
    }
    return copy;
}


}  // namespace testing_support
