#include "app/main_dialog.h"

#include "app/about_dialog.h"
#include "fw/icon_origin.h"
#include "images/image_resources.h"
#include "res/resource.h"

CTovrin_FirmwareDlg::CTovrin_FirmwareDlg()
    : fw::CDialog(IDD_MAIN_DIALOG, nullptr),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      core_(update::Platform{*this, clock_, stop_, worker_, serial_, images::CarriedImages()}) {}

CTovrin_FirmwareDlg::~CTovrin_FirmwareDlg() {
    // Exit ends a running worker before the dialog closes; should the modal
    // loop end any other way, the worker still ends before its objects go.
    if (worker_.IsRunning()) worker_.StopAndRelease();
}

void CTovrin_FirmwareDlg::DoDataExchange() {
    progress_.Attach(GetDlgItem(hwnd_, IDC_PROGRESS));
    display_.Attach(hwnd_, progress_.GetSafeHwnd(), {IDC_STATUS, IDC_PERCENT});
}

BOOL CTovrin_FirmwareDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    if (fw::CWinApp::Current() != nullptr) fw::CWinApp::Current()->mainWindow = hwnd_;
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (menu != nullptr) {
        const std::wstring about = fw::LoadResString(IDS_ABOUTBOX);
        if (!about.empty()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    core_.InitialiseDisplay();
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    return TRUE;
}

bool CTovrin_FirmwareDlg::OnCommand(int id, int code) {
    if (id == IDCANCEL && code == BN_CLICKED) {
        OnBnClickedCancel();
        return true;
    }
    if (id == IDC_COM_PORT && code == EN_CHANGE) {
        OnEnChangeComPort();
        return true;
    }
    if (id == IDC_UPDATE && code == BN_CLICKED) {
        OnBnClickedUpdate();
        return true;
    }
    if (id == IDC_BREAK && code == BN_CLICKED) {
        OnBnClickedBreak();
        return true;
    }
    return false;
}

bool CTovrin_FirmwareDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    if (display_.OnMessage(message, wParam)) {
        *result = TRUE;
        return true;
    }
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;  // default processing
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            *result = TRUE;
            return true;
        case WM_PAINT:
            if (!IsIconic(hwnd_)) return false;
            OnPaint();
            *result = TRUE;
            return true;
        case WM_QUERYDRAGICON:
            *result = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
            return true;
        default:
            return false;
    }
}

void CTovrin_FirmwareDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(hwnd_);
        about.DoModal();
    }
}

void CTovrin_FirmwareDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(hwnd_, &rect);
    const fw::Point at = fw::IconOrigin(rect.right - rect.left, rect.bottom - rect.top, cxIcon, cyIcon);
    DrawIcon(dc, at.x, at.y, icon_);
    EndPaint(hwnd_, &paint);
}

HCURSOR CTovrin_FirmwareDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(icon_); }

void CTovrin_FirmwareDlg::OnBnClickedCancel() {
    if (core_.OnBnClickedCancel()) OnCancel();
}

void CTovrin_FirmwareDlg::OnEnChangeComPort() { SendDlgItemMessageW(hwnd_, IDC_COM_PORT, EM_LIMITTEXT, 5, 0); }

void CTovrin_FirmwareDlg::OnBnClickedUpdate() { core_.OnBnClickedUpdate(); }

void CTovrin_FirmwareDlg::OnBnClickedBreak() { core_.OnBnClickedBreak(); }

void CTovrin_FirmwareDlg::SetItemText(int id, const std::wstring& text) {
    if (display_.Defers(id)) {
        display_.SetText(id, text);
        return;
    }
    display_.Flush();
    SetDlgItemTextW(hwnd_, id, text.c_str());
}

std::wstring CTovrin_FirmwareDlg::GetItemText(int id) {
    display_.Flush();
    HWND item = GetDlgItem(hwnd_, id);
    const int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(item, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void CTovrin_FirmwareDlg::EnableItem(int id, bool enable) {
    display_.Flush();
    EnableWindow(GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
}

void CTovrin_FirmwareDlg::SetTitle(const std::wstring& title) {
    display_.Flush();
    SetWindowTextW(hwnd_, title.c_str());
}

intptr_t CTovrin_FirmwareDlg::SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // The callers do not use what setting the range or position returns.
    if (message == fw::kPbmSetRange) {
        display_.SetRange(lParam);
        return 0;
    }
    if (message == fw::kPbmSetPos) {
        display_.SetPosition(static_cast<intptr_t>(wParam));
        return 0;
    }
    display_.Flush();
    return progress_.Send(message, wParam, lParam);
}

int CTovrin_FirmwareDlg::ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t style,
                                        bool owned) {
    display_.Flush();
    return MessageBoxW(owned ? hwnd_ : nullptr, text.c_str(), caption.c_str(), style);
}
