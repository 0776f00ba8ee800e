#include "driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace e2e {

namespace {

int g_failures = 0;
int g_checks = 0;
constexpr int kPollMs = 5;
constexpr UINT kAnswerMs = 2000;  // a window slower than this to answer counts as hung

void out(std::string_view prefix, std::string_view line) {
    std::fwrite(prefix.data(), 1, prefix.size(), stdout);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// SendMessage that gives up on a hung target instead of hanging the scenario.
LRESULT ask(HWND w, UINT msg, WPARAM wp = 0, LPARAM lp = 0, LRESULT fallback = 0) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kAnswerMs, &r)) return fallback;
    return static_cast<LRESULT>(r);
}

std::string quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string classOf(HWND w) {
    wchar_t buf[64];
    int n = GetClassNameW(w, buf, 64);
    return narrow(std::wstring_view(buf, n > 0 ? n : 0));
}

// For other processes' windows this reads the caption without WM_GETTEXT, so a
// hung window cannot stall the search.
std::wstring captionOf(HWND w) {
    wchar_t buf[512];
    int n = GetWindowTextW(w, buf, 512);
    return std::wstring(buf, n > 0 ? n : 0);
}

bool isExtended(WORD vk) {
    static constexpr WORD kExtended[] = {VK_LEFT,  VK_RIGHT,    VK_UP,     VK_DOWN,   VK_HOME,
                                         VK_END,   VK_PRIOR,    VK_NEXT,   VK_INSERT, VK_DELETE,
                                         VK_RMENU, VK_RCONTROL, VK_DIVIDE, VK_NUMLOCK};
    return std::ranges::find(kExtended, vk) != std::end(kExtended);
}

INPUT keyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

void send(std::vector<INPUT>& ins) {
    if (ins.empty()) return;
    UINT sent = SendInput(static_cast<UINT>(ins.size()), ins.data(), sizeof(INPUT));
    // Input that never went out would fail whatever check follows it, and
    // say nothing of why.
    if (sent != ins.size())
        checkEq(static_cast<int>(sent), static_cast<int>(ins.size()), "SendInput sent every input");
}

// Finds the first visible window that `match` takes.
struct Search {
    std::function<bool(HWND)> match;
    HWND found = nullptr;
};

BOOL CALLBACK firstVisible(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (!IsWindowVisible(w) || !s->match(w)) return TRUE;
    s->found = w;
    return FALSE;
}

