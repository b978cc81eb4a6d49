// The small dialog framework the program needs in place of a full one: an
// application object, modal dialogs from templates with one dialog procedure
// forwarding to virtual handlers, a progress control and the application's
// message box. No exception ever leaves a handler into the window system.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp() = default;
    virtual BOOL InitInstance() { return TRUE; }

    static CWinApp* Current() { return current_; }
    HINSTANCE Instance() const { return GetModuleHandleW(nullptr); }
    // The executable's file name without its extension: the caption of the
    // application's own message boxes.
    std::wstring AppName() const;
    void SetRegistryKey(const wchar_t* key) { registryKey_ = key; }
    HWND mainWindow = nullptr;

private:
    static CWinApp* current_;
    std::wstring registryKey_;  // named as a dialog application does; nothing is ever stored
};

// A string from the module's string table, empty when it is missing.
std::wstring LoadResString(UINT id);
// The application's message box: the application's name as caption and the
// exclamation icon.
int AppMessageBox(UINT stringId, UINT type);

class CDialog {
public:
    CDialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal();
    HWND GetSafeHwnd() const { return hwnd_; }

protected:
    virtual void DoDataExchange() {}
    virtual BOOL OnInitDialog();
    // WM_COMMAND; true when handled.
    virtual bool OnCommand(int id, int code);
    // Any other message; true when handled, with the procedure's result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
    virtual void OnOK() { EndDialog(hwnd_, IDOK); }
    virtual void OnCancel() { EndDialog(hwnd_, IDCANCEL); }

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND parent_;
};

class CProgressCtrl {
public:
    void Attach(HWND window) { hwnd_ = window; }
    HWND GetSafeHwnd() const { return hwnd_; }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
        return SendMessageW(hwnd_, message, wParam, lParam);
    }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace fw
