#include "tests/support/headless_dialog.h"

#include <chrono>

namespace testing_support {

template <typename F>
auto HeadlessDialog::Locked(F f) -> decltype(f()) {
    if (owner_.load() == std::this_thread::get_id()) return f();
    std::lock_guard<std::mutex> lock(mutex_);
    return f();
}

void HeadlessDialog::OnDialogThread(const std::function<void()>& handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    owner_.store(std::this_thread::get_id());
    handler();
    owner_.store(std::thread::id());
}

void HeadlessDialog::ServeWhile(const std::function<void()>& wait) {
    const bool held = owner_.load() == std::this_thread::get_id();
    if (held) {
        owner_.store(std::thread::id());
        mutex_.unlock();
    }
    wait();
    if (held) {
        mutex_.lock();
        owner_.store(std::this_thread::get_id());
    }
}

void HeadlessDialog::SetItemText(int id, const std::wstring& text) {
    Locked([&] {
        texts_[id] = text;
        std::lock_guard<std::mutex> log(logMutex_);
        textLog_.emplace_back(id, text);
    });
    if (onText) onText(id, text);
}

std::wstring HeadlessDialog::GetItemText(int id) {
    return Locked([&] { return texts_[id]; });
}

void HeadlessDialog::EnableItem(int id, bool enable) {
    Locked([&] { enabled_[id] = enable; });
}

void HeadlessDialog::SetTitle(const std::wstring& title) {
    Locked([&] { title_ = title; });
}

intptr_t HeadlessDialog::SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return Locked([&]() -> intptr_t {
        if (message == fw::kPbmSetRange) {
            const intptr_t old = static_cast<intptr_t>(rangeMax_ << 16);
            rangeMax_ = (static_cast<uint32_t>(lParam) >> 16) & 0xFFFF;
            return old;
        }
        if (message == fw::kPbmSetPos) {
            const intptr_t old = position_;
            position_ = static_cast<uint32_t>(wParam);
            return old;
        }
        if (message == fw::kPbmGetPos) return position_;
        return 0;
    });
}

int HeadlessDialog::ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t style,
                                   bool owned) {
    BoxRecord record{text, caption, style, owned};
    {
        std::lock_guard<std::mutex> log(logMutex_);
        boxes_.push_back(record);
    }
    int result = answer ? answer(record) : (style == fw::kMbYesNoExclamation ? fw::kIdYes : fw::kIdOk);
    if (result == 0) {
        while (!stop_.IsRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        result = fw::kIdCancel;
    }
    return result;
}

std::wstring HeadlessDialog::Text(int id) { return Locked([&] { return texts_[id]; }); }
bool HeadlessDialog::Enabled(int id) {
    return Locked([&] {
        auto it = enabled_.find(id);
        return it == enabled_.end() ? true : it->second;
    });
}
std::wstring HeadlessDialog::Title() { return Locked([&] { return title_; }); }
uint32_t HeadlessDialog::RangeMax() { return Locked([&] { return rangeMax_; }); }
uint32_t HeadlessDialog::Position() { return Locked([&] { return position_; }); }

std::vector<BoxRecord> HeadlessDialog::Boxes() {
    std::lock_guard<std::mutex> log(logMutex_);
    return boxes_;
}

std::vector<std::pair<int, std::wstring>> HeadlessDialog::TextLog() {
    std::lock_guard<std::mutex> log(logMutex_);
    return textLog_;
}

std::vector<std::wstring> HeadlessDialog::TextsOf(int id) {
    std::vector<std::wstring> out;
    for (const auto& entry : TextLog())
        if (entry.first == id) out.push_back(entry.second);
    return out;
}

void HeadlessDialog::ClearLogs() {
    std::lock_guard<std::mutex> log(logMutex_);
    boxes_.clear();
    textLog_.clear();
}

}  // namespace testing_support
