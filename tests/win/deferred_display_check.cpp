// Checks of fw::DeferredDisplay in a real window under Wine or Windows: what a
// worker thread leaves is drawn in the end without any further call, a Flush
// draws it before the next call, the window's own thread draws at once, and a
// new range never leaves the bar at a position clamped by an earlier one.
// Prints one line per check and exits with the number that failed.
//   deferred_display_check
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "tools/win/display_window.h"

namespace {

using display_window::kPercentId;
using display_window::kStatusId;

HWND g_window, g_bar;
fw::DeferredDisplay g_display;
int g_failed = 0;

std::wstring TextOf(int id) {
    wchar_t text[128] = {};
    GetDlgItemTextW(g_window, id, text, 128);
    return text;
}

void Check(const char* name, bool ok, const std::wstring& detail = L"") {
    std::printf("%s %s", ok ? "PASS" : "FAIL", name);
    if (!ok && !detail.empty()) std::printf(": %ls", detail.c_str());
    std::printf("\n");
    std::fflush(stdout);
    if (!ok) ++g_failed;
}

// What the window shows, as one line to compare.
std::wstring Shown() {
    PBRANGE range{};
    SendMessageW(g_bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    const auto position = static_cast<int>(SendMessageW(g_bar, PBM_GETPOS, 0, 0));
    return TextOf(kStatusId) + L"|" + TextOf(kPercentId) + L"|" + std::to_wstring(range.iLow) + L".." +
           std::to_wstring(range.iHigh) + L"@" + std::to_wstring(position);
}

void Poll(int i) {
    g_display.SetText(kStatusId, L"Sending" + std::wstring(static_cast<size_t>(i % 11), L'.'));
    g_display.SetText(kPercentId, std::to_wstring(i) + L" %");
    g_display.SetRange(MAKELPARAM(0, 200));
    g_display.SetPosition(i);
}

DWORD WINAPI Worker(LPVOID) {
    // Many polls in a row, then a Flush: the last of them is what shows.
    for (int i = 0; i <= 120; ++i) {
        Poll(i);
        if (i % 10 == 0) Sleep(5);
    }
    g_display.Flush();
    const std::wstring last = L"Sending" + std::wstring(120 % 11, L'.') + L"|120 %|0..200@120";
    Check("flush_draws_the_last_poll", Shown() == last, Shown());

    // One change after a draw and no call after it: drawn when its refresh is due.
    Poll(121);
    Poll(122);
    const std::wstring before = Shown();
    Poll(123);
    bool drawn = false;
    for (int waited = 0; waited < 50 && !drawn; ++waited) {
        Sleep(fw::DeferredDisplay::kRefreshMs / 5);
        drawn = Shown() == L"Sending..|123 %|0..200@123";
    }
    Check("a_last_change_is_drawn_without_another_call", drawn, before + L" then " + Shown());

    // The bar at 5 of 10, then a range of 0..0 (which moves it to 0), then 5 of
    // 10 again: it must show 5.
    const int steps[3][2] = {{10, 5}, {0, 5}, {10, 5}};
    for (const auto& step : steps) {
        g_display.SetRange(MAKELPARAM(0, step[0]));
        g_display.SetPosition(step[1]);
        g_display.Flush();
    }
    Check("position_follows_a_new_range", SendMessageW(g_bar, PBM_GETPOS, 0, 0) == 5, Shown());

    PostMessageW(g_window, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main() {
    const display_window::Window w = display_window::Create(g_display, L"check");
    g_window = w.window;
    g_bar = w.bar;

    // On the window's own thread a change shows at once.
    g_display.SetText(kStatusId, L"here");
    g_display.SetRange(MAKELPARAM(0, 7));
    g_display.SetPosition(3);
    Check("window_thread_draws_at_once", Shown() == L"here||0..7@3", Shown());

    HANDLE worker = CreateThread(nullptr, 0, &Worker, nullptr, 0, nullptr);
    display_window::RunMessageLoop();
    WaitForSingleObject(worker, INFINITE);
    std::printf("%s\n", g_failed == 0 ? "PASS: all checks" : "FAIL");
    return g_failed;
}
