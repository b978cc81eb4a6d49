// One program's worth of test doubles around the update core.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "images/image_resources.h"
#include "tests/support/fake_serial.h"
#include "tests/support/headless_dialog.h"
#include "tests/support/test_worker.h"
#include "tests/support/virtual_clock.h"
#include "update/update_core.h"

namespace testing_support {

// Images held in memory, by resource identifier.
class MapImages : public images::IImageResources {
public:
    images::FoundResource Find(int id) const override {
        auto it = images.find(id);
        if (it == images.end()) return {};
        return {this, &it->second, it->second.data(), static_cast<uint32_t>(it->second.size())};
    }
    std::map<int, Bytes> images;
};

struct Program {
    explicit Program(const images::IImageResources& imageSource = images::CarriedImages())
        : clock(stop), serial(clock), dialog(stop), worker(dialog, stop),
          core(update::Platform{dialog, clock, stop, worker, serial, imageSource}) {}
    ~Program() {
        stop.Request();
        worker.Join();
    }

    fw::StopSignal stop;
    VirtualClock clock;
    FakeSerial serial;
    HeadlessDialog dialog;
    TestWorker worker;
    update::CUpdateCore core;
};


}  // namespace testing_support
