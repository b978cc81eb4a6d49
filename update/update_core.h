// Everything the main dialog does that needs no window system: the run state,
// the command handlers of Update, Break and Exit, the worker's stage loop and
// the four stage operations. The Windows dialog forwards its commands here and
// serves the view; the tests drive it headless.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "fw/clock.h"
#include "fw/main_view.h"
#include "fw/stop_signal.h"
#include "fw/worker_thread.h"
#include "images/image_cursor.h"
#include "protocol/info_record.h"
#include "serial/serial_port.h"

namespace update {

// Command replies of the command channel.
enum CommandReply { ReplyNone = 0, ReplyContinue = 1, ReplyComplete = 2 };
// Replies of the boot channel.
enum BootReply { BootReplyNone = 0, BootReplyRequest = 1, BootReplyDone = 2 };

struct Platform {
    fw::IMainView& view;
    fw::IClock& clock;
    fw::StopSignal& stop;
    fw::IWorkerThread& worker;
    serial::ISerialBackend& serial;
    const images::IImageResources& images;
};

class CUpdateCore {
public:
    explicit CUpdateCore(const Platform& platform);
    virtual ~CUpdateCore() = default;

    // Start-up of the main dialog: title, port number, cursor reset, boot version.
    void InitialiseDisplay();

    // Command handlers, on the dialog's thread.
    void OnBnClickedUpdate();
    void OnBnClickedBreak();
    // True when the dialog may close; a running worker has been ended then.
    bool OnBnClickedCancel();
    void ClearDisplay();

    // The worker.
    static uint32_t UpdateThreadProc(void* dialog);
    int OpenSelectedPort();
    int RunStage(uint32_t stage);

    // Stage 0: request, show and confirm the receiver information.
    void RequestInformation();
    int ParseInfoReply(const uint8_t* bytes, int count);

    // Stages 1 and 3: command-channel transfer.
    void RunTovrinStage();
    void RunFirmwareStage();
    void TransferImageByCommand(int32_t kind);
    int ClassifyCommandReply(const uint8_t* bytes, int count);

    // Stage 2: boot-channel transfer.
    void RunBootStage();
    void TransferBootImage();
    static int ClassifyBootReply(uint8_t* reply);

    uint32_t GetUpdateStage() const { return UpdateStage.load(); }
    void SetUpdateStage(uint32_t stage) { UpdateStage.store(stage); }
    const protocol::ReceiverInfoRecord& Record() const { return record_; }
    serial::CSerialPort& Port() { return port_; }
    images::ImageCursor& Cursor() { return cursor_; }

protected:
    // The worker's window calls: each first honours a stop request.
    void Show(int id, const std::wstring& text);
    std::wstring Read(int id);
    void Enable(int id, bool enable);
    void Title(const std::wstring& title);
    intptr_t Progress(uint32_t message, uintptr_t wParam, intptr_t lParam);
    int Box(const std::wstring& text, const std::wstring& caption, uint32_t style);
    void Pause(uint32_t ms);
    void SetButtons(bool running);
    void SetIdleButtonsFromWorker();
    void StopWorkerIfRunning();

    fw::IMainView& view_;
    fw::IClock& clock_;
    fw::StopSignal& stop_;
    fw::IWorkerThread& worker_;
    serial::CSerialPort port_;
    protocol::ReceiverInfoRecord record_{};
    images::ImageCursor cursor_;
    protocol::InfoReplyBuffer infoReply_{};
    protocol::InfoFrameState infoFrameState_ = 0;
    std::atomic<uint32_t> UpdateStage{0};
    uint32_t LastUpdateTick = 0;
};

}  // namespace update
