// Checks the Win32 serial channel on a real port: opens COM<n>, sends the
// information request, and prints in hex what comes back within a few seconds
// (up to the number of bytes asked for).
//   serial_probe PORT EXPECTED_BYTES
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fw/win32/win32_stop.h"
#include "protocol/command_frame.h"
#include "serial/serial_port.h"
#include "serial/win32_serial_backend.h"

namespace {

class ConsoleBoxes : public fw::IMainView {
public:
    void SetItemText(int, const std::wstring&) override {}
    std::wstring GetItemText(int) override { return std::wstring(); }
    void EnableItem(int, bool) override {}
    void SetTitle(const std::wstring&) override {}
    intptr_t SendProgress(uint32_t, uintptr_t, intptr_t) override { return 0; }
    int ShowMessageBox(const std::wstring& text, const std::wstring&, uint32_t, bool) override {
        std::printf("box: %ls\n", text.c_str());
        return fw::kIdOk;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int portNumber = argc > 1 ? std::atoi(argv[1]) : 1;
    const int expected = argc > 2 ? std::atoi(argv[2]) : 155;
    fw::Win32StopSignal stop;
    fw::Win32Clock clock(stop);
    ConsoleBoxes boxes;
    serial::Win32SerialBackend backend(stop.Event());
    serial::CSerialPort port(backend, clock, boxes, stop);
    if (port.OpenPort(portNumber) != 1) {
        std::printf("open COM%d failed\n", portNumber);
        return 1;
    }
    std::printf("open COM%d ok\n", portNumber);
    port.WriteData(protocol::InfoRequestFrame, sizeof protocol::InfoRequestFrame);
    std::string hex;
    int received = 0;
    uint8_t buffer[256];
    const DWORD start = GetTickCount();
    while (received < expected && GetTickCount() - start < 10000) {
        const int n = port.ReadAvailable(buffer, sizeof buffer);
        for (int i = 0; i < n; ++i) {
            char two[4];
            std::snprintf(two, sizeof two, "%02x", buffer[i]);
            hex += two;
        }
        received += n;
    }
    port.ClosePort();
    std::printf("received %d\n%s\n", received, hex.c_str());
    return received == expected ? 0 : 2;
}
