// The worker thread for tests: a real thread, stopped the way the program stops
// it (stop request, then a wait that keeps the dialog serving the worker).
#pragma once

#include <atomic>
#include <thread>

#include "fw/stop_signal.h"
#include "fw/worker_thread.h"
#include "tests/support/headless_dialog.h"

namespace testing_support {

class TestWorker : public fw::IWorkerThread {
public:
    TestWorker(HeadlessDialog& dialog, fw::StopSignal& stop) : dialog_(dialog), stop_(stop) {}
    ~TestWorker() override {
        if (thread_.joinable()) {
            stop_.Request();
            thread_.join();
        }
    }

    bool Start(fw::ThreadEntry entry, void* parameter) override {
        ++starts;
        if (failCreate) return false;
        if (thread_.joinable()) thread_.join();  // an earlier run that ended by itself
        running_.store(true);
        hasHandle_ = true;
        thread_ = std::thread([this, entry, parameter] {
            exitCode.store(entry(parameter));
            running_.store(false);
        });
        return true;
    }
    bool HasHandle() const override { return hasHandle_; }
    bool IsRunning() override { return running_.load(); }
    void StopAndRelease() override {
        ++stops;
        stop_.Request();
        dialog_.ServeWhile([this] {
            if (thread_.joinable()) thread_.join();
        });
        hasHandle_ = false;
    }

    // The test waits for a worker that ends by itself.
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    bool failCreate = false;
    int starts = 0;
    int stops = 0;
    std::atomic<uint32_t> exitCode{0xFFFFFFFF};

private:
    HeadlessDialog& dialog_;
    fw::StopSignal& stop_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    bool hasHandle_ = false;
};

}  // namespace testing_support
