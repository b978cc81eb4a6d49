// The update run: the Update, Break and Exit handlers, the worker's entry and
// its stage loop.
#include <cstdio>
#include <cstdlib>

#include "fw/text.h"
#include "res/resource.h"
#include "update/update_core.h"

namespace update {

namespace {
const wchar_t kIdleTitle[] = L"Tovrin Firmware ";
}

void CUpdateCore::InitialiseDisplay() {
    view_.SetTitle(kIdleTitle);
    view_.SetItemText(IDC_COM_PORT, L"1");
    cursor_.Reset();
    const uint16_t version = cursor_.GetBootVersion();
    char text[32];
    std::snprintf(text, sizeof text, "%0.2f", static_cast<double>(version) / 100.0);
    view_.SetItemText(IDC_BOOT_VERSION, fw::AsciiToWide(text));
}

void CUpdateCore::SetButtons(bool running) {
    view_.EnableItem(IDC_UPDATE, !running);
    view_.EnableItem(IDC_BREAK, running);
    view_.EnableItem(IDC_COM_PORT, !running);
}

// The same three changes from the worker, each honouring a stop request.
void CUpdateCore::SetIdleButtonsFromWorker() {
    Enable(IDC_UPDATE, true);
    Enable(IDC_BREAK, false);
    Enable(IDC_COM_PORT, true);
}

void CUpdateCore::ClearDisplay() {
    static const int kCleared[] = {IDC_STATUS,   IDC_PERCENT,    IDC_RECEIVER_TYPE, IDC_RECEIVER_ID,
                                   IDC_PRODUCT_DATE, IDC_PN_CODE, IDC_RADIO_BAUD,    IDC_RADIO_MODULE,
                                   IDC_STEP1,    IDC_STEP2,      IDC_STEP3,         IDC_STEP4};
    for (int id : kCleared) view_.SetItemText(id, L"");
}

void CUpdateCore::OnBnClickedUpdate() {
    const uint32_t elapsed = clock_.GetTickCount() - LastUpdateTick;
    if (elapsed / 1000 < 2) {
        view_.ShowMessageBox(L"Hei,you click too fast!", L"Waring", fw::kMbOk, true);
        return;
    }
    ClearDisplay();
    stop_.Clear();
    if (worker_.Start(&CUpdateCore::UpdateThreadProc, this)) {
        SetButtons(true);
        LastUpdateTick = clock_.GetTickCount();
    } else {
        view_.SetItemText(IDC_STATUS, L"Thread Error,Update break!");
        SetButtons(false);
    }
}

void CUpdateCore::StopWorkerIfRunning() {
    if (worker_.HasHandle() && worker_.IsRunning()) {
        worker_.StopAndRelease();
        stop_.Clear();
    }
}

void CUpdateCore::OnBnClickedBreak() {
    // The worker is ended before anything else is touched: from here on it
    // uses neither the port, the image cursor nor any control.
    StopWorkerIfRunning();
    ClearDisplay();
    view_.SendProgress(fw::kPbmSetPos, 0, 0);
    view_.SetItemText(IDC_STATUS, L"User Breaked");
    port_.ClosePort();
    cursor_.Reset();
    SetButtons(false);
}

bool CUpdateCore::OnBnClickedCancel() {
    if (UpdateStage.load() == 2 && view_.SendProgress(fw::kPbmGetPos, 0, 0) != 0) return false;
    StopWorkerIfRunning();
    return true;
}

int CUpdateCore::OpenSelectedPort() {
    const std::wstring text = Read(IDC_COM_PORT);
    int number = 1;
    if (text.empty()) {
        Show(IDC_COM_PORT, L"1");
    } else {
        number = std::atoi(fw::WideToThreadAnsi(text).c_str());
    }
    const int opened = port_.OpenPort(number);
    if (opened == 0) {
        port_.ClosePort();
        Box(L"Serial Open Error", L"Serial Error", fw::kMbIconStop);
        Show(IDC_STATUS, L"Serial Open Error");
    } else {
        Show(IDC_STATUS, L"Serial Open Successful");
    }
    return opened;
}

uint32_t CUpdateCore::UpdateThreadProc(void* dialog) {
    CUpdateCore& self = *static_cast<CUpdateCore*>(dialog);
    try {
        if (self.OpenSelectedPort() == 0) {
            self.SetIdleButtonsFromWorker();
            return 0;
        }
        self.UpdateStage.store(0);
        int result = self.RunStage(0);
        while (result == 1) {
            self.UpdateStage.store((self.UpdateStage.load() + 1) & 0xFFu);
            result = self.RunStage(self.UpdateStage.load());
        }
        self.Progress(fw::kPbmSetPos, 0, 0);
        self.Show(IDC_PERCENT, L"");
        self.Show(IDC_STATUS, L"");
        self.Title(kIdleTitle);
        self.SetIdleButtonsFromWorker();
        self.port_.ClosePort();
        return 1;
    } catch (const fw::WorkerStopped&) {
        // Break or Exit: whoever stopped the worker restores the window.
        return 0;
    } catch (...) {
        // Nothing may leave the thread (out of memory, say): the run ends and
        // Break puts the window back.
        return 0;
    }
}

int CUpdateCore::RunStage(uint32_t stage) {
    if (stage > 3) return 0;
    for (uint32_t i = 0; i < 4; ++i) Show(IDC_STEP1 + static_cast<int>(i), i == stage ? L"^" : L"");
    switch (stage) {
        case 0:
            RequestInformation();
            return 1;
        case 1:
            RunTovrinStage();
            return 1;
        case 2:
            Enable(IDC_BREAK, false);
            RunBootStage();
            Enable(IDC_BREAK, true);
            return 1;
        default:
            RunFirmwareStage();
            for (int id = IDC_STEP1; id <= IDC_STEP4; ++id) Show(id, L"");
            return UpdateStage.load() == 3 ? 0 : 1;
    }
}

}  // namespace update