// Wine without a window manager activates but does not raise a window, so it
// could stay under another one; this raises it as a click on it would.
void raiseTop(HWND root) {
    SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// "EDIT 1000", for what a wait or a note is about.
std::string named(HWND w) {
    return classOf(w) + " " + std::to_string(GetDlgCtrlID(w));
}

int comboSelection(HWND combo) {
    return static_cast<int>(ask(combo, CB_GETCURSEL, 0, 0, CB_ERR));
}
int comboCount(HWND combo) {
    return static_cast<int>(ask(combo, CB_GETCOUNT, 0, 0, 0));
}

bool dropped(HWND combo) {
    return ask(combo, CB_GETDROPPEDSTATE) != 0;
}

// The list of a dropped combo: a popup of the combo's thread. (GetComboBoxInfo
// would be simpler but fails across processes under Wine.)
HWND comboList(HWND combo) {
    Search s{[](HWND w) { return classOf(w) == "ComboLBox"; }};
    EnumThreadWindows(windowTid(combo), firstVisible, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool result(bool cond, std::string_view what) {
    ++g_checks;
    if (!cond) ++g_failures;
    out(cond ? "ok - " : "FAIL - ", what);
    return cond;
}

// activate=false for popups such as a dropped combo list, which would close if
// activated.
bool pressAt(HWND w, int x, int y, bool activate) {
    if (!IsWindow(w)) return false;
    if (IsIconic(GetAncestor(w, GA_ROOT))) {
        note("cannot click " + classOf(w) + ": its window is minimised");
        return false;
    }
    if (activate && !bringToFront(w)) return false;
    POINT pt{x, y};
    ClientToScreen(w, &pt);
    // Another window over the spot would take the click, as it would from a
    // person; a late activation of that window under Wine can even put it back
    // on top after we raised ours, so keep raising for a moment.
    HWND root = GetAncestor(w, GA_ROOT);
    const auto ours = [&] {
        HWND hit = WindowFromPoint(pt);
        if (!hit || GetAncestor(hit, GA_ROOT) == root) return true;
        if (activate) raiseTop(root);
        return false;
    };
    if (!waitUntil(ours, 2000, "the spot to click on " + classOf(w) + " to be uncovered",
                   [&] { return describe(GetAncestor(WindowFromPoint(pt), GA_ROOT)); }))
        return false;
    // Two clicks close in time and place would make a double click, which
    // e.g. closes a combo's list again; a person pauses between them.
    static ULONGLONG lastTime = 0;
    static POINT lastPt{};
    ULONGLONG pause = GetDoubleClickTime() + 50;
    if (std::abs(pt.x - lastPt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(pt.y - lastPt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) &&
        GetTickCount64() - lastTime < pause)
        Sleep(static_cast<DWORD>(pause - (GetTickCount64() - lastTime)));
    SetCursorPos(pt.x, pt.y);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> ins(3);
    for (INPUT& in : ins) in.type = INPUT_MOUSE;
    ins[0].mi.dx = static_cast<LONG>((pt.x * 65535LL + cx / 2) / (cx - 1));
    ins[0].mi.dy = static_cast<LONG>((pt.y * 65535LL + cy / 2) / (cy - 1));
    ins[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ins[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    ins[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    send(ins);
    lastTime = GetTickCount64();
    lastPt = pt;
    return true;
}

}  // namespace

std::wstring widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, w.data(), n);
    return w;
}

std::string narrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, s.data(), n, nullptr, nullptr);
    return s;
}

std::string joined(const std::vector<std::string>& words, std::string_view sep) {
    std::string s;
    for (const std::string& w : words) s.append(s.empty() ? "" : sep).append(w);
    return s;
}

// ---- time ---------------------------------------------------------------------

double seconds() {
    static LARGE_INTEGER frequency, origin;
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&origin);
    }
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart - origin.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

FILETIME fileTimeIn(int fromNow) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(fromNow) * 10000000LL);
    return {t.LowPart, t.HighPart};
}

SYSTEMTIME localTimeIn(int fromNow) {
    const FILETIME utc = fileTimeIn(fromNow);
    FILETIME local;
    SYSTEMTIME t;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &t);
    return t;
}

// ---- processes ----------------------------------------------------------------

Process start(std::string_view commandLine, std::string_view directory) {
    std::wstring cmd = widen(commandLine);
    std::wstring dir = widen(directory);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Process p;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
        note("cannot start " + std::string(commandLine) + ": error " +
             std::to_string(GetLastError()));
        return p;
    }
    CloseHandle(pi.hThread);
    p.handle = pi.hProcess;
    p.pid = pi.dwProcessId;
    return p;
}

bool waitExit(const Process& p, int timeoutMs, DWORD* code) {
    if (!p.handle || WaitForSingleObject(p.handle, timeoutMs) != WAIT_OBJECT_0) return false;
    if (code) GetExitCodeProcess(p.handle, code);
    return true;
}

std::string waitEnd(const Process& p, int timeoutMs, bool withCode) {
    DWORD code = 0;
    if (!waitExit(p, timeoutMs, &code)) return "running";
    return withCode ? "ended with " + std::to_string(code) : "ended";
}

void kill(Process& p) {
    if (!p.handle) return;
    if (WaitForSingleObject(p.handle, 0) == WAIT_TIMEOUT) {
        TerminateProcess(p.handle, 99);
        WaitForSingleObject(p.handle, 5000);
    }
    CloseHandle(p.handle);
    p = Process{};
}

