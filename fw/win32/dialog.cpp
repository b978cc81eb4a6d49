#include "fw/win32/dialog.h"

namespace fw {

CWinApp* CWinApp::current_ = nullptr;

CWinApp::CWinApp() { current_ = this; }

std::wstring CWinApp::AppName() const {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

std::wstring LoadResString(UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

int AppMessageBox(UINT stringId, UINT type) {
    const std::wstring caption = CWinApp::Current() ? CWinApp::Current()->AppName() : std::wstring();
    HWND owner = CWinApp::Current() ? CWinApp::Current()->mainWindow : nullptr;
    return MessageBoxW(owner, LoadResString(stringId).c_str(), caption.c_str(), type | MB_ICONEXCLAMATION);
}

INT_PTR CDialog::DoModal() {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

bool CDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr) return FALSE;
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        // Nothing unwinds through the window system.
        return FALSE;
    }
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog();
    if (message == WM_COMMAND) return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    INT_PTR result = FALSE;
    if (OnMessage(message, wParam, lParam, &result)) return result;
    return FALSE;
}

}  // namespace fw
