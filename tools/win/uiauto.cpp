// UI automation for the tests under Wine: finds the program's dialog, reads
// control texts, states and the progress bar, clicks, types, and answers
// message boxes, following a script of one command per line (from a file or
// standard input). It stops at the first expectation that fails, exit 1.
//
//   window MS                        wait for the main dialog
//   expect-title "TEXT"              the main dialog's title
//   expect-text ID "TEXT"            a control's text (WM_GETTEXT)
//   expect-enabled ID 0|1            IsWindowEnabled
//   expect-limit ID N                EM_GETLIMITTEXT of an edit
//   expect-pos N | expect-range MAX  the progress bar
//   wait-text ID "PREFIX" MS         until the text starts with PREFIX
//   wait-pos-above N MS              until the bar is above N
//   wait-enabled ID 0|1 MS           until the control's enabled state is that
//   click ID                         BN_CLICKED, refused on a disabled control
//   type ID "CHARS"                  WM_CHAR per character, as typing does
//   settext ID "TEXT"                WM_SETTEXT
//   sys N                            WM_SYSCOMMAND N to the dialog
//   wait-box "CAPTION" MS            until a box with that caption is open
//   expect-box-text "TEXT"           the open box's text
//   expect-no-box                    no box is open
//   answer ID                        press button ID of the open box
//   close                            IDCANCEL to the dialog (Exit, Esc, close box)
//   wait-gone MS                     until the dialog has closed
//   sleep MS
//   print ID                         print a control's text
// Strings take \r \n \" and \\.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

HWND g_dialog = nullptr;
HWND g_box = nullptr;
int g_line = 0;

std::wstring Widen(const std::string& s) {
    std::wstring w;
    for (unsigned char c : s) w.push_back(static_cast<wchar_t>(c));
    return w;
}

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s.push_back(c < 128 ? static_cast<char>(c) : '?');
    return s;
}

std::string Show(const std::wstring& w) {
    std::string out;
    for (char c : Narrow(w)) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out.push_back(c);
    }
    return "\"" + out + "\"";
}

