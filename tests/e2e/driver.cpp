#include "driver.h"

#include <cstdio>
#include <cstdlib>

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
bool ask_raw(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kAnswerMs, &r)) return false;
    if (result) *result = (LRESULT)r;
    return true;
}

LRESULT ask(HWND w, UINT msg, WPARAM wp = 0, LPARAM lp = 0, LRESULT fallback = 0) {
    LRESULT r;
    return ask_raw(w, msg, wp, lp, &r) ? r : fallback;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string class_of(HWND w) {
    wchar_t buf[64];
    int n = GetClassNameW(w, buf, 64);
    return narrow(std::wstring_view(buf, n > 0 ? n : 0));
}

// For other processes' windows this reads the caption without WM_GETTEXT, so a
// hung window cannot stall the search.
std::wstring caption_of(HWND w) {
    wchar_t buf[512];
    int n = GetWindowTextW(w, buf, 512);
    return std::wstring(buf, n > 0 ? n : 0);
}

bool is_extended(WORD vk) {
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE: case VK_RMENU:
    case VK_RCONTROL: case VK_DIVIDE: case VK_NUMLOCK:
        return true;
    }
    return false;
}

INPUT key_input(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (is_extended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

void send(std::vector<INPUT>& ins) {
    if (ins.empty()) return;
    UINT sent = SendInput((UINT)ins.size(), ins.data(), sizeof(INPUT));
    // Input that never went out would fail whatever check follows it, and
    // say nothing of why.
    if (sent != ins.size())
        check(false, "SendInput sent " + std::to_string(sent) + " of " + std::to_string(ins.size()));
}

HWND focus_of(HWND w) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    if (!GetGUIThreadInfo(window_tid(w), &gi)) return nullptr;
    return gi.hwndFocus;
}

BOOL CALLBACK find_list(HWND w, LPARAM lp) {
    if (class_of(w) != "ComboLBox" || !IsWindowVisible(w)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
}

bool dropped(HWND combo) { return ask(combo, CB_GETDROPPEDSTATE) != 0; }

// The list of a dropped combo: a popup of the combo's thread. (GetComboBoxInfo
// would be simpler but fails across processes under Wine.)
HWND combo_list(HWND combo) {
    HWND found = nullptr;
    EnumThreadWindows(window_tid(combo), find_list, (LPARAM)&found);
    return found;
}

}  // namespace

std::wstring widen(std::string_view s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), w.data(), n);
    return w;
}

std::string narrow(std::wstring_view w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
    return s;
}

// ---- processes ----------------------------------------------------------------

Process start(std::string_view command_line, std::string_view directory) {
    std::wstring cmd = widen(command_line);
    std::wstring dir = widen(directory);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Process p;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
        note("cannot start " + std::string(command_line) + ": error " + std::to_string(GetLastError()));
        return p;
    }
    CloseHandle(pi.hThread);
    p.handle = pi.hProcess;
    p.pid = pi.dwProcessId;
    return p;
}

bool wait_exit(const Process& p, int timeout_ms, DWORD* code) {
    if (!p.handle || WaitForSingleObject(p.handle, timeout_ms) != WAIT_OBJECT_0) return false;
    if (code) GetExitCodeProcess(p.handle, code);
    return true;
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

std::string read_file(std::string_view path) {
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

// ---- checks -------------------------------------------------------------------

bool check(bool cond, std::string_view what) {
    ++g_checks;
    if (!cond) ++g_failures;
    out(cond ? "ok - " : "FAIL - ", what);
    return cond;
}

bool check_eq(std::string_view actual, std::string_view expected, std::string_view what) {
    bool same = actual == expected;
    if (!same) note(std::string(what) + ": got " + quoted(actual) + ", expected " + quoted(expected));
    return check(same, what);
}

void note(std::string_view line) { out("# ", line); }
int failures() { return g_failures; }

int exit_code() {
    out("# ", std::to_string(g_checks) + " checks, " + std::to_string(g_failures) + " failed");
    return g_failures == 0 ? 0 : 1;
}

// ---- steps --------------------------------------------------------------------

void step(bool ok, std::string_view what) {
    if (ok) return;
    check(false, "step: " + std::string(what));
    throw StepFailed{std::string(what)};
}

bool act_until(const std::function<void()>& act, const std::function<bool()>& pred,
               std::string_view what, int tries, int timeout_ms) {
    for (int i = 1; i <= tries; ++i) {
        act();
        if (wait_until(pred, timeout_ms, what)) {
            if (i > 1) note(std::string(what) + ": took " + std::to_string(i) + " tries");
            return true;
        }
    }
    note(std::string(what) + ": not after " + std::to_string(tries) + " tries");
    return false;
}

// ---- waiting ------------------------------------------------------------------

bool wait_until(const std::function<bool()>& pred, int timeout_ms, std::string_view what,
                const std::function<std::string()>& last) {
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= deadline) break;
        Sleep(kPollMs);
    }
    if (pred()) return true;
    std::string msg = "timeout after " + std::to_string(timeout_ms) + " ms waiting for " + std::string(what);
    if (last) msg += "; last seen: " + last();
    note(msg);
    return false;
}

