#include "fw/win32/deferred_display.h"

#include <commctrl.h>

namespace fw {

namespace {

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~Lock() { LeaveCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

}  // namespace

DeferredDisplay::DeferredDisplay(UINT refreshMessage, UINT flushMessage, UINT_PTR timerId)
    : refreshMessage_(refreshMessage), flushMessage_(flushMessage), timerId_(timerId) {
    InitializeCriticalSection(&lock_);
    windowThread_ = GetCurrentThreadId();
}

DeferredDisplay::~DeferredDisplay() { DeleteCriticalSection(&lock_); }

void DeferredDisplay::Attach(HWND window, HWND bar, std::initializer_list<int> textIds) {
    Lock lock(lock_);
    window_ = window;
    bar_ = bar;
    windowThread_ = GetWindowThreadProcessId(window, nullptr);
    texts_.clear();
    for (int id : textIds) texts_.push_back(Text{id, {}});
    shownTexts_.assign(texts_.size(), std::nullopt);
    wantedBar_ = shownBar_ = Bar{};
    pending_ = false;
}

bool DeferredDisplay::Defers(int textId) const {
    for (const Text& text : texts_)
        if (text.id == textId) return true;
    return false;
}

template <typename Change>
void DeferredDisplay::Leave(Change change) {
    const bool here = OnWindowThread();
    bool post = false;
    {
        Lock lock(lock_);
        change();
        if (!here && !pending_) post = pending_ = true;
    }
    if (here) {
        Draw();
    } else if (post && !PostMessageW(window_, refreshMessage_, 0, 0)) {
        Flush();  // the queue is full: draw now rather than never
    }
}

void DeferredDisplay::SetText(int textId, const std::wstring& text) {
    Leave([&] {
        for (Text& t : texts_)
            if (t.id == textId) t.wanted = text;
    });
}

void DeferredDisplay::SetRange(intptr_t rangeLParam) { Leave([&] { wantedBar_.range = rangeLParam; }); }

void DeferredDisplay::SetPosition(intptr_t position) { Leave([&] { wantedBar_.position = position; }); }

void DeferredDisplay::Flush() {
    if (OnWindowThread()) {
        Draw();
        return;
    }
    bool pending = false;
    {
        Lock lock(lock_);
        pending = pending_;
    }
    if (pending) SendMessageW(window_, flushMessage_, 0, 0);
}

bool DeferredDisplay::OnMessage(UINT message, WPARAM wParam) {
    if (window_ == nullptr) return false;
    if (message == refreshMessage_) {
        Refresh();
        return true;
    }
    if (message == flushMessage_ || (message == WM_TIMER && wParam == timerId_)) {
        Draw();
        return true;
    }
    return false;
}

void DeferredDisplay::Refresh() {
    const DWORD since = GetTickCount() - lastDrawn_;
    if (since >= kRefreshMs || SetTimer(window_, timerId_, kRefreshMs - since, nullptr) == 0) Draw();
}

void DeferredDisplay::Draw() {
    if (window_ == nullptr) return;
    std::vector<Text> texts;
    Bar bar;
    {
        Lock lock(lock_);
        texts = texts_;
        bar = wantedBar_;
        pending_ = false;
    }
    KillTimer(window_, timerId_);
    lastDrawn_ = GetTickCount();
    for (size_t i = 0; i < texts.size() && i < shownTexts_.size(); ++i) {
        const std::optional<std::wstring>& wanted = texts[i].wanted;
        if (!wanted || wanted == shownTexts_[i]) continue;
        SetDlgItemTextW(window_, texts[i].id, wanted->c_str());
        shownTexts_[i] = wanted;
    }
    // A new range may move the position into it, so the position follows it.
    const bool newRange = bar.range && bar.range != shownBar_.range;
    if (newRange) SendMessageW(bar_, PBM_SETRANGE, 0, *bar.range);
    if (bar.position && (newRange || bar.position != shownBar_.position))
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(*bar.position), 0);
    shownBar_ = bar;
}

}  // namespace fw
