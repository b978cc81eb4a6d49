// The main window without a window system. It keeps every control's text and
// enabled state, the title, the progress bar and a log of message boxes.
// Like the real dialog, it has one "dialog thread": a call from any other
// thread waits until no handler runs, as a sent window message would.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fw/main_view.h"
#include "fw/stop_signal.h"

namespace testing_support {

struct BoxRecord {
    std::wstring text;
    std::wstring caption;
    uint32_t style;
    bool owned;
};

// Answer 0 means: the operator never answers; the box stays until a stop.
using BoxAnswer = std::function<int(const BoxRecord&)>;

class HeadlessDialog : public fw::IMainView {
public:
    explicit HeadlessDialog(fw::StopSignal& stop) : stop_(stop) {}

    void SetItemText(int id, const std::wstring& text) override;
    std::wstring GetItemText(int id) override;
    void EnableItem(int id, bool enable) override;
    void SetTitle(const std::wstring& title) override;
    intptr_t SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t style, bool owned) override;

    // Runs `handler` as the dialog's thread does: other threads' calls wait.
    void OnDialogThread(const std::function<void()>& handler);
    // Inside a handler: lets other threads' calls through while `wait` runs,
    // as a dialog thread that pumps its sent messages while it waits.
    void ServeWhile(const std::function<void()>& wait);

    // Snapshot accessors (take the lock).
    std::wstring Text(int id);
    bool Enabled(int id);
    std::wstring Title();
    uint32_t RangeMax();
    uint32_t Position();
    std::vector<BoxRecord> Boxes();
    std::vector<std::pair<int, std::wstring>> TextLog();
    std::vector<std::wstring> TextsOf(int id);
    void ClearLogs();

    BoxAnswer answer;  // default: Yes for Yes/No boxes, OK otherwise
    std::function<void(int, const std::wstring&)> onText;  // called after each text change

private:
    template <typename F>
    auto Locked(F f) -> decltype(f());

    fw::StopSignal& stop_;
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    std::map<int, std::wstring> texts_;
    std::map<int, bool> enabled_;
    std::wstring title_;
    uint32_t rangeMax_ = 100;
    uint32_t position_ = 0;
    std::mutex logMutex_;
    std::vector<BoxRecord> boxes_;
    std::vector<std::pair<int, std::wstring>> textLog_;
};

}  // namespace testing_support