// ---- windows ------------------------------------------------------------------

HWND find_top(std::string_view caption, DWORD pid) {
    std::wstring c = widen(caption);
    if (pid == 0) return FindWindowW(nullptr, c.c_str());
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, c.c_str()));)
        if (window_pid(w) == pid) return w;
    return nullptr;
}

std::vector<HWND> all_top(std::string_view caption, DWORD pid) {
    std::wstring c = widen(caption);
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, c.c_str()));)
        if (pid == 0 || window_pid(w) == pid) found.push_back(w);
    return found;
}

HWND wait_top(std::string_view caption, int timeout_ms, DWORD pid) {
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND w : all_top(caption, pid))
                if (IsWindowVisible(w)) return (found = w) != nullptr;
            return false;
        },
        timeout_ms, "visible window " + quoted(caption));
    return found;
}

bool wait_gone(HWND w, int timeout_ms) {
    std::string name = quoted(narrow(caption_of(w)));
    return wait_until([&] { return !IsWindow(w); }, timeout_ms, "window " + name + " to close");
}

bool wait_no_top(std::string_view caption, int timeout_ms, DWORD pid) {
    return wait_until([&] { return find_top(caption, pid) == nullptr; }, timeout_ms,
                      "no window " + quoted(caption));
}

HWND control(HWND parent, int id) { return GetDlgItem(parent, id); }

HWND wait_control(HWND parent, int id, int timeout_ms) {
    HWND c = nullptr;
    wait_until([&] { return (c = GetDlgItem(parent, id)) != nullptr; }, timeout_ms,
               "control " + std::to_string(id));
    return c;
}

std::string text(HWND w) {
    if (!w) return {};
    LRESULT len = ask(w, WM_GETTEXTLENGTH);
    std::wstring buf(len + 64, L'\0');  // slack: the text may grow in between
    LRESULT got = ask(w, WM_GETTEXT, buf.size(), (LPARAM)buf.data());
    buf.resize(got > 0 ? got : 0);
    return narrow(buf);
}

bool enabled(HWND w) { return w && IsWindowEnabled(w); }
bool visible(HWND w) { return w && IsWindowVisible(w); }
bool minimized(HWND w) { return w && IsIconic(w); }
bool checked(HWND w) { return ask(w, BM_GETCHECK) == BST_CHECKED; }
int combo_selection(HWND combo) { return (int)ask(combo, CB_GETCURSEL, 0, 0, CB_ERR); }
int combo_count(HWND combo) { return (int)ask(combo, CB_GETCOUNT, 0, 0, 0); }

std::string combo_item(HWND combo, int index) {
    LRESULT len = ask(combo, CB_GETLBTEXTLEN, index, 0, CB_ERR);
    if (len == CB_ERR) return {};
    std::wstring buf(len + 1, L'\0');
    LRESULT got = ask(combo, CB_GETLBTEXT, index, (LPARAM)buf.data(), CB_ERR);
    buf.resize(got > 0 ? got : 0);
    return narrow(buf);
}

