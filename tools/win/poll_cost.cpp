// Measures what one poll of a transfer costs besides its prescribed pauses:
// how long Sleep(10) and a 10 ms wait on the stop event really take, and what
// the window calls of one poll (status, percent, range, position, carried to
// the window's thread) cost. Prints averages in milliseconds.
//   poll_cost [ITERATIONS]
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>

namespace {

HWND g_status, g_percent, g_bar;
int g_iterations = 200;
double g_frequency;

double Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / g_frequency;
}

DWORD WINAPI Worker(LPVOID window) {
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
    t = Now();
    wchar_t text[64];
    for (int i = 0; i < g_iterations; ++i) {
        wsprintfW(text, L"Starting to Update New_Firmware%d", i);
        SetWindowTextW(g_status, text);
        wsprintfW(text, L"%d.%d %%", i / 10, i % 10);
        SetWindowTextW(g_percent, text);
        SendMessageW(g_bar, PBM_SETRANGE, 0, MAKELPARAM(0, 787));
        SendMessageW(g_bar, PBM_SETPOS, static_cast<WPARAM>(i), 0);
    }
    const double view = (Now() - t) / g_iterations;
    std::printf("Sleep(10): %.2f ms\nwait 10 ms on an event: %.2f ms\nwait 10 ms with 1 ms timer period: %.2f ms\n"
                "window calls of one poll: %.3f ms\n",
                sleep10, wait10, wait10Fine, view);
    std::fflush(stdout);
    PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_iterations = std::atoi(argv[1]);
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_frequency = static_cast<double>(f.QuadPart);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND window = CreateWindowExW(0, L"STATIC", L"poll cost", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200,
                                  nullptr, nullptr, nullptr, nullptr);
    g_status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 20, window, nullptr, nullptr, nullptr);
    g_percent = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 30, 300, 20, window, nullptr, nullptr, nullptr);
    g_bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 60, 300, 20, window, nullptr, nullptr, nullptr);
    HANDLE worker = CreateThread(nullptr, 0, &Worker, window, 0, nullptr);
    MSG msg;
    while (WaitForSingleObject(worker, 0) != WAIT_OBJECT_0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (msg.message == WM_CLOSE) break;
    }
    WaitForSingleObject(worker, INFINITE);
    return 0;
}
