#include "app/firmware_app.h"

#include <commctrl.h>
#include <winsock.h>

#include "app/main_dialog.h"
#include "res/resource.h"

// The one application object.
CTovrin_FirmwareApp theApp;

BOOL CTovrin_FirmwareApp::InitInstance() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;  // 8
    controls.dwICC = ICC_WIN95_CLASSES;  // 0xFF
    InitCommonControlsEx(&controls);
    fw::CWinApp::InitInstance();

    // Windows Sockets 1.1, initialised at start-up as the dialog application
    // always has; nothing opens a socket.
    WSADATA sockets;
    if (WSAStartup(MAKEWORD(1, 1), &sockets) != 0) {
        fw::AppMessageBox(IDP_SOCKETS_INIT_FAILED, MB_OK);
        return FALSE;
    }
    SetRegistryKey(L"\u5e94\u7528\u7a0b\u5e8f\u5411\u5bfc\u751f\u6210\u7684\u672c\u5730\u5e94\u7528\u7a0b\u5e8f");

    CTovrin_FirmwareDlg dialog;
    dialog.DoModal();
    mainWindow = nullptr;
    WSACleanup();
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    fw::CWinApp* app = fw::CWinApp::Current();
    if (app != nullptr) app->InitInstance();
    return 0;
}
