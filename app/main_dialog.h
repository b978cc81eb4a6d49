// The main window: the dialog that is the program's only view. It forwards
// Update, Break and Exit to the update core and serves the core's view calls.
// The worker's calls arrive as sent messages on the dialog's thread, except the
// status line, percentage and bar, which change on every poll: the dialog's
// thread draws the latest of those (fw::DeferredDisplay).
#pragma once

#include "fw/main_view.h"
#include "fw/win32/deferred_display.h"
#include "fw/win32/dialog.h"
#include "fw/win32/win32_stop.h"
#include "fw/win32/win32_worker_thread.h"
#include "serial/win32_serial_backend.h"
#include "update/update_core.h"

class CTovrin_FirmwareDlg : public fw::CDialog, public fw::IMainView {
public:
    CTovrin_FirmwareDlg();
    ~CTovrin_FirmwareDlg() override;

    // The view, callable from the worker thread.
    void SetItemText(int id, const std::wstring& text) override;
    std::wstring GetItemText(int id) override;
    void EnableItem(int id, bool enable) override;
    void SetTitle(const std::wstring& title) override;
    intptr_t SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t style, bool owned) override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBnClickedCancel();
    void OnEnChangeComPort();
    void OnBnClickedUpdate();
    void OnBnClickedBreak();

private:
    // The status line, the percentage and the bar. It takes messages WM_APP + 1
    // and + 2 and timer 1, the dialog's only ones of those.
    fw::DeferredDisplay display_;
    fw::CProgressCtrl progress_;
    HICON icon_;
    fw::Win32StopSignal stop_;
    fw::Win32Clock clock_{stop_};
    fw::Win32WorkerThread worker_{stop_};
    serial::Win32SerialBackend serial_{stop_.Event()};
    update::CUpdateCore core_;
};
