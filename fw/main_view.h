// The main window as the update logic sees it: control texts by ID, enabling,
// the title, the progress bar's three messages and message boxes. Every call may
// come from the worker thread; the real window carries it to the dialog's thread.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

// Progress-bar messages, as the common controls number them.
constexpr uint32_t kPbmSetRange = 1025;
constexpr uint32_t kPbmSetPos = 1026;
constexpr uint32_t kPbmGetPos = 1032;

// Message box styles and answers in use.
constexpr uint32_t kMbOk = 0x00;
constexpr uint32_t kMbIconStop = 0x10;
constexpr uint32_t kMbYesNoExclamation = 0x34;
constexpr uint32_t kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// lParam of PBM_SETRANGE: minimum in the low word, maximum in the high word.
inline intptr_t MakeRange(uint32_t minimum, uint32_t maximum) {
    return static_cast<intptr_t>(((maximum & 0xFFFFu) << 16) | (minimum & 0xFFFFu));
}

class IMainView {
public:
    virtual ~IMainView() = default;
    virtual void SetItemText(int id, const std::wstring& text) = 0;
    virtual std::wstring GetItemText(int id) = 0;
    virtual void EnableItem(int id, bool enable) = 0;
    virtual void SetTitle(const std::wstring& title) = 0;
    virtual intptr_t SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // A modal box; `owned` boxes have the dialog as owner, the others none.
    // Returns the button pressed.
    virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                               uint32_t style, bool owned) = 0;
};

}  // namespace fw