std::string exePath() {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return narrow(std::wstring_view(buf, n));
}

std::string readFile(std::string_view path) {
    // Shared modes so a file another process is still writing can be read.
    HANDLE f = CreateFileW(widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string data;
    char buf[4096];
    DWORD got;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    CloseHandle(f);
    return data;
}

bool writeFile(std::string_view path, std::string_view bytes) {
    HANDLE f =
        CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    return CloseHandle(f) && ok && n == bytes.size();
}

// ---- checks -------------------------------------------------------------------

bool check(bool cond, std::string_view what, std::string_view got) {
    if (!cond) note(std::string(what) + ": got " + std::string(got));
    return result(cond, what);
}

bool checkEq(std::string_view actual, std::string_view expected, std::string_view what) {
    return check(actual == expected, what, quoted(actual) + ", expected " + quoted(expected));
}

bool checkEq(int actual, int expected, std::string_view what) {
    return check(actual == expected, what,
                 std::to_string(actual) + ", expected " + std::to_string(expected));
}

bool checkWithin(double seconds, double low, double high, std::string_view what) {
    char range[64];
    std::snprintf(range, sizeof range, "%.2f s, expected %.1f to %.1f s", seconds, low, high);
    return check(seconds > low && seconds < high, what, range);
}

bool checkFound(HWND w, std::string_view what) { return check(w != nullptr, what, "no window"); }

bool checkNone(HWND w, std::string_view what) {
    const std::string said = text(GetDlgItem(w, 0xFFFF));  // a message box's text
    return check(w == nullptr, what, describe(w) + (said.empty() ? "" : " saying " + quoted(said)));
}

bool checkText(HWND w, std::string_view expected, int timeoutMs, std::string_view what) {
    waitText(w, expected, timeoutMs);
    return checkEq(text(w), expected, what);
}

void note(std::string_view line) {
    out("# ", line);
}

int exitCode() {
    out("# ", std::to_string(g_checks) + " checks, " + std::to_string(g_failures) + " failed");
    return g_failures == 0 ? 0 : 1;
}

// ---- steps --------------------------------------------------------------------

void step(bool ok, std::string_view what) {
    if (ok) return;
    result(false, "step: " + std::string(what));
    throw StepFailed{std::string(what)};
}

bool actUntil(const std::function<void()>& act, const std::function<bool()>& pred,
              std::string_view what, int tries, int timeoutMs,
              const std::function<std::string()>& last) {
    for (int i = 1; i <= tries; ++i) {
        act();
        if (waitUntil(pred, timeoutMs, what, last)) {
            if (i > 1) note(std::string(what) + ": took " + std::to_string(i) + " tries");
            return true;
        }
    }
    note(std::string(what) + ": not after " + std::to_string(tries) + " tries");
    return false;
}

// ---- waiting ------------------------------------------------------------------

bool waitUntil(const std::function<bool()>& pred, int timeoutMs, std::string_view what,
               const std::function<std::string()>& last) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= deadline) break;
        Sleep(kPollMs);
    }
    if (pred()) return true;
    std::string msg =
        "timeout after " + std::to_string(timeoutMs) + " ms waiting for " + std::string(what);
    if (last) msg += "; last seen: " + last();
    note(msg);
    return false;
}

// ---- windows ------------------------------------------------------------------

HWND findTop(std::string_view caption, DWORD pid) {
    const std::vector<HWND> all = allTop(caption, pid);
    return all.empty() ? nullptr : all.front();
}

std::vector<HWND> allTop(std::string_view caption, DWORD pid) {
    std::wstring c = widen(caption);
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, c.c_str()));)
        if (pid == 0 || windowPid(w) == pid) found.push_back(w);
    return found;
}

