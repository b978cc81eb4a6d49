// The application object: start-up of the dialog application.
#pragma once

#include "fw/win32/dialog.h"

class CTovrin_FirmwareApp : public fw::CWinApp {
public:
    BOOL InitInstance() override;
};
