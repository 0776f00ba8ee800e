// Proves the driver against a window whose reactions we know, before trusting
// it with the real program: it starts itself with --target as a second process
// and drives that one. With stub_viewer.exe beside it, it also checks the stub.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"

using namespace e2e;

namespace {

const char* const kTitle = "Driver selftest 目标";
const char* const kBoxCaption = "Selftest 消息";

enum { kEdit = 101, kCombo, kCheck, kSave };
// Counters the target shows so the driver can see which notifications arrived.
enum { kChanges = 110, kSelChanges, kSelIndex, kCheckClicks, kSaves, kCancels, kHelps };

// ---------------------------------------------------------------- the target

HWND g_target;

void bump(int id) {
    HWND s = GetDlgItem(g_target, id);
    wchar_t buf[16];
    GetWindowTextW(s, buf, 16);
    SetWindowTextW(s, std::to_wstring(_wtoi(buf) + 1).c_str());
}

LRESULT CALLBACK targetProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            int id = LOWORD(wp), code = HIWORD(wp);
            if (id == kEdit && code == EN_CHANGE) bump(kChanges);
            if (id == kCombo && code == CBN_SELCHANGE) {
                bump(kSelChanges);
                const auto sel = SendDlgItemMessageW(w, id, CB_GETCURSEL, 0, 0);
                SetDlgItemTextW(w, kSelIndex, std::to_wstring(sel).c_str());
            }
            if (id == kCheck && code == BN_CLICKED) {
                bump(kCheckClicks);
                bool on = SendDlgItemMessageW(w, kCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;
                EnableWindow(GetDlgItem(w, kSave), !on);
            }
            if (id == kSave && code == BN_CLICKED) {
                bump(kSaves);
                wchar_t buf[256];
                GetDlgItemTextW(w, kEdit, buf, 256);
                std::wstring msgText = L"已保存：" + std::wstring(buf);
                MessageBoxW(w, msgText.c_str(), widen(kBoxCaption).c_str(), MB_OK);
            }
            if (id == IDCANCEL) bump(kCancels);
            return 0;
        }
        case WM_HELP:
            bump(kHelps);
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

int runTarget() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = targetProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"DriverSelftestTarget";
    RegisterClassW(&wc);
    g_target =
        CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName, widen(kTitle).c_str(),
                        WS_OVERLAPPEDWINDOW, 100, 100, 420, 260, nullptr, nullptr, inst, nullptr);
    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y,
                     int cx, int cy) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, g_target,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    };
    child(L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kEdit, 10, 10, 200, 24);
    child(L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, kCombo, 10, 44, 200, 160);
    child(L"BUTTON", L"&Check", WS_TABSTOP | BS_AUTOCHECKBOX, kCheck, 10, 80, 120, 24);
    child(L"BUTTON", L"&Save", WS_TABSTOP | BS_PUSHBUTTON, kSave, 10, 110, 100, 28);
    for (int id = kChanges; id <= kHelps; ++id)
        child(L"STATIC", L"0", 0, id, 240 + (id - kChanges) % 2 * 60, 10 + (id - kChanges) / 2 * 24,
              50, 20);
    SetDlgItemTextW(g_target, kSelIndex, L"-1");
    for (const wchar_t* item : {L"One", L"Two", L"三", L"Four"})
        SendDlgItemMessageW(g_target, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    ShowWindow(g_target, SW_SHOWNORMAL);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(g_target, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

// ---------------------------------------------------------------- driving it

bool focusIn(HWND w) {
    HWND f = focused(w);
    return f != nullptr && (f == w || IsChild(w, f));
}

// Typing, through a window that lay over the target: every character
// arrives once, as real keystrokes do; then Tab moves the focus on.
void typeIntoTarget(HWND w, const std::string& stub) {
    HWND edit = control(w, kEdit);
    Process cover;
    if (!stub.empty()) {
        cover = start("\"" + stub + "\" Cover");
        HWND c = waitTop("Cover", 3000, cover.pid);
        RECT r;
        GetWindowRect(w, &r);
        SetWindowPos(c, HWND_TOP, r.left, r.top, 400, 300, SWP_SHOWWINDOW);
        waitUntil([&] { return GetForegroundWindow() == c; }, 2000, "cover in front");
    }
    check(focusByClick(edit), "click puts the focus in the edit box",
          "the focus on " + describe(focused(w)));
    kill(cover);
    type("Hello 世界");
    checkText(edit, "Hello 世界", 3000, "typed text, Chinese included, reaches the edit box");
    checkText(control(w, kChanges), "8", 2000, "one EN_CHANGE per typed character");
    checkEq(waitText(edit, "something else", 200), false, "waitText reports a timeout");
    key(VK_TAB);
    check(waitUntil([&] { return focusIn(control(w, kCombo)); }, 2000, "focus on the combo"),
          "Tab moves the focus on", "the focus on " + describe(focused(w)));
}

// The drop-down combo, as the program's are: by the keys from no
// selection, then by the mouse.
void chooseInTarget(HWND w) {
    HWND combo = control(w, kCombo);
    check(choose(combo, 2, Pick::Keyboard), "combo item chosen with the keyboard from no selection",
          text(combo));
    checkEq(text(combo), "三", "combo shows the item chosen by keys");
    checkText(control(w, kSelIndex), "2", 2000, "target saw CBN_SELCHANGE for item 2");
    const int before = std::stoi(text(control(w, kSelChanges)));
    check(before >= 2, "keyboard choice raised a CBN_SELCHANGE per step", std::to_string(before));
    check(choose(combo, 0, Pick::Mouse), "combo item chosen with the mouse", text(combo));
    checkEq(text(combo), "One", "combo shows the clicked item");
    checkText(control(w, kSelIndex), "0", 2000, "target saw CBN_SELCHANGE for item 0");
    checkEq(text(control(w, kSelChanges)), std::to_string(before + 1),
            "a mouse pick is one CBN_SELCHANGE, not a walk by keys");
}

// The check box and the push button by clicks, the button by its access
// key, and the message box it opens.
void clickInTarget(HWND w, const Process& p) {
    HWND box = control(w, kCheck), save = control(w, kSave);
    checkEq(checked(box), false, "check box starts clear");
    check(click(box), "click the check box", describe(box));
    checkEq(waitUntil([&] { return checked(box); }, 2000, "check box checked"), true,
            "check box checked by the click");
    checkText(control(w, kCheckClicks), "1", 2000, "target saw BN_CLICKED from the check box");
    checkEq(waitEnabled(save, false, 2000), true, "target disabled the button in response");
    click(box);
    waitEnabled(save, true, 2000);
    checkEq(std::string(enabled(save) ? "enabled" : "disabled") + (checked(box) ? ", ticked" : ""),
            "enabled", "second click clears it again");

    check(click(save), "click the Save button", describe(save));
    HWND mb = waitMessageBox(kBoxCaption, 3000, p.pid);
    if (checkFound(mb, "message box appears")) {
        checkNone(findMessageBox(kBoxCaption, p.pid + 1),
                  "message box search honours the process id");
        checkEq(messageText(mb), "已保存：Hello 世界", "message box text read");
        check(pressButton(mb, IDOK), "OK closes the message box", describe(mb));
    }
    checkText(control(w, kSaves), "1", 2000, "target saw BN_CLICKED from the button");

    check(bringToFront(w), "target back in the foreground", describe(GetForegroundWindow()));
    keys({VK_MENU, 'S'});
    mb = waitMessageBox(kBoxCaption, 3000, p.pid, windowTid(w));
    if (checkFound(mb, "Alt+S presses the button"))
        check(pressButton(mb), "and its box is dismissed", describe(mb));
    checkText(control(w, kSaves), "2", 2000, "second BN_CLICKED seen");
}

// Esc, F1, the minimised state, and Alt+F4 to close it.
void keysToTarget(HWND w, Process& p) {
    bringToFront(w);
    key(VK_ESCAPE);
    checkText(control(w, kCancels), "1", 2000, "Esc reaches the target as IDCANCEL");
    key(VK_F1);
    checkText(control(w, kHelps), "1", 2000, "F1 reaches the target as WM_HELP");

    ShowWindow(w, SW_MINIMIZE);
    checkEq(waitUntil([&] { return minimized(w); }, 2000, "minimised"), true, "minimised state read");
    ShowWindow(w, SW_RESTORE);
    checkEq(waitUntil([&] { return !minimized(w); }, 2000, "restored"), true, "restored state read");

    bringToFront(w);
    keys({VK_MENU, VK_F4});
    check(waitGone(w, 3000), "Alt+F4 closes the target", describe(w));
    checkEq(waitNoTop(kTitle, 1000), true, "no window with its title is left");
    checkEq(waitEnd(p, 3000, true), "ended with 0", "target exits cleanly");
    kill(p);
}

void driveTarget(const std::string& stub) {
    Process p = start("\"" + exePath() + "\" --target");
    HWND w = waitTop(kTitle, 5000, p.pid);
    if (!checkFound(w, "target window appears")) return kill(p);
    checkNone(findTop(kTitle, p.pid + 1), "findTop honours the process id");
    const int ids[] = {kEdit, kCombo, kCheck, kSave};
    checkEq(static_cast<int>(std::ranges::count_if(ids, [&](int id) { return control(w, id); })),
            4, "controls found by ID");
    checkEq(text(control(w, kSave)), "&Save", "button text read back");
    typeIntoTarget(w, stub);
    chooseInTarget(w);
    clickInTarget(w, p);
    keysToTarget(w, p);
}

// ---------------------------------------------------------------- the stub viewer

std::vector<std::string> readLog(const std::string& path) {
    std::istringstream f(readFile(path));
    std::vector<std::string> lines;
    for (std::string l; std::getline(f, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        // "<ms> <date> <time> pid=<n> <event>": keep the event
        size_t at = 0;
        for (int i = 0; i < 4 && at != std::string::npos; ++i) at = l.find(' ', at + 1);
        lines.push_back(at == std::string::npos ? "?" + l : l.substr(at + 1));
    }
    return lines;
}

bool logHas(const std::string& path, const std::string& event) {
    const std::vector<std::string> lines = readLog(path);
    return std::ranges::find(lines, event) != lines.end();
}

// The stub under test, started in the temporary folder, which it reports
// in its first line, with a log of its own there.
struct Stub {
    std::string exe;
    std::string folder;
    std::string log;
    Process start(const std::string& args) const {
        DeleteFileW(widen(log).c_str());
        return e2e::start("\"" + exe + "\" --log \"" + log + "\" " + args, folder);
    }
    std::string started(const std::string& title) const {
        return "started title=" + title + " folder=" + folder;
    }
    std::string events() const { return joined(readLog(log), " | "); }
};

// Plain run: findable quickly, closes on the first WM_CLOSE.
void plainStub(const Stub& stub) {
    const std::string title = "CCTV 电视  Viewer";
    ULONGLONG t0 = GetTickCount64();
    Process s = stub.start(title);
    HWND w = waitFor([&] { return findTop(title, s.pid); }, 3000, "stub window");
    ULONGLONG took = GetTickCount64() - t0;
    checkFound(w, "stub findable by its title, spaces and Chinese kept");
    note("stub findable after " + std::to_string(took) + " ms");
    check(took < 1500, "stub findable within a moment", std::to_string(took) + " ms");
    checkEq(waitUntil([&] { return visible(w); }, 1000, "stub visible"), true,
            "stub window visible");
    DWORD_PTR r = 0;
    SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
    checkEq(static_cast<int>(r), TRUE, "stub agrees to end the session");
    SendMessageTimeoutW(w, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    PostMessageW(w, WM_CLOSE, 0, 0);
    check(waitGone(w, 3000), "stub closes on WM_CLOSE", describe(w));
    checkEq(waitEnd(s, 3000, true), "ended with 0", "stub exits with 0");
    checkEq(stub.events(),
            stub.started(title) +
                " | WM_QUERYENDSESSION | WM_ENDSESSION wParam=0 | WM_CLOSE | destroyed | exit",
            "stub log of a plain run");
    kill(s);
}

// Closes ignored, a refused end of the session.
void stubOptions(const Stub& stub) {
    Process s = stub.start("--ignore-close 2 \"Quoted  title\"");
    HWND w = waitTop("Quoted  title", 3000, s.pid);
    checkFound(w, "quoted title has its quotes removed");
    for (int i = 0; i < 2; ++i) {
        PostMessageW(w, WM_CLOSE, 0, 0);
        waitUntil([&] { return readLog(stub.log).size() >= static_cast<size_t>(2 + i); }, 2000,
                  "log line");
    }
    check(IsWindow(w), "stub survives two ignored WM_CLOSE", stub.events());
    PostMessageW(w, WM_CLOSE, 0, 0);
    check(waitGone(w, 3000), "third WM_CLOSE closes it", describe(w));
    waitExit(s, 3000);
    checkEq(stub.events(),
            stub.started("Quoted  title") +
                " | WM_CLOSE ignored | WM_CLOSE ignored | WM_CLOSE | destroyed | exit",
            "stub log with ignored closes");
    kill(s);

    s = stub.start("--refuse-end-session Refusing");
    w = waitTop("Refusing", 3000, s.pid);
    DWORD_PTR r = TRUE;
    SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
    check(w != nullptr && r == FALSE, "stub can refuse to end the session",
          describe(w) + " answered " + std::to_string(r));
    kill(s);
}

// Hanging, and killed.
void stubHangs(const Stub& stub) {
    Process s = stub.start("--hang-after 200 Stuck");
    HWND w = waitTop("Stuck", 3000, s.pid);
    check(w && waitUntil([&] { return logHas(stub.log, "hanging"); }, 3000, "stub hangs"),
          "stub reports hanging", stub.events());
    DWORD_PTR dummy = 0;
    check(!SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &dummy),
          "hung stub does not answer", "an answer");
    PostMessageW(w, WM_CLOSE, 0, 0);
    check(!waitExit(s, 500) && IsWindow(w), "hung stub ignores WM_CLOSE", stub.events());
    kill(s);
    const std::string raw = readFile(stub.log);
    check(raw.size() > 2 && raw.ends_with("\r\n") && !logHas(stub.log, "exit"),
          "killed stub left whole lines", raw);
}

void checkStub(const std::string& exe) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    Stub stub{exe, narrow(tmp), narrow(tmp) + "stub_viewer_selftest.log"};
    if (stub.folder.size() > 3 && stub.folder.back() == '\\') stub.folder.pop_back();
    plainStub(stub);
    stubOptions(stub);
    stubHangs(stub);
    DeleteFileW(widen(stub.log).c_str());
}

}  // namespace

// Lines as Wine's relay trace writes them, with and without timestamps.
void checkRelayParsing() {
    const std::string trace =
        "0038:003c:Call KERNEL32.CreateFileA(00f817f0 \"x(1)\",c0000000) ret=004079df\n"
        "0038:003c:Ret  KERNEL32.CreateFileA() retval=00000030 ret=004079df\n"
        "12.345:0044:0048:Call user32.GetMessageW(0068fe00,00000000,00000000,00000000) "
        "ret=7b012345\n"
        "0038:003c:Call window proc 0x41a2b0 (hwnd=00010020,msg=WM_TIMER,wp=00000001,lp=00000000)\n"
        "0038:003c:Call user32.ExitWindowsEx(00000001,ffffffff) ret=00401a00\n";
    const std::vector<RelayCall> a = relayCalls(trace, 0x38);
    checkEq(static_cast<int>(a.size()), 2,
            "relay: two calls of process 0x38, returns and window procs left out");
    if (a.size() == 2) {
        checkEq(a[0].function, "KERNEL32.CreateFileA", "relay: module and function");
        checkEq(a[0].args, "00f817f0 \"x(1)\",c0000000",
                "relay: arguments with parentheses inside");
        check(a[0].ret == 0x4079df && a[1].ret == 0x401a00, "relay: return addresses",
              std::to_string(a[0].ret) + ", " + std::to_string(a[1].ret));
    }
    const std::vector<RelayCall> b = relayCalls(trace, 0x44);
    check(b.size() == 1 && b[0].at > 12.3 && b[0].ret == 0x7b012345, "relay: timestamped line",
          b.empty() ? "no call" : std::to_string(b[0].at) + ", " + std::to_string(b[0].ret));
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--target") == 0) return runTarget();
    const std::string self = exePath();
    std::string stub = self.substr(0, self.find_last_of('\\') + 1) + "stub_viewer.exe";
    if (GetFileAttributesW(widen(stub).c_str()) == INVALID_FILE_ATTRIBUTES) {
        note("no stub_viewer.exe beside this program; stub checks skipped");
        stub.clear();
    }
    checkRelayParsing();
    driveTarget(stub);
    if (!stub.empty()) checkStub(stub);
    return exitCode();
}