DWORD window_pid(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

DWORD window_tid(HWND w) { return GetWindowThreadProcessId(w, nullptr); }

bool wait_text(HWND w, std::string_view expected, int timeout_ms) {
    return wait_until([&] { return text(w) == expected; }, timeout_ms,
                      "text " + quoted(expected) + " in " + class_of(w) + " " +
                          std::to_string(GetDlgCtrlID(w)),
                      [&] { return quoted(text(w)); });
}

bool wait_enabled(HWND w, bool expected, int timeout_ms) {
    return wait_until([&] { return enabled(w) == expected; }, timeout_ms,
                      std::string(expected ? "enabled " : "disabled ") + class_of(w) + " " +
                          std::to_string(GetDlgCtrlID(w)));
}

// ---- input ----------------------------------------------------------------------

bool bring_to_front(HWND w, int timeout_ms) {
    HWND root = GetAncestor(w, GA_ROOT);
    if (!root) return false;
    // Wine without a window manager activates but does not raise the window,
    // so it could stay under another one; raise it as a click on it would.
    SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (GetForegroundWindow() == root) return true;
    SetForegroundWindow(root);
    return wait_until(
        [&] {
            if (GetForegroundWindow() == root) return true;
            SetForegroundWindow(root);
            return false;
        },
        timeout_ms, "window " + quoted(narrow(caption_of(root))) + " in the foreground",
        [] { return quoted(narrow(caption_of(GetForegroundWindow()))); });
}

namespace {

// activate=false for popups such as a dropped combo list, which would close if
// activated.
bool press_at(HWND w, int x, int y, bool activate) {
    if (!IsWindow(w)) return false;
    if (IsIconic(GetAncestor(w, GA_ROOT))) {
        note("cannot click " + class_of(w) + ": its window is minimised");
        return false;
    }
    if (activate && !bring_to_front(w)) return false;
    POINT pt{x, y};
    ClientToScreen(w, &pt);
    // Another window over the spot would take the click, as it would from a
    // person; a late activation of that window under Wine can even put it back
    // on top after we raised ours, so keep raising for a moment.
    HWND root = GetAncestor(w, GA_ROOT);
    auto ours = [&] {
        HWND hit = WindowFromPoint(pt);
        return !hit || GetAncestor(hit, GA_ROOT) == root;
    };
    if (!wait_until(
            [&] {
                if (ours()) return true;
                if (activate) SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                return false;
            },
            2000, "the spot to click on " + class_of(w) + " to be uncovered", [&] {
                HWND hit = GetAncestor(WindowFromPoint(pt), GA_ROOT);
                return class_of(hit) + " " + quoted(narrow(caption_of(hit)));
            }))
        return false;
    // Two clicks close in time and place would make a double click, which
    // e.g. closes a combo's list again; a person pauses between them.
    static ULONGLONG last_time = 0;
    static POINT last_pt{};
    ULONGLONG pause = GetDoubleClickTime() + 50;
    if (std::abs(pt.x - last_pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(pt.y - last_pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) &&
        GetTickCount64() - last_time < pause)
        Sleep(DWORD(pause - (GetTickCount64() - last_time)));
    SetCursorPos(pt.x, pt.y);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> ins(3);
    for (INPUT& in : ins) in.type = INPUT_MOUSE;
    ins[0].mi.dx = (LONG)((pt.x * 65535LL + cx / 2) / (cx - 1));
    ins[0].mi.dy = (LONG)((pt.y * 65535LL + cy / 2) / (cy - 1));
    ins[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ins[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    ins[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    send(ins);
    last_time = GetTickCount64();
    last_pt = pt;
    return true;
}

}  // namespace

bool click_at(HWND w, int x, int y) { return press_at(w, x, y, true); }

bool click(HWND w) {
    RECT r;
    if (!GetClientRect(w, &r)) return false;
    return click_at(w, r.right / 2, r.bottom / 2);
}

void type(std::string_view utf8) {
    std::vector<INPUT> ins;
    for (wchar_t c : widen(utf8)) {
        if (c == L'\n' || c == L'\t') {
            WORD vk = c == L'\n' ? VK_RETURN : VK_TAB;
            ins.push_back(key_input(vk, false));
            ins.push_back(key_input(vk, true));
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

void key(WORD vk) { keys({vk}); }

void keys(std::initializer_list<WORD> vks) {
    std::vector<INPUT> ins;
    for (WORD vk : vks) ins.push_back(key_input(vk, false));
    for (auto it = vks.end(); it != vks.begin();) ins.push_back(key_input(*--it, true));
    send(ins);
}

bool focus_by_click(HWND w, int timeout_ms) {
    auto has = [&] {
        HWND f = focus_of(w);
        return f && (f == w || IsChild(w, f)) && GetForegroundWindow() == GetAncestor(w, GA_ROOT);
    };
    for (int i = 1; i <= 3; ++i) {
        if (click(w) && wait_until(has, timeout_ms, "keyboard focus on " + class_of(w) + " " +
                                                         std::to_string(GetDlgCtrlID(w)),
                                   [&] { return class_of(focus_of(w)); })) {
            return true;
        }
    }
    return false;
}

bool type_into(HWND edit, std::string_view utf8) {
    for (int i = 1; i <= 3; ++i) {
        if (!focus_by_click(edit)) continue;
        keys({VK_CONTROL, VK_HOME});
        keys({VK_CONTROL, VK_SHIFT, VK_END});
        if (utf8.empty()) key(VK_DELETE); else type(utf8);
        if (wait_text(edit, utf8, 2000)) return true;
        note("typing into " + class_of(edit) + " " + std::to_string(GetDlgCtrlID(edit)) +
             ": again, try " + std::to_string(i + 1));
    }
    return false;
}

HWND focused(HWND w) { return focus_of(w); }

bool focus_by_tab(HWND w, bool back, int max_presses) {
    HWND root = GetAncestor(w, GA_ROOT);
    if (!bring_to_front(root)) return false;
    for (int i = 0; i <= max_presses; ++i) {
        if (focus_of(w) == w) return true;
        HWND before = focus_of(w);
        if (back) keys({VK_SHIFT, VK_TAB}); else key(VK_TAB);
        // Each press moves the focus once; wait for it before the next one.
        wait_until([&] { return focus_of(w) != before; }, 1000, "the focus to move on Tab");
    }
    note("Tab never reached " + class_of(w) + " " + std::to_string(GetDlgCtrlID(w)) +
         "; focus on " + class_of(focus_of(w)) + " " + std::to_string(GetDlgCtrlID(focus_of(w))));
    return focus_of(w) == w;
}

namespace {

struct ClassQuery {
    std::string cls;
    DWORD pid;
    HWND found = nullptr;
};

BOOL CALLBACK find_class(HWND w, LPARAM lp) {
    auto& q = *reinterpret_cast<ClassQuery*>(lp);
    if ((q.pid && window_pid(w) != q.pid) || !IsWindowVisible(w) || class_of(w) != q.cls) return TRUE;
    q.found = w;
    return FALSE;
}

}  // namespace

HWND find_top_class(std::string_view class_name, DWORD pid) {
    ClassQuery q{std::string(class_name), pid};
    EnumWindows(find_class, (LPARAM)&q);
    return q.found;
}

bool choose(HWND combo, int index, Pick how, int timeout_ms) {
    std::string what = "combo " + std::to_string(GetDlgCtrlID(combo)) + " item " + std::to_string(index);
    if (index < 0 || index >= combo_count(combo)) {
        note(what + ": no such item, the combo has " + std::to_string(combo_count(combo)));
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
                wait_until([&] { return !dropped(combo); }, 1000, what + ": list closed");
            }
        }
        if (!dropped(combo) && !click_at(combo, r.right - arrow / 2 - 1, r.bottom / 2)) continue;
        if (!wait_until([&] { return dropped(combo); }, timeout_ms / 2, what + ": list dropped down"))
            continue;

        HWND list = combo_list(combo);
        bool by_mouse = how == Pick::Mouse && list;
        if (by_mouse) {
            int top = (int)ask(list, LB_GETTOPINDEX);
            int h = (int)ask(list, LB_GETITEMHEIGHT, index);
            RECT lr;
            GetClientRect(list, &lr);
            int y = (index - top) * h + h / 2;
            if (h > 0 && y >= 0 && y < lr.bottom)
                press_at(list, lr.right / 2, y, false);
            else
                by_mouse = false;  // scrolled out of sight: the keys below still get there
        }
        if (!by_mouse) {
            for (int guard = combo_count(combo) + 2; guard > 0; --guard) {
                int cur = combo_selection(combo);
                if (cur == index) break;
                key(cur < index ? VK_DOWN : VK_UP);
                wait_until([&] { return combo_selection(combo) != cur; }, 1000, what + ": selection moves");
            }
            key(VK_RETURN);
        }
        if (wait_until([&] { return !dropped(combo) && combo_selection(combo) == index; }, timeout_ms,
                       what + " chosen and list closed", [&] {
                           return "selection " + std::to_string(combo_selection(combo)) +
                                  (dropped(combo) ? ", still dropped" : ", closed");
                       }))
            return true;
    }
    return false;
}

// ---- message boxes ------------------------------------------------------------------

namespace {

struct BoxQuery {
    std::wstring caption;
    DWORD pid, tid;
    HWND found = nullptr;
};

BOOL CALLBACK find_box(HWND w, LPARAM lp) {
    auto& q = *reinterpret_cast<BoxQuery*>(lp);
    DWORD p = 0, t = GetWindowThreadProcessId(w, &p);
    if ((q.pid && p != q.pid) || (q.tid && t != q.tid)) return TRUE;
    // Visible only once its buttons and text are in place.
    if (!IsWindowVisible(w) || class_of(w) != "#32770" || caption_of(w) != q.caption) return TRUE;
    q.found = w;
    return FALSE;
}

}  // namespace

HWND find_message_box(std::string_view caption, DWORD pid, DWORD tid) {
    BoxQuery q{widen(caption), pid, tid};
    EnumWindows(find_box, (LPARAM)&q);
    return q.found;
}

HWND wait_message_box(std::string_view caption, int timeout_ms, DWORD pid, DWORD tid) {
    HWND box = nullptr;
    wait_until([&] { return (box = find_message_box(caption, pid, tid)) != nullptr; }, timeout_ms,
               "message box " + quoted(caption));
    return box;
}

std::string message_text(HWND box) { return text(GetDlgItem(box, 0xFFFF)); }

bool press_button(HWND box, int id, int timeout_ms) {
    HWND b = GetDlgItem(box, id);
    if (!b) {
        note("message box has no button " + std::to_string(id));
        return false;
    }
    return act_until([&] { click(b); }, [&] { return !IsWindow(box); }, "message box closed", 3,
                     timeout_ms);
}

bool screenshot(HWND w, std::string_view bmp_path) {
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
    bool ok = false;
    HANDLE f = CreateFileW(widen(bmp_path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n;
        ok = WriteFile(f, &fh, sizeof fh, &n, nullptr) &&
             WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n, nullptr) &&
             WriteFile(f, bits, size, &n, nullptr);
        CloseHandle(f);
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::vector<RelayCall> relay_calls(std::string_view trace, DWORD pid) {
    std::vector<RelayCall> out;
    size_t at = 0;
    while (at < trace.size()) {
        size_t end = trace.find('\n', at);
        if (end == std::string_view::npos) end = trace.size();
        const std::string_view line = trace.substr(at, end - at);
        at = end + 1;
        // [timestamp:]pid:tid:Call module.function(args) ret=...
        const size_t call = line.find(":Call ");
        const size_t open = line.find('(', call);
        const size_t close = line.rfind(") ret=");
        if (call == std::string_view::npos || open == std::string_view::npos ||
            close == std::string_view::npos || close < open) {
            continue;
        }
        std::vector<std::string> head;
        for (size_t from = 0; from <= call;) {
            size_t colon = line.find(':', from);
            head.emplace_back(line.substr(from, colon - from));
            from = colon + 1;
        }
        if (head.size() < 2 || head.size() > 3) continue;
        const std::string& p = head[head.size() - 2];
        if (std::strtoul(p.c_str(), nullptr, 16) != pid) continue;
        RelayCall c;
        if (head.size() == 3) c.at = std::strtod(head[0].c_str(), nullptr);
        c.function = std::string(line.substr(call + 6, open - call - 6));
        c.args = std::string(line.substr(open + 1, close - open - 1));
        c.ret = static_cast<uintptr_t>(
            std::strtoull(std::string(line.substr(close + 6)).c_str(), nullptr, 16));
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace e2e
