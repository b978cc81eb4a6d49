// The worker's side of the window and the clock: every call first honours a
// stop request, and a box closed because of one ends the worker too.
#include "update/update_core.h"

namespace update {

CUpdateCore::CUpdateCore(const Platform& platform)
    : view_(platform.view),
      clock_(platform.clock),
      stop_(platform.stop),
      worker_(platform.worker),
      port_(platform.serial, platform.clock, platform.view, platform.stop),
      cursor_(platform.images, record_) {}

void CUpdateCore::Show(int id, const std::wstring& text) {
    stop_.ThrowIfRequested();
    view_.SetItemText(id, text);
}

std::wstring CUpdateCore::Read(int id) {
    stop_.ThrowIfRequested();
    return view_.GetItemText(id);
}

void CUpdateCore::Enable(int id, bool enable) {
    stop_.ThrowIfRequested();
    view_.EnableItem(id, enable);
}

void CUpdateCore::Title(const std::wstring& title) {
    stop_.ThrowIfRequested();
    view_.SetTitle(title);
}

intptr_t CUpdateCore::Progress(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    stop_.ThrowIfRequested();
    return view_.SendProgress(message, wParam, lParam);
}

int CUpdateCore::Box(const std::wstring& text, const std::wstring& caption, uint32_t style) {
    stop_.ThrowIfRequested();
    const int answer = view_.ShowMessageBox(text, caption, style, true);
    stop_.ThrowIfRequested();
    return answer;
}

void CUpdateCore::Pause(uint32_t ms) {
    if (!clock_.Sleep(ms)) throw fw::WorkerStopped{};
}

}  // namespace update
