// A plain window laid out like the main dialog's progress area, for the
// programs that measure and check fw::DeferredDisplay: two static texts with
// the IDs kStatusId and kPercentId, and a progress bar. Its procedure passes
// every message to the display first and ends the message loop when the window
// goes. The display is attached before this returns.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "fw/win32/deferred_display.h"

namespace display_window {

constexpr int kStatusId = 1;
constexpr int kPercentId = 2;

struct Window {
    HWND window = nullptr, status = nullptr, percent = nullptr, bar = nullptr;
};

inline LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* display = reinterpret_cast<fw::DeferredDisplay*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (display != nullptr && display->OnMessage(message, wParam)) return 0;
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

inline Window Create(fw::DeferredDisplay& display, const wchar_t* title) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"DisplayWindow";
    RegisterClassW(&windowClass);
    Window w;
    w.window = CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200,
                               nullptr, nullptr, windowClass.hInstance, nullptr);
    const auto child = [&](const wchar_t* kind, int id, int y) {
        return CreateWindowExW(0, kind, L"", WS_CHILD | WS_VISIBLE, 0, y, 300, 20, w.window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    w.status = child(L"STATIC", kStatusId, 0);
    w.percent = child(L"STATIC", kPercentId, 30);
    w.bar = child(PROGRESS_CLASSW, 0, 60);
    SetWindowLongPtrW(w.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&display));
    display.Attach(w.window, w.bar, {kStatusId, kPercentId});
    return w;
}

// Serves the window's messages until it is gone.
inline void RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace display_window
