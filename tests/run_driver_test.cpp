// The update run: the click guard, start failures, Break, the Exit guard and a
// whole run against the scripted receiver, with the worker on its own thread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "res/resource.h"
#include "tests/support/fixture.h"
#include "tests/support/scripted_receiver.h"

using namespace testing_support;

namespace {

template <typename Predicate>
bool WaitFor(Predicate done, int seconds = 20) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Rig : Program {
    Rig() { clock.yieldOnSleep = true; }
    void Click(void (update::CUpdateCore::*handler)()) { dialog.OnDialogThread([&] { (core.*handler)(); }); }
    void Update() { Click(&update::CUpdateCore::OnBnClickedUpdate); }
    void Break() { Click(&update::CUpdateCore::OnBnClickedBreak); }
    bool Exit() {
        bool closes = false;
        dialog.OnDialogThread([&] { closes = core.OnBnClickedCancel(); });
        return closes;
    }
    bool Idle() { return dialog.Enabled(IDC_UPDATE) && !dialog.Enabled(IDC_BREAK) && dialog.Enabled(IDC_COM_PORT); }
    bool Running() { return !dialog.Enabled(IDC_UPDATE) && dialog.Enabled(IDC_BREAK) && !dialog.Enabled(IDC_COM_PORT); }
    size_t TooFast() {
        size_t n = 0;
        for (const BoxRecord& b : dialog.Boxes()) n += b.caption == L"Waring";
        return n;
    }
};

const int kFilled[] = {IDC_RECEIVER_TYPE, IDC_RECEIVER_ID, IDC_PRODUCT_DATE, IDC_PN_CODE, IDC_RADIO_MODULE, IDC_RADIO_BAUD};

}  // namespace

