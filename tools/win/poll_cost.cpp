// Measures what one poll of a transfer costs besides its prescribed pauses:
// how long Sleep(10) and a 10 ms wait on the stop event really take, and what
// the window calls of one poll (status, percent, range, position) cost, made
// two ways: sent to the window's thread each time, and left for that thread to
// draw as the program does (fw::DeferredDisplay). For each way it prints the
// time the calls take the polling thread and the CPU time the window's thread
// spends per poll; the polls are paced 20 ms apart, as in a transfer.
//   poll_cost [ITERATIONS]
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tools/win/display_window.h"

namespace {

using display_window::kPercentId;
using display_window::kStatusId;

HWND g_window, g_status, g_percent, g_bar;
HANDLE g_windowThread;
int g_iterations = 200;
double g_frequency;
fw::DeferredDisplay g_display;

double Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / g_frequency;
}

// User and system time of the window's thread, in milliseconds.
double WindowThreadCpu() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(g_windowThread, &created, &exited, &kernel, &user)) return 0.0;
    const auto ms = [](const FILETIME& f) {
        return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

struct Cost {
    double calls;      // ms the polling thread spends in the calls, per poll
    double windowCpu;  // ms of the window's thread CPU, per poll
};

// Runs the polls with `poll(i)` making one poll's window calls.
template <typename Poll>
Cost Measure(Poll poll) {
    double calls = 0.0;
    const double cpu0 = WindowThreadCpu();
    for (int i = 0; i < g_iterations; ++i) {
        const double t = Now();
        poll(i);
        calls += Now() - t;
        Sleep(20);
    }
    g_display.Flush();
    Sleep(2 * fw::DeferredDisplay::kRefreshMs);
    return Cost{calls / g_iterations, (WindowThreadCpu() - cpu0) / g_iterations};
}

void Texts(int i, wchar_t* status, wchar_t* percent) {
    wsprintfW(status, L"Starting to Update New_Firmware%d", i);
    wsprintfW(percent, L"%d.%d %%", i / 10, i % 10);
}

DWORD WINAPI Worker(LPVOID) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    double t = Now();
    for (int i = 0; i < g_iterations; ++i) Sleep(10);
    const double sleep10 = (Now() - t) / g_iterations;
    t = Now();
    for (int i = 0; i < g_iterations; ++i) WaitForSingleObject(event, 10);
    const double wait10 = (Now() - t) / g_iterations;
    timeBeginPeriod(1);
    t = Now();
    for (int i = 0; i < g_iterations; ++i) WaitForSingleObject(event, 10);
    const double wait10Fine = (Now() - t) / g_iterations;
    timeEndPeriod(1);

    wchar_t status[64], percent[32];
    const Cost sent = Measure([&](int i) {
        Texts(i, status, percent);
        SetWindowTextW(g_status, status);
        SetWindowTextW(g_percent, percent);
        SendMessageW(g_bar, PBM_SETRANGE, 0, MAKELPARAM(0, 787));
        SendMessageW(g_bar, PBM_SETPOS, static_cast<WPARAM>(i / 2), 0);
    });
    const Cost deferred = Measure([&](int i) {
        Texts(i, status, percent);
        g_display.SetText(kStatusId, status);
        g_display.SetText(kPercentId, percent);
        g_display.SetRange(MAKELPARAM(0, 787));
        g_display.SetPosition(i / 2);
    });
    std::printf("Sleep(10): %.2f ms\nwait 10 ms on an event: %.2f ms\nwait 10 ms with 1 ms timer period: %.2f ms\n"
                "window calls of one poll, sent each time: %.3f ms, window's thread %.3f ms CPU\n"
                "window calls of one poll, as the program makes them: %.3f ms, window's thread %.3f ms CPU\n",
                sleep10, wait10, wait10Fine, sent.calls, sent.windowCpu, deferred.calls, deferred.windowCpu);
    std::fflush(stdout);
    PostMessageW(g_window, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_iterations = std::max(1, std::atoi(argv[1]));
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_frequency = static_cast<double>(f.QuadPart);
    const display_window::Window w = display_window::Create(g_display, L"poll cost");
    g_window = w.window;
    g_status = w.status;
    g_percent = w.percent;
    g_bar = w.bar;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_windowThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    HANDLE worker = CreateThread(nullptr, 0, &Worker, nullptr, 0, nullptr);
    display_window::RunMessageLoop();
    WaitForSingleObject(worker, INFINITE);
    return 0;
}