[[noreturn]] void Fail(const std::string& what) {
    std::printf("FAIL line %d: %s\n", g_line, what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

// A message to the program's window, waited for up to 10 s, twice; Wine's
// "hung" test (5 s without fetching a message) can misjudge a busy dialog, so
// only a window that stays silent that long counts as not answering.
LRESULT Send(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    for (int attempt = 0; attempt < 2; ++attempt)
        if (SendMessageTimeoutW(w, m, wp, lp, SMTO_NORMAL, 10000, &result)) return static_cast<LRESULT>(result);
    Fail("no answer to message " + std::to_string(m));
}

std::wstring TextOf(HWND w) {
    wchar_t buffer[1024] = {};
    const LRESULT got = Send(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<size_t>(got));
}

bool IsDialogClass(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    return lstrcmpW(cls, L"#32770") == 0;
}

struct Search {
    std::wstring prefix;
    HWND found;
    HWND except;
};

// The caption of a top-level window of another process, read without sending
// it a message (its thread may be busy).
std::wstring CaptionOf(HWND w) {
    wchar_t buffer[512] = {};
    const int n = GetWindowTextW(w, buffer, 512);
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

BOOL CALLBACK FindByTitle(HWND w, LPARAM p) {
    Search* s = reinterpret_cast<Search*>(p);
    if (w == s->except || !IsDialogClass(w) || !IsWindowVisible(w)) return TRUE;
    const std::wstring title = CaptionOf(w);
    if (title.compare(0, s->prefix.size(), s->prefix) == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopLevel(const std::wstring& prefix, HWND except) {
    Search s{prefix, nullptr, except};
    EnumWindows(&FindByTitle, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND FindBoxAny() {
    Search s{L"", nullptr, g_dialog};
    EnumWindows(&FindByTitle, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND Item(int id) {
    if (g_dialog == nullptr) Fail("no dialog yet");
    HWND w = GetDlgItem(g_dialog, id);
    if (w == nullptr) Fail("no control " + std::to_string(id));
    return w;
}

// Splits a line into words; "..." with escapes is one word.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char c = line[++i];
                    word.push_back(c == 'r' ? '\r' : c == 'n' ? '\n' : c);
                } else {
                    word.push_back(line[i]);
                }
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') word.push_back(line[i++]);
        }
        words.push_back(word);
    }
    return words;
}

template <typename F>
bool WaitUntil(int ms, F done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > static_cast<DWORD>(ms)) return false;
        Sleep(20);
    }
}

void Click(HWND parent, int id) {
    HWND button = GetDlgItem(parent, id);
    if (button == nullptr) Fail("no button " + std::to_string(id));
    if (!IsWindowEnabled(button)) Fail("button " + std::to_string(id) + " is disabled");
    if (!IsWindowEnabled(parent)) Fail("the window takes no input (a box is open)");
    PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void Run(const std::vector<std::string>& w) {
    const std::string& c = w[0];
    auto arg = [&](size_t i) -> const std::string& {
        if (i >= w.size()) Fail("missing argument for " + c);
        return w[i];
    };
    auto num = [&](size_t i) { return std::atoi(arg(i).c_str()); };
    if (c == "window") {
        if (!WaitUntil(num(1), [] { return (g_dialog = FindTopLevel(L"Tovrin Firmware", nullptr)) != nullptr; }))
            Fail("the main dialog did not appear");
    } else if (c == "expect-title") {
        const std::wstring t = CaptionOf(g_dialog);
        if (t != Widen(arg(1))) Fail("title " + Show(t));
    } else if (c == "expect-text") {
        const std::wstring t = TextOf(Item(num(1)));
        if (t != Widen(arg(2))) Fail("control " + arg(1) + " holds " + Show(t));
    } else if (c == "expect-enabled") {
        if ((IsWindowEnabled(Item(num(1))) ? 1 : 0) != num(2)) Fail("control " + arg(1) + " enabled state");
    } else if (c == "expect-limit") {
        const LRESULT limit = Send(Item(num(1)), EM_GETLIMITTEXT, 0, 0);
        if (limit != num(2)) Fail("limit " + std::to_string(limit));
    } else if (c == "expect-pos") {
        const LRESULT pos = Send(Item(1013), PBM_GETPOS, 0, 0);
        if (pos != num(1)) Fail("progress position " + std::to_string(pos));
    } else if (c == "expect-range") {
        const LRESULT high = Send(Item(1013), PBM_GETRANGE, FALSE, 0);
        if (high != num(1)) Fail("progress maximum " + std::to_string(high));
    } else if (c == "wait-text") {
        HWND item = Item(num(1));
        const std::wstring prefix = Widen(arg(2));
        if (!WaitUntil(num(3), [&] { return TextOf(item).compare(0, prefix.size(), prefix) == 0; }))
            Fail("control " + arg(1) + " holds " + Show(TextOf(item)));
    } else if (c == "wait-enabled") {
        HWND item = Item(num(1));
        if (!WaitUntil(num(3), [&] { return (IsWindowEnabled(item) ? 1 : 0) == num(2); }))
            Fail("control " + arg(1) + " enabled state did not change");
    } else if (c == "wait-pos-above") {
        HWND bar = Item(1013);
        if (!WaitUntil(num(2), [&] { return Send(bar, PBM_GETPOS, 0, 0) > num(1); })) Fail("the bar did not move");
    } else if (c == "click") {
        Click(g_dialog, num(1));
    } else if (c == "type") {
        for (char ch : arg(2)) Send(Item(num(1)), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(ch)), 1);
    } else if (c == "settext") {
        const std::wstring text = Widen(arg(2));
        Send(Item(num(1)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    } else if (c == "sys") {
        PostMessageW(g_dialog, WM_SYSCOMMAND, static_cast<WPARAM>(num(1)), 0);
    } else if (c == "wait-box") {
        const std::wstring caption = Widen(arg(1));
        if (!WaitUntil(num(2), [&] {
                g_box = FindTopLevel(caption, g_dialog);
                return g_box != nullptr && CaptionOf(g_box) == caption;
            })) {
            HWND other = FindBoxAny();
            Fail("no box " + Show(caption) + (other ? ", open: " + Show(CaptionOf(other)) : ""));
        }
    } else if (c == "expect-box-text") {
        if (g_box == nullptr) g_box = FindBoxAny();
        if (g_box == nullptr) Fail("no box");
        HWND text = GetDlgItem(g_box, 0xFFFF);
        if (text == nullptr) Fail("the box has no text");
        const std::wstring t = TextOf(text);
        if (t != Widen(arg(1))) Fail("box text " + Show(t));
    } else if (c == "expect-no-box") {
        HWND other = FindBoxAny();
        if (other != nullptr) Fail("a box is open: " + Show(CaptionOf(other)));
    } else if (c == "answer") {
        if (g_box == nullptr) g_box = FindBoxAny();
        if (g_box == nullptr) Fail("no box");
        Click(g_box, num(1));
        HWND box = g_box;
        g_box = nullptr;
        if (!WaitUntil(5000, [&] { return !IsWindow(box) || !IsWindowVisible(box); })) Fail("the box stayed open");
    } else if (c == "close") {
        PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (c == "wait-gone") {
        HWND dialog = g_dialog;
        if (!WaitUntil(num(1), [&] { return !IsWindow(dialog); })) Fail("the dialog is still open");
    } else if (c == "expect-open") {
        Sleep(static_cast<DWORD>(num(1)));
        if (!IsWindow(g_dialog)) Fail("the dialog has closed");
    } else if (c == "sleep") {
        Sleep(static_cast<DWORD>(num(1)));
    } else if (c == "print") {
        std::printf("%s = %s\n", arg(1).c_str(), Show(TextOf(Item(num(1)))).c_str());
    } else {
        Fail("unknown command " + c);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::FILE* in = argc > 1 ? std::fopen(argv[1], "r") : stdin;
    if (in == nullptr) {
        std::printf("cannot read %s\n", argv[1]);
        return 2;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, in) != nullptr) {
        ++g_line;
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const std::vector<std::string> words = Words(line);
        if (words.empty() || words[0][0] == '#') continue;
        Run(words);
        std::printf("ok   %s\n", line.c_str());
        std::fflush(stdout);
    }
    std::printf("PASS: %d lines\n", g_line);
    return 0;
}
