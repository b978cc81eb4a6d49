#include "fw/win32/win32_worker_thread.h"

namespace fw {

Win32WorkerThread::~Win32WorkerThread() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

DWORD WINAPI Win32WorkerThread::Trampoline(LPVOID self) {
    Win32WorkerThread* thread = static_cast<Win32WorkerThread*>(self);
    return thread->entry_(thread->parameter_);
}

bool Win32WorkerThread::Start(ThreadEntry entry, void* parameter) {
    if (handle_ != nullptr) {  // a run that ended by itself
        CloseHandle(handle_);
        handle_ = nullptr;
    }
    entry_ = entry;
    parameter_ = parameter;
    handle_ = CreateThread(nullptr, 0, &Trampoline, this, 0, &threadId_);
    return handle_ != nullptr;
}

bool Win32WorkerThread::IsRunning() {
    DWORD code = 0;
    return handle_ != nullptr && GetExitCodeThread(handle_, &code) && code == STILL_ACTIVE;
}

namespace {

BOOL CALLBACK AnswerBox(HWND window, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (lstrcmpW(cls, L"#32770") != 0) return TRUE;
    // Press whichever answer the box offers; the worker ignores the answer.
    static const int kButtons[] = {IDCANCEL, IDNO, IDOK, IDYES};
    for (int id : kButtons) {
        HWND button = GetDlgItem(window, id);
        if (button != nullptr) {
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            break;
        }
    }
    return TRUE;
}

}  // namespace

void Win32WorkerThread::CloseBoxesOfWorker() { EnumThreadWindows(threadId_, &AnswerBox, 0); }

void Win32WorkerThread::StopAndRelease() {
    if (handle_ == nullptr) return;
    stop_.Request();
    for (;;) {
        CloseBoxesOfWorker();
        // Serve only the messages the worker sends (its window calls); posted
        // input waits, so no handler runs again while the worker ends.
        const DWORD r = MsgWaitForMultipleObjects(1, &handle_, FALSE, 50, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace fw