HWND waitFor(const std::function<HWND()>& find, int timeoutMs, std::string_view what) {
    HWND found = nullptr;
    waitUntil([&] { return (found = find()) != nullptr; }, timeoutMs, what);
    return found;
}

HWND waitTop(std::string_view caption, int timeoutMs, DWORD pid) {
    const auto visibleOne = [&] {
        const std::vector<HWND> all = allTop(caption, pid);
        const auto w = std::ranges::find_if(all, IsWindowVisible);
        return w == all.end() ? nullptr : *w;
    };
    return waitFor(visibleOne, timeoutMs, "visible window " + quoted(caption));
}

bool waitGone(HWND w, int timeoutMs) {
    std::string name = quoted(narrow(captionOf(w)));
    return waitUntil([&] { return !IsWindow(w); }, timeoutMs, "window " + name + " to close");
}

bool waitNoTop(std::string_view caption, int timeoutMs, DWORD pid) {
    return waitUntil([&] { return findTop(caption, pid) == nullptr; }, timeoutMs,
                     "no window " + quoted(caption));
}

HWND control(HWND parent, int id) {
    return GetDlgItem(parent, id);
}

std::string text(HWND w) {
    if (!w) return {};
    LRESULT len = ask(w, WM_GETTEXTLENGTH);
    std::wstring buf(len + 64, L'\0');  // slack: the text may grow in between
    LRESULT got = ask(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(got > 0 ? got : 0);
    return narrow(buf);
}

std::string describe(HWND w) {
    if (w == nullptr || !IsWindow(w)) return "no window";
    return classOf(w) + " " + quoted(narrow(captionOf(w))) + (IsWindowVisible(w) ? "" : " (hidden)");
}

bool enabled(HWND w) {
    return w && IsWindowEnabled(w);
}
bool visible(HWND w) {
    return w && IsWindowVisible(w);
}
bool minimized(HWND w) {
    return w && IsIconic(w);
}
bool checked(HWND w) {
    return ask(w, BM_GETCHECK) == BST_CHECKED;
}
DWORD windowPid(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

DWORD windowTid(HWND w) {
    return GetWindowThreadProcessId(w, nullptr);
}

bool waitText(HWND w, std::string_view expected, int timeoutMs) {
    return waitUntil([&] { return text(w) == expected; }, timeoutMs,
                     "text " + quoted(expected) + " in " + named(w),
                     [&] { return quoted(text(w)); });
}

bool waitEnabled(HWND w, bool expected, int timeoutMs) {
    return waitUntil([&] { return enabled(w) == expected; }, timeoutMs,
                     (expected ? "enabled " : "disabled ") + named(w));
}

// ---- input ----------------------------------------------------------------------

bool bringToFront(HWND w, int timeoutMs) {
    HWND root = GetAncestor(w, GA_ROOT);
    if (!root) return false;
    raiseTop(root);
    if (GetForegroundWindow() == root) return true;
    SetForegroundWindow(root);
    return waitUntil(
        [&] {
            if (GetForegroundWindow() == root) return true;
            SetForegroundWindow(root);
            return false;
        },
        timeoutMs, "window " + quoted(narrow(captionOf(root))) + " in the foreground",
        [] { return describe(GetForegroundWindow()); });
}

bool click(HWND w) {
    RECT r;
    if (!GetClientRect(w, &r)) return false;
    return pressAt(w, r.right / 2, r.bottom / 2, true);
}

void type(std::string_view utf8) {
    std::vector<INPUT> ins;
    for (wchar_t c : widen(utf8)) {
        if (c == L'\n' || c == L'\t') {
            WORD vk = c == L'\n' ? VK_RETURN : VK_TAB;
            ins.push_back(keyInput(vk, false));
            ins.push_back(keyInput(vk, true));
            continue;
        }
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        ins.push_back(in);
        in.ki.dwFlags |= KEYEVENTF_KEYUP;
        ins.push_back(in);
    }
    send(ins);
}

void key(WORD vk) {
    keys({vk});
}

void keys(std::initializer_list<WORD> vks) {
    std::vector<INPUT> ins;
    std::ranges::transform(vks, std::back_inserter(ins),
                           [](WORD vk) { return keyInput(vk, false); });
    for (auto it = vks.end(); it != vks.begin();) ins.push_back(keyInput(*--it, true));
    send(ins);
}

bool focusByClick(HWND w, int timeoutMs) {
    const auto has = [&] {
        HWND f = focused(w);
        return f && (f == w || IsChild(w, f)) && GetForegroundWindow() == GetAncestor(w, GA_ROOT);
    };
    return actUntil([&] { click(w); }, has, "keyboard focus on " + named(w), 3, timeoutMs,
                    [&] { return classOf(focused(w)); });
}

bool typeInto(HWND edit, std::string_view utf8) {
    for (int i = 1; i <= 3; ++i) {
        if (!focusByClick(edit)) continue;
        keys({VK_CONTROL, VK_HOME});
        keys({VK_CONTROL, VK_SHIFT, VK_END});
        utf8.empty() ? key(VK_DELETE) : type(utf8);
        if (waitText(edit, utf8, 2000)) return true;
        note("typing into " + named(edit) + ": again, try " + std::to_string(i + 1));
    }
    return false;
}

HWND focused(HWND w) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    if (!GetGUIThreadInfo(windowTid(w), &gi)) return nullptr;
    return gi.hwndFocus;
}

bool focusByTab(HWND w) {
    HWND root = GetAncestor(w, GA_ROOT);
    if (!bringToFront(root)) return false;
    for (int i = 0; i <= 20; ++i) {
        if (focused(w) == w) return true;
        HWND before = focused(w);
        key(VK_TAB);
        // Each press moves the focus once; wait for it before the next one.
        waitUntil([&] { return focused(w) != before; }, 1000, "the focus to move on Tab");
    }
    note("Tab never reached " + named(w) + "; focus on " + named(focused(w)));
    return focused(w) == w;
}

HWND findVisible(const std::function<bool(HWND)>& match, HWND parent) {
    Search s{match};
    if (parent != nullptr) {
        EnumChildWindows(parent, firstVisible, reinterpret_cast<LPARAM>(&s));
    } else {
        EnumWindows(firstVisible, reinterpret_cast<LPARAM>(&s));
    }
    return s.found;
}

HWND findTopClass(std::string_view className, DWORD pid) {
    return findVisible(
        [&](HWND w) { return (pid == 0 || windowPid(w) == pid) && classOf(w) == className; });
}

bool choose(HWND combo, int index, Pick how, int timeoutMs) {
    std::string what =
        "combo " + std::to_string(GetDlgCtrlID(combo)) + " item " + std::to_string(index);
    if (index < 0 || index >= comboCount(combo)) {
        note(what + ": no such item, the combo has " + std::to_string(comboCount(combo)));
        return false;
    }
    // The drop-down arrow sits at the right edge for both drop-down styles.
    RECT r;
    GetClientRect(combo, &r);
    int arrow = GetSystemMetrics(SM_CXVSCROLL);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (attempt > 1) {
            note(what + ": again, try " + std::to_string(attempt));
            // A list left open by the last try is closed first.
            if (dropped(combo)) {
                key(VK_ESCAPE);
                waitUntil([&] { return !dropped(combo); }, 1000, what + ": list closed");
            }
        }
        if (!dropped(combo) && !pressAt(combo, r.right - arrow / 2 - 1, r.bottom / 2, true))
            continue;
        if (!waitUntil([&] { return dropped(combo); }, timeoutMs / 2, what + ": list dropped down"))
            continue;

        HWND list = comboList(combo);
        bool byMouse = how == Pick::Mouse && list;
        if (byMouse) {
            const int top = static_cast<int>(ask(list, LB_GETTOPINDEX));
            const int h = static_cast<int>(ask(list, LB_GETITEMHEIGHT, index));
            RECT lr;
            GetClientRect(list, &lr);
            int y = (index - top) * h + h / 2;
            if (h > 0 && y >= 0 && y < lr.bottom)
                pressAt(list, lr.right / 2, y, false);
            else
                byMouse = false;  // scrolled out of sight: the keys below still get there
        }
        if (!byMouse) {
            for (int guard = comboCount(combo) + 2; guard > 0; --guard) {
                int cur = comboSelection(combo);
                if (cur == index) break;
                key(cur < index ? VK_DOWN : VK_UP);
                waitUntil([&] { return comboSelection(combo) != cur; }, 1000,
                          what + ": selection moves");
            }
            key(VK_RETURN);
        }
        if (waitUntil([&] { return !dropped(combo) && comboSelection(combo) == index; }, timeoutMs,
                      what + " chosen and list closed",
                      [&] {
                          return "selection " + std::to_string(comboSelection(combo)) +
                                 (dropped(combo) ? ", still dropped" : ", closed");
                      }))
            return true;
    }
    return false;
}

