// The update run's worker thread as the dialog sees it.
#pragma once

#include <cstdint>

namespace fw {

using ThreadEntry = uint32_t (*)(void* parameter);

class IWorkerThread {
public:
    virtual ~IWorkerThread() = default;
    // Creates and starts the thread; false when it could not be created.
    virtual bool Start(ThreadEntry entry, void* parameter) = 0;
    // A handle is held from a successful Start until Stop.
    virtual bool HasHandle() const = 0;
    // True while the thread of the held handle has not ended.
    virtual bool IsRunning() = 0;
    // Requests the stop, ends any box the worker shows, and waits until the
    // thread has ended while the dialog's thread keeps serving the worker's
    // window calls; then releases the handle.
    virtual void StopAndRelease() = 0;
};

}  // namespace fw
