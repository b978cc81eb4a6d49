// What a worker changes on every poll (the texts of some controls, a progress
// bar's range and position) is left here instead of being sent to the window's
// thread each time; that thread draws the latest of it at most once per
// refresh period, and at once when nothing was drawn for that long. A poll then
// never waits for a repaint, and the window is not redrawn faster than anyone
// can read it. Every other call the worker makes to the window first has what
// is left drawn (Flush), so the window still shows the calls in their order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace fw {

class DeferredDisplay {
public:
    // The longest a change waits to be drawn while changes keep coming.
    static constexpr DWORD kRefreshMs = 100;

    // The two messages and the timer become the window's: posted to ask for a
    // refresh, sent to draw at once, and the timer of a refresh that waits.
    explicit DeferredDisplay(UINT refreshMessage = WM_APP + 1, UINT flushMessage = WM_APP + 2, UINT_PTR timerId = 1);
    ~DeferredDisplay();
    DeferredDisplay(const DeferredDisplay&) = delete;
    DeferredDisplay& operator=(const DeferredDisplay&) = delete;

    // On the window's thread, once the window and its controls exist.
    void Attach(HWND window, HWND bar, std::initializer_list<int> textIds);
    bool Defers(int textId) const;

    // From any thread; on the window's thread they draw at once.
    void SetText(int textId, const std::wstring& text);
    void SetRange(intptr_t rangeLParam);
    void SetPosition(intptr_t position);
    void Flush();

    // The window's procedure passes every message here first: true for the
    // display's own messages, which are then handled.
    bool OnMessage(UINT message, WPARAM wParam);

private:
    // Unset until first given.
    struct Text {
        int id;
        std::optional<std::wstring> wanted;
    };
    struct Bar {
        std::optional<intptr_t> range, position;
    };

    bool OnWindowThread() const { return GetCurrentThreadId() == windowThread_; }
    template <typename Change>
    void Leave(Change change);
    void Refresh();
    void Draw();

    const UINT refreshMessage_, flushMessage_;
    const UINT_PTR timerId_;
    HWND window_ = nullptr, bar_ = nullptr;
    DWORD windowThread_ = 0;

    CRITICAL_SECTION lock_;
    std::vector<Text> texts_;  // under lock_
    Bar wantedBar_;            // under lock_
    bool pending_ = false;     // under lock_: a refresh is asked for and not yet drawn
    std::vector<std::optional<std::wstring>> shownTexts_;  // window's thread only, as texts_
    Bar shownBar_;                                         // window's thread only
    DWORD lastDrawn_ = 0;                                  // window's thread only
};

}  // namespace fw