TEST(RunDriver, ClickGuardCountsFromTheLastSuccessfulStart) {
    struct Case {
        const char* name;
        uint32_t firstTick;
        uint32_t later;
        bool refused;
    };
    const Case cases[] = {{"after 1999 ms", 50000, 1999, true},
                          {"after 2000 ms", 50000, 2000, false},
                          {"1999 ms across the tick wrap", 0xFFFFF000u, 1999, true},
                          {"2000 ms across the tick wrap", 0xFFFFF000u, 2000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.dialog.SetItemText(IDC_COM_PORT, L"9");  // no such port: the run fails at once
        rig.clock.Set(c.firstTick);
        rig.Update();
        rig.worker.Join();
        EXPECT_EQ(rig.worker.exitCode.load(), 0u);
        rig.clock.Set(c.firstTick + c.later);
        rig.Update();
        rig.worker.Join();
        EXPECT_EQ(rig.TooFast(), c.refused ? 1u : 0u);
        EXPECT_EQ(rig.worker.starts, c.refused ? 1 : 2);
        if (c.refused) {
            const BoxRecord box = rig.dialog.Boxes().back();
            EXPECT_EQ(box.text, L"Hei,you click too fast!");
            EXPECT_EQ(box.style, 0u);
            EXPECT_TRUE(box.owned);
        }
    }
}

TEST(RunDriver, FailedThreadCreationLeavesTheGuardOpen) {
    Rig rig;
    rig.worker.failCreate = true;
    rig.dialog.SetItemText(IDC_RECEIVER_ID, L"old");
    rig.Update();
    EXPECT_EQ(rig.dialog.Text(IDC_STATUS), L"Thread Error,Update break!");
    EXPECT_EQ(rig.dialog.Text(IDC_RECEIVER_ID), L"");
    EXPECT_TRUE(rig.Idle());
    rig.Update();  // at once: not refused
    EXPECT_EQ(rig.TooFast(), 0u);
    EXPECT_EQ(rig.worker.starts, 2);
}

TEST(RunDriver, PortNumberFromTheEditBox) {
    struct Case {
        const wchar_t* text;
        int port;           // the port that exists
        bool opens;
        const wchar_t* after;
    };
    const Case cases[] = {{L"", 1, true, L"1"},     {L"3", 3, true, L"3"},  {L"  12ab", 12, true, L"  12ab"},
                          {L"0", 1, false, L"0"},   {L"x", 1, false, L"x"}, {L"77", 1, false, L"77"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << std::string(c.text, c.text + wcslen(c.text)) << "'");
        Rig rig;
        rig.serial.existingPort = c.port;
        rig.dialog.answer = [](const BoxRecord& b) { return b.caption == L"Configuration Confirm" ? 0 : fw::kIdOk; };
        rig.dialog.SetItemText(IDC_COM_PORT, c.text);
        rig.dialog.SetItemText(IDC_PN_CODE, L"old");
        rig.Update();
        if (c.opens) {
            ASSERT_TRUE(WaitFor([&] { return rig.serial.openedPort == c.port; }));
            EXPECT_TRUE(rig.Running());
            rig.Break();
        } else {
            rig.worker.Join();
            EXPECT_EQ(rig.worker.exitCode.load(), 0u);
            const BoxRecord box = rig.dialog.Boxes().back();
            EXPECT_EQ(box.text, L"Serial Open Error");
            EXPECT_EQ(box.caption, L"Serial Error");
            EXPECT_EQ(box.style, 0x10u);
            EXPECT_EQ(rig.dialog.Text(IDC_STATUS), L"Serial Open Error");
            EXPECT_TRUE(rig.Idle());
            EXPECT_EQ(rig.dialog.Text(IDC_PN_CODE), L"");
            for (int id = IDC_STEP1; id <= IDC_STEP4; ++id) EXPECT_EQ(rig.dialog.Text(id), L"");
        }
        EXPECT_EQ(rig.dialog.Text(IDC_COM_PORT), c.after);
    }
}

TEST(RunDriver, BreakEndsTheWorkerWhateverItWaitsFor) {
    struct Case {
        const char* name;
        bool receiverAnswers;
        bool holdConfirmation;
    };
    const Case cases[] = {{"waiting for a silent receiver", false, false},
                          {"in the confirmation box", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.receiverAnswers) rig.serial.onWrite = [](FakeSerial& s, const WrittenFrame&) { s.Deliver(InfoReply()); };
        bool inBox = false;
        rig.dialog.answer = [&](const BoxRecord& b) {
            if (b.caption == L"Configuration Confirm" && c.holdConfirmation) {
                inBox = true;
                return 0;
            }
            return fw::kIdOk;
        };
        rig.Update();
        if (c.holdConfirmation) ASSERT_TRUE(WaitFor([&] { return inBox; }));
        else ASSERT_TRUE(WaitFor([&] { return rig.clock.Sleeps() > 20; }));
        rig.Break();
        EXPECT_FALSE(rig.worker.IsRunning());
        EXPECT_EQ(rig.worker.exitCode.load(), 0u);
        EXPECT_FALSE(rig.worker.HasHandle());
        EXPECT_EQ(rig.dialog.Text(IDC_STATUS), L"User Breaked");
        EXPECT_EQ(rig.dialog.Text(IDC_STEP1), L"");
        EXPECT_EQ(rig.dialog.Title(), L"Tovrin Firmware Request the Hardware Information");
        EXPECT_FALSE(rig.serial.IsOpen());
        EXPECT_TRUE(rig.Idle());
        EXPECT_FALSE(rig.core.Cursor().IsLoaded());
        // Nothing more comes from the stopped worker.
        const size_t texts = rig.dialog.TextLog().size();
        const size_t writes = rig.serial.Written().size();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(rig.dialog.TextLog().size(), texts);
        EXPECT_EQ(rig.serial.Written().size(), writes);
    }
}

TEST(RunDriver, BreakAfterTheRunEndedStillResetsTheWindow) {
    Rig rig;
    rig.dialog.SetItemText(IDC_COM_PORT, L"5");
    rig.Update();
    rig.worker.Join();
    ASSERT_TRUE(rig.worker.HasHandle());
    rig.Break();
    EXPECT_EQ(rig.worker.stops, 0);
    EXPECT_TRUE(rig.worker.HasHandle());  // the handle is left as it was
    EXPECT_EQ(rig.dialog.Text(IDC_STATUS), L"User Breaked");
    EXPECT_EQ(rig.dialog.Position(), 0u);
    EXPECT_TRUE(rig.Idle());
}

TEST(RunDriver, CompleteRunLeavesTheIdleWindowWithTheReceiverShown) {
    Rig rig;
    rig.clock.yieldOnSleep = false;
    ScriptedReceiver receiver(rig.serial, rig.clock);
    rig.Update();
    rig.worker.Join();
    EXPECT_EQ(rig.worker.exitCode.load(), 1u);
    EXPECT_EQ(receiver.phase, ScriptedReceiver::Done);
    for (int id = IDC_STEP1; id <= IDC_STEP4; ++id) EXPECT_EQ(rig.dialog.Text(id), L"");
    EXPECT_EQ(rig.dialog.Text(IDC_STATUS), L"");
    EXPECT_EQ(rig.dialog.Text(IDC_PERCENT), L"");
    EXPECT_EQ(rig.dialog.Position(), 0u);
    EXPECT_EQ(rig.dialog.Title(), L"Tovrin Firmware ");
    for (int id : kFilled) EXPECT_NE(rig.dialog.Text(id), L"") << id;
    EXPECT_TRUE(rig.Idle());
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.core.GetUpdateStage(), 3u);
    const std::vector<std::wstring> captions = [&] {
        std::vector<std::wstring> out;
        for (const BoxRecord& b : rig.dialog.Boxes()) out.push_back(b.caption);
        return out;
    }();
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"Configuration Confirm", L"Get Configuration Successful",
                                                   L" Tovrin_Firmware Update Successful!", L"Update Completed!"}));
}

