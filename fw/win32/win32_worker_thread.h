// The update worker as a Win32 thread. Stopping it never kills it: the stop
// request wakes every wait, boxes the worker shows are answered for it, and the
// dialog's thread keeps serving the worker's sent messages until it has ended.
#pragma once

#include <windows.h>

#include "fw/win32/win32_stop.h"
#include "fw/worker_thread.h"

namespace fw {

class Win32WorkerThread : public IWorkerThread {
public:
    explicit Win32WorkerThread(Win32StopSignal& stop) : stop_(stop) {}
    ~Win32WorkerThread() override;

    bool Start(ThreadEntry entry, void* parameter) override;
    bool HasHandle() const override { return handle_ != nullptr; }
    bool IsRunning() override;
    void StopAndRelease() override;

private:
    static DWORD WINAPI Trampoline(LPVOID self);
    void CloseBoxesOfWorker();

    Win32StopSignal& stop_;
    HANDLE handle_ = nullptr;
    DWORD threadId_ = 0;
    ThreadEntry entry_ = nullptr;
    void* parameter_ = nullptr;
};

}  // namespace fw