// ---- message boxes ------------------------------------------------------------------

HWND findMessageBox(std::string_view caption, DWORD pid, DWORD tid) {
    const std::wstring wanted = widen(caption);
    return findVisible([&](HWND w) {
        DWORD p = 0;
        const DWORD t = GetWindowThreadProcessId(w, &p);
        // Visible only once its buttons and text are in place.
        return (pid == 0 || p == pid) && (tid == 0 || t == tid) && classOf(w) == "#32770" &&
               captionOf(w) == wanted;
    });
}

HWND waitMessageBox(std::string_view caption, int timeoutMs, DWORD pid, DWORD tid) {
    return waitFor([&] { return findMessageBox(caption, pid, tid); }, timeoutMs,
                   "message box " + quoted(caption));
}

std::string messageText(HWND box) {
    return text(GetDlgItem(box, 0xFFFF));
}

bool pressButton(HWND box, int id, int timeoutMs) {
    HWND b = GetDlgItem(box, id);
    if (!b) {
        note("message box has no button " + std::to_string(id));
        return false;
    }
    return actUntil([&] { click(b); }, [&] { return !IsWindow(box); }, "message box closed", 3,
                    timeoutMs);
}

bool screenshot(HWND w, std::string_view bmpPath) {
    RECT r;
    if (!GetWindowRect(w, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD size = stride * height;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    const bool ok =
        bits != nullptr && writeFile(bmpPath, bytes.append(static_cast<const char*>(bits), size));
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::vector<RelayCall> relayCalls(std::string_view trace, DWORD pid) {
    constexpr size_t npos = std::string_view::npos;
    std::vector<RelayCall> out;
    for (size_t at = 0, end = 0; at < trace.size(); at = end + 1) {
        end = std::min(trace.find('\n', at), trace.size());
        const std::string_view line = trace.substr(at, end - at);
        // [timestamp:]pid:tid:Call module.function(args) ret=...
        const size_t call = line.find(":Call ");
        const size_t open = line.find('(', call);
        const size_t close = line.rfind(") ret=");
        if (call == npos || open == npos || close == npos || close < open) continue;
        const std::string head(line.substr(0, call));
        const auto colons = std::ranges::count(head, ':');
        if (colons < 1 || colons > 2) continue;
        const size_t from = colons == 2 ? head.find(':') + 1 : 0;
        if (std::strtoul(head.c_str() + from, nullptr, 16) != pid) continue;
        RelayCall c;
        if (colons == 2) c.at = std::strtod(head.c_str(), nullptr);
        c.function = std::string(line.substr(call + 6, open - call - 6));
        c.args = std::string(line.substr(open + 1, close - open - 1));
        c.ret = static_cast<uintptr_t>(
            std::strtoull(std::string(line.substr(close + 6)).c_str(), nullptr, 16));
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace e2e