TEST(RunDriver, RepeatedStagesKeepTheirMarkers) {
    Rig rig;
    rig.clock.yieldOnSleep = false;
    ReceiverOptions options;
    options.earlyCompleteStage1 = 1;
    options.earlyCompleteStage3 = 1;
    ScriptedReceiver receiver(rig.serial, rig.clock, options);
    std::vector<std::pair<int, std::wstring>> markers;
    rig.dialog.onText = [&](int id, const std::wstring& text) {
        if (id >= IDC_STEP1 && id <= IDC_STEP4) markers.emplace_back(id, text);
    };
    rig.Update();
    rig.worker.Join();
    EXPECT_EQ(rig.worker.exitCode.load(), 1u);
    EXPECT_EQ(receiver.tovrinAttempts, 2);
    EXPECT_EQ(receiver.firmwareAttempts, 2);
    // Each stage run sets its marker and clears the others; stage 3 also
    // clears all four after each attempt.
    using M = std::pair<int, std::wstring>;
    auto stage = [](int n) {
        std::vector<M> out;
        for (int i = 0; i < 4; ++i) out.emplace_back(IDC_STEP1 + i, i == n ? L"^" : L"");
        return out;
    };
    std::vector<M> expected;
    for (int i = 0; i < 4; ++i) expected.emplace_back(IDC_STEP1 + i, L"");  // Update clears the display
    for (int n : {0, 1, 1, 2}) {
        auto s = stage(n);
        expected.insert(expected.end(), s.begin(), s.end());
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto s = stage(3);
        expected.insert(expected.end(), s.begin(), s.end());
        for (int i = 0; i < 4; ++i) expected.emplace_back(IDC_STEP1 + i, L"");
    }
    EXPECT_EQ(markers, expected);
}

TEST(RunDriver, ExitIsRefusedOnlyWhileTheBootImageIsBeingWritten) {
    Rig rig;
    ReceiverOptions options;
    options.bootSilentAfter = 5;  // the receiver stops asking: stage 2 waits
    ScriptedReceiver receiver(rig.serial, rig.clock, options);
    rig.Update();
    ASSERT_TRUE(WaitFor([&] { return receiver.bootPackets >= 5 && rig.dialog.Position() > 0; }));
    EXPECT_EQ(rig.core.GetUpdateStage(), 2u);
    EXPECT_FALSE(rig.dialog.Enabled(IDC_BREAK));
    EXPECT_FALSE(rig.Exit());
    EXPECT_TRUE(rig.worker.IsRunning());
}

TEST(RunDriver, ExitDuringAStageEndsTheWorkerFirst) {
    Rig rig;
    ScriptedReceiver receiver(rig.serial, rig.clock);
    rig.Update();
    ASSERT_TRUE(WaitFor([&] { return receiver.firmware.size() > 128 * 20; }));
    EXPECT_TRUE(rig.Exit());
    EXPECT_EQ(rig.worker.stops, 1);
    EXPECT_FALSE(rig.worker.IsRunning());
    Rig idle;
    EXPECT_TRUE(idle.Exit());
    EXPECT_EQ(idle.worker.stops, 0);
}
