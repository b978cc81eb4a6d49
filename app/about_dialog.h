// The About box: a template and nothing more.
#pragma once

#include "fw/win32/dialog.h"
#include "res/resource.h"

class CAboutDlg : public fw::CDialog {
public:
    CAboutDlg() : fw::CDialog(IDD_ABOUTBOX, nullptr) {}
    explicit CAboutDlg(HWND owner) : fw::CDialog(IDD_ABOUTBOX, owner) {}

protected:
    void DoDataExchange() override {}
};
