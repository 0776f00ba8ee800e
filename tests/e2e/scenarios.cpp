// End-to-end scenarios: the real corvell.exe under Wine, worked through its
// windows as a person would.
//
//   e2e_scenarios run NAME BUILD   installs the program and the stub viewer
//                                  into C:, then drives one scenario
//   e2e_scenarios prepare NAME BUILD
//                                  installs only; for the user-* scenarios,
//                                  whose C: the runner then locks before run
//   e2e_scenarios check NAME RELAY RUNOUT
//                                  afterwards, reads what the system saw:
//                                  the relay trace of corvell's own calls,
//                                  the stubs' logs, the record files
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"

namespace {

using namespace e2e;

constexpr const char* kMain = "Corvell1.0";
constexpr const char* kCountdown = "正在准备关机…";
constexpr const char* kShuttingDown = "正在关机…";
constexpr const char* kExeDir = "C:\\Program Files\\Corvell";
constexpr const char* kViewerPath = "C:\\TV Capture Card\\HDTVPCI.EXE";
constexpr const char* kViewerTitle = "TV Capture Card";
constexpr const char* kRecord2k = "C:\\dorvanlog2k.txt";
constexpr const char* kRecord9x = "C:\\dorvanlog9x.txt";
constexpr const char* kWrongInput =
    "调用的程序或程序标题输入错误！\r\n请关闭刚才调用的程序,然后重新正确输入。";

// Control IDs: 1000 + index in the main window, 2000 + index in the
// countdown window.
enum : int {
    kText1 = 1000, kText2, kCombo1, kCombo2, kCombo3, kCombo4, kCombo5, kCombo6, kCheck1,
    kCommand4, kCommand1, kCommand3, kLabel1, kLabel2, kLabel3, kLabel6, kLabel4,
    kCancel = 2001, kNumber = 2005
};

std::string fmt(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", v);
    return b;
}

std::string gbk(const std::string& utf8) {
    std::wstring w = widen(utf8);
    int n = WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string timeText(const SYSTEMTIME& t) {
    return std::to_string(t.wYear) + "年" + std::to_string(t.wMonth) + "月" +
           std::to_string(t.wDay) + "日" + std::to_string(t.wHour) + "时" +
           std::to_string(t.wMinute) + "分" + std::to_string(t.wSecond) + "秒";
}

// The time texts of the last few seconds, newest first: a record written a
// moment ago carries one of them.
std::vector<std::string> recentTimeTexts(int back) {
    std::vector<std::string> out;
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    for (int i = 0; i <= back; ++i) {
        ULARGE_INTEGER v;
        v.QuadPart = u.QuadPart - static_cast<ULONGLONG>(i) * 10000000ULL;
        FILETIME f{v.LowPart, v.HighPart}, local;
        FileTimeToLocalFileTime(&f, &local);
        SYSTEMTIME st;
        FileTimeToSystemTime(&local, &st);
        out.push_back(timeText(st));
    }
    return out;
}

bool exists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void copy(const std::string& from, const std::string& to) {
    step(CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE) != 0, "copy " + from + " to " + to);
}

struct Scenario {
    std::string name;
    std::string build;  // the build tree, as a Windows path
    Process corvell;
    HWND main = nullptr;
    double opened = 0;
    double countdownOpened = 0;
    std::string pids;

    // The program in its own folder with its help file, the stub viewer at
    // the default path taking its options from `viewerArgs`.
    void install(const std::string& viewerArgs) {
        CreateDirectoryW(L"C:\\Program Files", nullptr);
        CreateDirectoryW(widen(kExeDir).c_str(), nullptr);
        copy(build + "\\corvell.exe", std::string(kExeDir) + "\\corvell.exe");
        copy(build + "\\help.chm", std::string(kExeDir) + "\\help.chm");
        CreateDirectoryW(L"C:\\TV Capture Card", nullptr);
        installViewer(kViewerPath, viewerArgs);
        CreateDirectoryW(L"C:\\e2e", nullptr);
        CreateDirectoryW(L"C:\\e2e\\shots", nullptr);
        copy(build + "\\tests\\e2e\\stub_viewer.exe", "C:\\e2e\\bystander.exe");
        DeleteFileW(widen(kRecord2k).c_str());
        DeleteFileW(widen(kRecord9x).c_str());
    }

    void installViewer(const std::string& path, const std::string& args) {
        copy(build + "\\tests\\e2e\\stub_viewer.exe", path);
        const std::string file = path.substr(0, path.find_last_of('.')) + ".args";
        step(writeFile(file, args), "write " + file);
    }

    // Another program of the session, to see the end-of-session messages;
    // one that refuses keeps the session, and so the program, going.
    void startBystander(bool refusing = false) {
        start(std::string("C:\\e2e\\bystander.exe --log C:\\e2e\\bystander.log ") +
              (refusing ? "--refuse-end-session " : "") + "Bystander");
        check(waitTop("Bystander", 10000) != nullptr, "bystander program is running");
    }

    bool startCorvell() {
        corvell = start(std::string("\"") + kExeDir + "\\corvell.exe\"", kExeDir);
        // Every run of the program, for the checks of its traced calls.
        pids += std::to_string(corvell.pid) + "\n";
        step(writeFile("C:\\e2e\\corvell.pid", pids), "the program's pid noted");
        main = waitTop(kMain, 20000, corvell.pid);
        opened = seconds();
        return check(main != nullptr, "main window opens");
    }

    HWND ctl(int id) const { return control(main, id); }

    void shot(HWND w, const std::string& file) {
        SetCursorPos(0, 0);  // no tooltip in the picture
        Sleep(300);
        check(screenshot(w, "C:\\e2e\\shots\\" + file + ".bmp"), "screenshot " + file);
    }

    // From the automatic launch to the viewer found and the main window
    // minimised with its status texts.
    HWND launchedAutomatically(const std::string& path, const std::string& title) {
        HWND viewer = waitTop(title, 20000);
        const double after = seconds() - opened;
        note("viewer window appeared " + fmt(after) + " s after the main window");
        check(viewer != nullptr && after > 10.0 && after < 13.0,
              "launched by the countdown about 11 s after start-up");
        check(waitUntil([&] { return minimized(main); }, 3000, "main window minimised"),
              "main window minimised once the viewer is found");
        check(waitText(ctl(kText1), "正在运行调用程序:" + path, 2000), "Text1 shows the path");
        check(waitText(ctl(kText2), "程序标题:" + title, 2000), "Text2 shows the title");
        check(!enabled(ctl(kCommand1)) && !enabled(ctl(kCommand4)), "buttons locked");
        return viewer;
    }

    void checkStartRecord(const std::string& file, const std::string& path,
                          const std::string& title) {
        const std::string bytes = readFile(file);
        bool found = false;
        for (const std::string& t : recentTimeTexts(4)) {
            if (bytes == "\"" + gbk(path) + "\",\"" + gbk(title) + "\",\"" + gbk(t) + "\"\r\n") {
                found = true;
            }
        }
        check(found, "start record in code page 936: " + narrowAnsi(bytes));
    }

    static std::string narrowAnsi(const std::string& bytes) {
        int n = MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring w(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
        std::string s = narrow(w);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        return s;
    }

    // Closes the viewer as its user would and waits for the countdown window.
    HWND closeViewer(HWND viewer) {
        bringToFront(viewer);
        keys({VK_MENU, VK_F4});
        const double closed = seconds();
        const bool ended =
            waitUntil([&] { return text(ctl(kText1)) == "调用程序已经停止运行"; }, 3000,
                       "Text1 reads the program has stopped", [&] { return text(ctl(kText1)); });
        note("viewing ended " + fmt(seconds() - closed) + " s after the close");
        check(ended && seconds() - closed < 1.6, "viewing ends within about a second");
        HWND f1 = waitTop(kCountdown, 3000, corvell.pid);
        countdownOpened = seconds();
        check(f1 != nullptr, "countdown window opens");
        return f1;
    }

    void checkStopRecord(const std::string& file, const std::string& path,
                         const std::string& title) {
        const std::string bytes = readFile(file);
        const std::string head = "\"" + gbk(path) + "\",\"" + gbk(title) + "\",\"";
        bool ok = bytes.compare(0, head.size(), head) == 0;
        bool stopOk = false;
        for (const std::string& t : recentTimeTexts(4)) {
            const std::string tail = "\",\"" + gbk(t) + "\"\r\n";
            if (bytes.size() > tail.size() && bytes.compare(bytes.size() - tail.size(), tail.size(), tail) == 0) {
                stopOk = true;
            }
        }
        size_t quotes = 0;
        for (char c : bytes) quotes += c == '"';
        check(ok && stopOk && quotes == 8, "stop record with four fields: " + narrowAnsi(bytes));
    }

    // Watches the countdown to its end; true when the final state was seen.
    bool countdownToShutdown(HWND f1) {
        const double start = countdownOpened;
        HWND number = control(f1, kNumber);
        HWND cancel = control(f1, kCancel);
        checkEq(text(number), "10", "countdown starts at 10");
        checkEq(text(cancel), "取消关机\r\n(Esc键)", "cancel button caption");
        std::vector<std::string> seen{text(number)};
        std::vector<double> when{seconds() - start};
        bool final = false;
        while (seconds() - start < 30) {
            const std::string n = text(number);
            if (!n.empty() && n != seen.back()) {
                seen.push_back(n);
                when.push_back(seconds() - start);
            }
            if (text(f1) == kShuttingDown) {
                final = true;
                break;
            }
            Sleep(5);
        }
        const double at = seconds() - start;
        std::string shown;
        for (size_t i = 0; i < seen.size(); ++i) shown += seen[i] + "@" + fmt(when[i]) + " ";
        note("numbers: " + shown);
        check(seen == std::vector<std::string>{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1",
                                               "0"},
              "number counts 10 to 0");
        note("shutting down " + fmt(at) + " s after the window opened");
        check(final && at > 21.0 && at < 23.5, "caption 正在关机… about 22 s after opening");
        check(waitText(cancel, "再见！", 1000), "button reads 再见！");
        check(!enabled(cancel), "button disabled");
        return final;
    }

    void awaitShutdown() {
        note("waiting for the shutdown");
        std::fflush(stdout);
        DWORD code = 0;
        const bool gone = waitExit(corvell, 30000, &code);
        note(gone ? "corvell ended with the session" : "corvell still running");
    }

    // The user types a path and a title and presses 立即运行; the viewer's
    // window, once the main window has minimised on finding it.
    HWND typeAndRun(const std::string& path, const std::string& title) {
        step(focusByClick(ctl(kText1)), "path box focused");
        // The click is queued input: the caption changes once it is handled.
        check(waitText(ctl(kCommand4), "开始 &S", 1500),
              "clicking into the path box paused the countdown");
        step(typeInto(ctl(kText1), path), "path typed");
        step(typeInto(ctl(kText2), title), "title typed");
        step(click(ctl(kCommand1)), "立即运行 clicked");
        HWND viewer = waitTop(title, 10000);
        check(viewer != nullptr, "viewer at the typed path started");
        check(waitUntil([&] { return minimized(main); }, 3000, "main minimised"), "watching");
        return viewer;
    }

    // Closes the viewer and ends the program from its countdown with Esc.
    void closeAndCancel(HWND viewer) {
        HWND f1 = closeViewer(viewer);
        if (f1 == nullptr) return;
        bringToFront(f1);
        key(VK_ESCAPE);
        check(waitExit(corvell, 3000), "run ended by Esc");
    }

    // A new run of the program offers the last viewing.
    void checkOffered(const std::string& path, const std::string& title) {
        if (!startCorvell()) return;
        checkEq(text(ctl(kText1)), path, "the new run shows the last path");
        checkEq(text(ctl(kText2)), title, "the new run shows the last title");
        kill(corvell);
    }

    void setWin98() {
        HKEY k;
        step(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\corvell.exe", 0,
                             nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) == ERROR_SUCCESS,
             "the program's Wine settings opened");
        const wchar_t v[] = L"win98";
        step(RegSetValueExW(k, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(v), sizeof v) ==
                 ERROR_SUCCESS,
             "the program set to see Windows 98");
        RegCloseKey(k);
    }
};

// The viewer logs the folder it was started in.
void checkViewerFolder(const std::string& folder) {
    const std::string log = readFile("C:\\e2e\\viewer.log");
    const size_t line = log.find("started title=");
    const std::string first = line == std::string::npos ? "" : log.substr(line, log.find('\r', line) - line);
    check(first.size() > folder.size() + 8 &&
              first.compare(first.size() - folder.size() - 8, std::string::npos, " folder=" + folder) == 0,
          "the viewer started in its own folder: " + first);
}

// The names in the root of C:, sorted.
std::vector<std::string> rootNames() {
    std::vector<std::string> out;
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(L"C:\\*", &d);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        out.push_back(narrow(d.cFileName));
    } while (FindNextFileW(h, &d));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& e : v) s += e + " ";
    return s;
}

// The user's own folder for the program's files: local application data.
std::string ownFolder() {
    wchar_t dir[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"LOCALAPPDATA", dir, MAX_PATH);
    return narrow(dir) + "\\Corvell";
}

std::string ownRecord() { return ownFolder() + "\\dorvanlog2k.txt"; }

// Moves a file's last-write time back by some seconds.
void age(const std::string& path, int seconds) {
    HANDLE f = CreateFileW(widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= static_cast<ULONGLONG>(seconds) * 10000000ULL;
    FILETIME ft{t.LowPart, t.HighPart};
    check(SetFileTime(f, nullptr, nullptr, &ft) != 0, "last-write time of " + path + " set");
    CloseHandle(f);
}

constexpr const char* kTypedPath = "C:\\Viewers\\My TV\\viewer.exe";
constexpr const char* kTypedTitle = "我的电视";
constexpr const char* kOldRecord = "\"C:\\old.exe\",\"Old title\",\"2004年3月16日21时5分7秒\"\r\n";

// ---- the countdown whatever has the focus

// Wine's Notepad: another program, to hold the focus.
HWND startNotepad() {
    const Process np = start("C:\\windows\\notepad.exe");
    HWND w = nullptr;
    waitUntil([&] { return (w = findTopClass("Notepad", np.pid)) != nullptr; }, 15000,
               "Notepad's window");
    step(w != nullptr, "Notepad is running");
    return w;
}

// Opens Notepad's Find dialog, which Esc closes: a key that reaches
// Notepad shows.
HWND notepadFind(HWND np) {
    if (!bringToFront(np)) return nullptr;
    HWND find = nullptr;
    for (int tries = 0; tries < 3 && find == nullptr; ++tries) {
        keys({VK_CONTROL, 'F'});
        waitUntil([&] { return (find = findTopClass("#32770", windowPid(np))) != nullptr; },
                   3000, "Notepad's Find dialog");
    }
    step(find != nullptr, "Notepad's Find dialog is open");
    return find;
}

// The countdown window stays above Notepad, to which the focus goes.
void checkAboveFocused(HWND f1, HWND np) {
    // Notepad's, or its Find dialog's, which Notepad may activate instead.
    const DWORD pid = windowPid(np);
    step(actUntil([&] { bringToFront(np); },
                   [&] { return windowPid(GetForegroundWindow()) == pid; }, "Notepad in front"),
         "Notepad has the focus");
    check((GetWindowLongW(f1, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, "countdown window is topmost");
    bool above = false;
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == f1) above = true;
        if (w == f1 || w == np) break;
    }
    check(above, "countdown window lies above the program with the focus");
}

// Run out to the shutdown request, which the bystander refuses; Esc
// pressed in Notepad then still ends the program.
void escWhileShuttingDown(Scenario& s, HWND f1, HWND np) {
    if (!s.countdownToShutdown(f1)) return;
    // Wine's end of the session is a program of its own, slow to start on
    // a busy machine: wait for the refusal itself, not a fixed time.
    step(waitUntil(
             [] { return readFile("C:\\e2e\\bystander.log").find("WM_QUERYENDSESSION refused") !=
                         std::string::npos; },
             20000, "the bystander's refusal"),
         "the bystander refused the end of the session");
    check(!waitExit(s.corvell, 1000), "the refused shutdown leaves the program running");
    checkAboveFocused(f1, np);
    key(VK_ESCAPE);
    check(waitExit(s.corvell, 3000), "Esc in another program ends it while shutting down");
}

std::string keyName(WORD k) { return k == VK_RETURN ? "Enter" : k == VK_SPACE ? "Space" : "Esc"; }

// Starts the program and the viewer at once with 立即运行.
HWND runNow(Scenario& s) {
    if (!s.startCorvell()) return nullptr;
    step(click(s.ctl(kCommand1)), "立即运行 clicked");
    HWND viewer = waitTop(kViewerTitle, 10000);
    check(viewer != nullptr &&
              waitUntil([&] { return minimized(s.main); }, 3000, "main window minimised"),
          "viewer started and found");
    return viewer;
}

// Presses k once, on target: it must have the focus, and keep it a moment,
// when the key goes.
void pressOn(HWND target, WORD k) {
    const std::string what = "control " + std::to_string(GetDlgCtrlID(target));
    bool ready = false;
    for (int tries = 0; tries < 3 && !ready; ++tries) {
        ready = focusByTab(target);
        if (ready) {
            Sleep(100);
            ready = focused(target) == target;
        }
    }
    step(ready, what + " focused by Tab, and still when " + keyName(k) + " is pressed");
    key(k);
}

// Every push button of the main window and the check box, by Enter and by
// Space, ending with the viewer launched by Enter on 立即运行.
HWND mainWindowKeys(Scenario& s) {
    step(focusByClick(s.ctl(kText1)), "path box focused");
    HWND c4 = s.ctl(kCommand4);
    check(waitText(c4, "开始 &S", 1500), "countdown paused");
    pressOn(c4, VK_RETURN);
    check(waitText(c4, "停止 &S", 2000), "Enter on 开始 &S resumes the countdown");
    // Without that, Space would seem to pause what never ran.
    step(text(c4) == "停止 &S", "the countdown running before Space");
    pressOn(c4, VK_SPACE);
    check(waitText(c4, "开始 &S", 2000), "Space on 停止 &S pauses it");

    // A preset next year is accepted, so ticking shows in the caption.
    step(choose(s.ctl(kCombo1), 1, Pick::Keyboard), "next year chosen");
    HWND box = s.ctl(kCheck1);
    pressOn(box, VK_SPACE);
    check(waitText(box, "定时关机已开启", 2000) && checked(box), "Space ticks the check box");
    step(checked(box), "the box ticked before Space again");
    pressOn(box, VK_SPACE);
    check(waitText(box, "定时关机已关闭", 2000) && !checked(box), "Space again unticks it");

    HWND c3 = s.ctl(kCommand3);
    pressOn(c3, VK_RETURN);
    pressOn(c3, VK_SPACE);
    Sleep(1500);
    check(findTop("Corvell 帮助") == nullptr, "Enter and Space on 帮助 F1 open nothing");
    checkEq(text(c4), "开始 &S", "nor do they change the countdown");

    // 立即运行 with no title shows its message, by either key.
    step(typeInto(s.ctl(kText2), ""), "title emptied");
    HWND c1 = s.ctl(kCommand1);
    for (WORD k : {VK_RETURN, VK_SPACE}) {
        pressOn(c1, k);
        HWND msg = waitMessageBox("Corvell", 3000, s.corvell.pid);
        check(msg != nullptr && messageText(msg) == "程序标题不能为空！",
              keyName(k) + " on 立即运行 runs it");
        step(msg != nullptr && pressButton(msg), "message dismissed");
    }
    step(typeInto(s.ctl(kText2), kViewerTitle), "title typed again");
    pressOn(c1, VK_RETURN);
    HWND viewer = waitTop(kViewerTitle, 10000);
    check(viewer != nullptr && waitUntil([&] { return minimized(s.main); }, 3000, "main minimised"),
          "Enter on 立即运行 launches the viewer");
    return viewer;
}

// With the countdown's close button: the window goes, Esc is Notepad's
// again, and the program stays.
void closeButton(HWND f1) {
    RECT r;
    GetWindowRect(f1, &r);
    bringToFront(f1);
    const int border = GetSystemMetrics(SM_CXFIXEDFRAME) + GetSystemMetrics(SM_CXEDGE);
    SetCursorPos(r.right - border - GetSystemMetrics(SM_CXSIZE) / 2,
                 r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSIZE) / 2);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    check(waitGone(f1, 3000), "countdown window closed by its close button");
}

void escReachesNotepad(Scenario& s, HWND np) {
    HWND find = notepadFind(np);
    key(VK_ESCAPE);
    check(find != nullptr && waitGone(find, 3000), "Esc in Notepad reaches Notepad");
    check(!waitExit(s.corvell, 1000), "and the program goes on");
}

// ---------------------------------------------------------------- scenarios

void evening(Scenario& s) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    s.startBystander();
    if (!s.startCorvell()) return;
    checkEq(text(s.ctl(kText1)), kViewerPath, "Text1 shows the default path");
    checkEq(text(s.ctl(kText2)), kViewerTitle, "Text2 shows the default title");
    Sleep(1600);
    s.shot(s.main, "main-window");
    HWND viewer = s.launchedAutomatically(kViewerPath, kViewerTitle);
    s.checkStartRecord(kRecord2k, kViewerPath, kViewerTitle);
    checkViewerFolder("C:\\TV Capture Card");
    Sleep(2500);
    HWND f1 = s.closeViewer(viewer);
    if (f1 == nullptr) return;
    s.checkStopRecord(kRecord2k, kViewerPath, kViewerTitle);
    check(!exists(kRecord9x), "the 9x family's record is never touched");
    Sleep(700);
    s.shot(f1, "countdown-window");
    if (s.countdownToShutdown(f1)) s.awaitShutdown();
}

void family9x(Scenario& s) {
    const std::string path = "C:\\Viewers\\九八电视.exe";
    const std::string title = "九八电视";
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    CreateDirectoryW(L"C:\\Viewers", nullptr);
    s.installViewer(path, "--log C:\\e2e\\viewer.log " + title);
    const std::string other = "\"C:\\wrong.exe\",\"Wrong\",\"x\"\r\n";
    step(writeFile(kRecord9x, "\"" + gbk(path) + "\",\"" + gbk(title) + "\",\"a\",\"b\"\r\n") &&
             writeFile(kRecord2k, other),
         "records of both families written");
    s.setWin98();
    s.startBystander();
    if (!s.startCorvell()) return;
    checkEq(text(s.ctl(kText1)), path, "Text1 restored from C:\\dorvanlog9x.txt");
    checkEq(text(s.ctl(kText2)), title, "Text2 restored from C:\\dorvanlog9x.txt");
    Sleep(1600);
    s.shot(s.main, "main-window-9x");
    HWND viewer = s.launchedAutomatically(path, title);
    s.checkStartRecord(kRecord9x, path, title);
    checkViewerFolder("C:\\Viewers");
    HWND f1 = s.closeViewer(viewer);
    if (f1 == nullptr) return;
    s.checkStopRecord(kRecord9x, path, title);
    checkEq(readFile(kRecord2k), other, "C:\\dorvanlog2k.txt untouched");
    if (s.countdownToShutdown(f1)) s.awaitShutdown();
}

// At the preset moment the viewer is asked to close, every second until it
// does. On the NT family the countdown then runs to the shutdown; on the
// 9x family it is cancelled with Esc.
void timedShutdown(Scenario& s, bool nine) {
    s.install("--log C:\\e2e\\viewer.log --ignore-close 2 TV Capture Card");
    if (nine) s.setWin98();
    // On the 9x family the session is kept, to see Esc after the request.
    s.startBystander(nine);
    const HWND np = nine ? startNotepad() : nullptr;
    if (!s.startCorvell()) return;
    // A preset about 45 s ahead; minute and second 0 are not in the lists.
    SYSTEMTIME t;
    FILETIME ft, lt;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    for (int ahead = 45;; ++ahead) {
        ULARGE_INTEGER v;
        v.QuadPart = u.QuadPart + static_cast<ULONGLONG>(ahead) * 10000000ULL;
        FILETIME f{v.LowPart, v.HighPart};
        FileTimeToLocalFileTime(&f, &lt);
        FileTimeToSystemTime(&lt, &t);
        if (t.wMinute != 0 && t.wSecond != 0) break;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int picks[6] = {t.wYear - now.wYear, t.wMonth - 1, t.wDay - 1, t.wHour, t.wMinute - 1,
                          t.wSecond - 1};
    const int boxes[6] = {kCombo1, kCombo2, kCombo3, kCombo4, kCombo5, kCombo6};
    for (int i = 0; i < 6; ++i) {
        step(choose(s.ctl(boxes[i]), picks[i]), "preset box " + std::to_string(i + 1) + " chosen");
    }
    checkEq(text(s.ctl(kCommand4)), "开始 &S", "choosing paused the countdown");
    const std::string summary = "已预设关机时间：" + timeText(t);
    checkEq(text(s.ctl(kLabel4)), summary, "summary shows the preset");
    step(click(s.ctl(kCheck1)), "check box clicked");
    check(waitText(s.ctl(kCheck1), "定时关机已开启", 2000), "timed shutdown armed");
    check(findMessageBox("Corvell", s.corvell.pid) == nullptr, "no refusal");
    check(!enabled(s.ctl(kCombo3)), "preset boxes locked");
    bringToFront(s.main);
    keys({VK_MENU, 'S'});
    check(waitText(s.ctl(kCommand4), "停止 &S", 2000), "Alt+S resumed the countdown");
    HWND viewer = waitTop(kViewerTitle, 15000);
    check(viewer != nullptr, "viewer launched");
    check(waitUntil([&] { return minimized(s.main); }, 3000, "main minimised"), "watching");
    // The viewer ignores two requests; one comes every second until it closes.
    HWND f1 = waitTop(kCountdown, 60000, s.corvell.pid);
    s.countdownOpened = seconds();
    check(f1 != nullptr, "countdown window after the timed close");
    writeFile("C:\\e2e\\preset.txt", timeText(t));
    if (f1 == nullptr) return;
    if (!nine) {
        if (s.countdownToShutdown(f1)) s.awaitShutdown();
        return;
    }
    s.checkStopRecord(kRecord9x, kViewerPath, kViewerTitle);
    check(!exists(kRecord2k), "the NT family's record is never touched");
    escWhileShuttingDown(s, f1, np);
}

// Esc from another program, Enter and Space on the focused cancel button:
// each ends the program before its shutdown request.
void keysScenario(Scenario& s, bool nine) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    if (nine) s.setWin98();
    HWND np = startNotepad();
    if (!s.startCorvell()) return;
    HWND viewer = mainWindowKeys(s);
    HWND f1 = s.closeViewer(viewer);
    if (f1 == nullptr) return;
    HWND find = notepadFind(np);
    checkAboveFocused(f1, np);
    // Esc where it would close Notepad's Find dialog.
    step(find != nullptr && bringToFront(find), "the Find dialog has the focus");
    key(VK_ESCAPE);
    check(waitExit(s.corvell, 3000), "Esc pressed in Notepad ends the program");
    Sleep(500);
    check(find != nullptr && IsWindow(find), "and never reached Notepad");
    if (find != nullptr) bringToFront(find);
    key(VK_ESCAPE);
    check(find != nullptr && waitGone(find, 3000), "with the program gone, Esc is Notepad's");

    for (WORD k : {VK_RETURN, VK_SPACE}) {
        HWND v = runNow(s);
        HWND f = v != nullptr ? s.closeViewer(v) : nullptr;
        if (f == nullptr) return;
        HWND cancel = control(f, kCancel);
        check(bringToFront(f) &&
                  waitUntil([&] { return focused(f) == cancel; }, 2000, "cancel button focused"),
              "the cancel button has the focus");
        key(k);
        check(waitExit(s.corvell, 3000), keyName(k) + " on the cancel button ends the program");
    }
    if (!nine) return;
    // On this family the close button's case too (close-button on the other).
    HWND v = runNow(s);
    HWND f = v != nullptr ? s.closeViewer(v) : nullptr;
    if (f == nullptr) return;
    closeButton(f);
    escReachesNotepad(s, np);
    PostMessageW(s.main, WM_CLOSE, 0, 0);
    check(waitExit(s.corvell, 5000), "closing the main window ends the program");
}

// The cancel button by the mouse; Esc from another program after the final
// tick; the close button, after which Esc is that program's again.
void cancel(Scenario& s, const std::string& how) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    s.startBystander(how == "esc");
    HWND np = how == "button" ? nullptr : startNotepad();
    if (!s.startCorvell()) return;
    HWND viewer = s.launchedAutomatically(kViewerPath, kViewerTitle);
    HWND f1 = s.closeViewer(viewer);
    if (f1 == nullptr) return;
    if (how == "esc") {
        escWhileShuttingDown(s, f1, np);
        return;
    }
    Sleep(4000);
    if (how == "button") {
        step(click(control(f1, kCancel)), "cancel button clicked");
        const double t = seconds();
        check(waitExit(s.corvell, 3000), "program ended at once");
        note("ended " + fmt(seconds() - t) + " s after the cancel");
        return;
    }
    closeButton(f1);
    escReachesNotepad(s, np);
    check(!waitExit(s.corvell, 26000), "program goes on past the 22 s");
    check(IsWindow(s.main) && minimized(s.main), "main window still there, minimised");
    checkEq(text(s.ctl(kText1)), "调用程序已经停止运行", "main window as the watch left it");
    PostMessageW(s.main, WM_CLOSE, 0, 0);
    check(waitExit(s.corvell, 5000), "closing the main window ends the program");
}

void wrongTitle(Scenario& s) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    step(writeFile(kRecord2k, std::string("\"") + kViewerPath + "\",\"Wrong Title\"\r\n"),
         "record with a wrong title written");
    if (!s.startCorvell()) return;
    checkEq(text(s.ctl(kText2)), "Wrong Title", "title restored from the record");
    check(waitTop(kViewerTitle, 15000) != nullptr, "viewer started anyway");
    const double launched = seconds();
    HWND box = waitMessageBox("Corvell", 20000, s.corvell.pid);
    const double after = seconds() - launched;
    note("failure message " + fmt(after) + " s after the viewer appeared");
    check(box != nullptr && after > 14.0 && after < 17.5, "failure reported after 16 checks");
    checkEq(messageText(box), kWrongInput, "two-line failure message");
    s.shot(box, "wrong-title-message");
    step(box != nullptr && pressButton(box), "message dismissed");
    Sleep(1500);
    check(findMessageBox("Corvell", s.corvell.pid) == nullptr, "shown once");
    // The program unlocks the inputs once the box is closed.
    check(waitUntil([&] { return enabled(s.ctl(kCommand1)) && enabled(s.ctl(kCommand4)); }, 2000,
                     "buttons unlocked"),
          "buttons unlocked");
    check(waitUntil(
              [&] { return (GetWindowLongW(s.ctl(kText2), GWL_STYLE) & ES_READONLY) == 0; }, 2000,
              "title box editable"),
          "title box editable");
    check(!minimized(s.main), "main window not minimised");
    // The user corrects the title and runs the viewer again.
    step(typeInto(s.ctl(kText2), kViewerTitle), "title corrected");
    step(click(s.ctl(kCommand1)), "立即运行 clicked");
    check(waitUntil([&] { return minimized(s.main); }, 4000, "main minimised"),
          "corrected title is found");
    s.checkStartRecord(kRecord2k, kViewerPath, kViewerTitle);
    kill(s.corvell);
}

void unwritableRecord(Scenario& s) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    const std::string before = std::string("\"") + kViewerPath + "\",\"" + kViewerTitle + "\"\r\n";
    step(writeFile(kRecord2k, before), "record written");
    // Another program holds the record open: it can be read, not replaced.
    HANDLE lock = CreateFileW(widen(kRecord2k).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    check(lock != INVALID_HANDLE_VALUE, "record locked by another program");
    if (!s.startCorvell()) return;
    HWND viewer = s.launchedAutomatically(kViewerPath, kViewerTitle);
    HWND f1 = s.closeViewer(viewer);
    check(f1 != nullptr, "countdown window opens all the same");
    check(findMessageBox("Corvell", s.corvell.pid) == nullptr, "no message");
    checkEq(readFile(kRecord2k), before, "old record kept whole");
    check(!exists(std::string(kRecord2k) + ".new"), "no leftover file");
    s.checkStopRecord(ownRecord(), kViewerPath, kViewerTitle);
    if (f1 != nullptr) {
        bringToFront(f1);
        key(VK_ESCAPE);
        check(waitExit(s.corvell, 3000), "Esc ends the program");
    }
    CloseHandle(lock);
}

// The program and a viewer at the path the user is going to type.
void installForTyping(Scenario& s) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    CreateDirectoryW(L"C:\\Viewers", nullptr);
    CreateDirectoryW(L"C:\\Viewers\\My TV", nullptr);
    s.installViewer(kTypedPath, std::string("--log C:\\e2e\\viewer.log ") + kTypedTitle);
}

// A title outside code page 936, typed in the first run, is offered exactly
// by the second; the record that keeps it is UTF-8 with a byte-order mark.
void secondRun(Scenario& s) {
    const std::string title = "한국TV 电视";
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    CreateDirectoryW(L"C:\\Viewers", nullptr);
    CreateDirectoryW(L"C:\\Viewers\\My TV", nullptr);
    s.installViewer(kTypedPath, "--log C:\\e2e\\viewer.log " + title);
    if (!s.startCorvell()) return;
    HWND viewer = s.typeAndRun(kTypedPath, title);
    checkViewerFolder("C:\\Viewers\\My TV");
    const std::string head = "\xEF\xBB\xBF\"" + std::string(kTypedPath) + "\",\"" + title + "\",\"";
    check(readFile(kRecord2k).compare(0, head.size(), head) == 0,
          "start record in UTF-8 with a byte-order mark: " + readFile(kRecord2k));
    s.closeAndCancel(viewer);
    const std::string stop = readFile(kRecord2k);
    size_t quotes = 0;
    for (char c : stop) quotes += c == '"';
    check(stop.compare(0, head.size(), head) == 0 && quotes == 8 && stop.ends_with("\"\r\n"),
          "stop record in UTF-8 with four fields: " + stop);
    // The second run offers the last viewing, and counts down to launch it.
    if (!s.startCorvell()) return;
    checkEq(text(s.ctl(kText1)), kTypedPath, "second run shows the last path");
    checkEq(text(s.ctl(kText2)), title, "second run shows the last title, every character");
    check(waitText(s.ctl(kCommand4), "停止 &S", 2500), "countdown running in the second run");
    kill(s.corvell);
}

// ---- as an ordinary user (the runner prepares C: and locks it where asked)

void prepare(Scenario& s) {
    installForTyping(s);
    if (s.name == "user-record-inplace") {
        // Made once by someone else and left writable for this user.
        check(writeFile(kRecord2k, gbk(kOldRecord)), "old record in the root");
    }
    if (s.name == "user-both-files") {
        CreateDirectoryW(widen(ownFolder()).c_str(), nullptr);
        check(writeFile(kRecord2k, "\"C:\\root.exe\",\"Root title\"\r\n"), "record in the root");
        check(writeFile(ownRecord(), "\"C:\\own.exe\",\"Own title\"\r\n"), "record of the user's");
    }
}

// No new file may be made in C:\ and there is no record yet: the record is
// kept in the user's own folder, and the next run offers it.
void userRootReadonly(Scenario& s) {
    const std::vector<std::string> before = rootNames();
    check(!writeFile("C:\\probe.txt", "x"), "the root of C: takes no new file");
    if (!s.startCorvell()) return;
    checkEq(text(s.ctl(kText1)), kViewerPath, "no record: the default path");
    HWND viewer = s.typeAndRun(kTypedPath, kTypedTitle);
    s.checkStartRecord(ownRecord(), kTypedPath, kTypedTitle);
    s.closeAndCancel(viewer);
    s.checkStopRecord(ownRecord(), kTypedPath, kTypedTitle);
    checkEq(joined(rootNames()), joined(before), "nothing new in the root of C:");
    s.checkOffered(kTypedPath, kTypedTitle);
}

// No new file may be made in C:\, but the record there is writable: it is
// rewritten where it stands, and nothing else appears.
void userRecordInplace(Scenario& s) {
    const std::vector<std::string> before = rootNames();
    check(!writeFile("C:\\probe.txt", "x"), "the root of C: takes no new file");
    if (!s.startCorvell()) return;
    checkEq(text(s.ctl(kText2)), "Old title", "the old record is read");
    HWND viewer = s.typeAndRun(kTypedPath, kTypedTitle);
    s.checkStartRecord(kRecord2k, kTypedPath, kTypedTitle);
    s.closeAndCancel(viewer);
    s.checkStopRecord(kRecord2k, kTypedPath, kTypedTitle);
    checkEq(joined(rootNames()), joined(before), "nothing new in the root of C:");
    check(!exists(ownFolder()), "the user's folder is not touched");
    s.checkOffered(kTypedPath, kTypedTitle);
}

// A root that takes new files: the record is replaced there as always.
void userRootWritable(Scenario& s) {
    if (!s.startCorvell()) return;
    HWND viewer = s.typeAndRun(kTypedPath, kTypedTitle);
    s.checkStartRecord(kRecord2k, kTypedPath, kTypedTitle);
    s.closeAndCancel(viewer);
    s.checkStopRecord(kRecord2k, kTypedPath, kTypedTitle);
    check(!exists(std::string(kRecord2k) + ".new"), "no leftover file");
    check(!exists(ownFolder()), "the user's folder is not touched");
    s.checkOffered(kTypedPath, kTypedTitle);
}

// Both files there: the one written last is offered.
void userBothFiles(Scenario& s) {
    age(kRecord2k, 3600);
    s.checkOffered("C:\\own.exe", "Own title");
    age(ownRecord(), 7200);
    s.checkOffered("C:\\root.exe", "Root title");
}

// A viewer that stops answering: the watch goes on (its window is still
// there) and the program stays responsive; when the hung viewer is killed,
// the viewing ends as if it had been closed.
void hungViewer(Scenario& s) {
    s.install("--log C:\\e2e\\viewer.log --hang-after 1500 TV Capture Card");
    if (!s.startCorvell()) return;
    HWND viewer = s.launchedAutomatically(kViewerPath, kViewerTitle);
    Sleep(2500);
    const std::string before = text(s.ctl(kLabel6));
    Sleep(2100);
    check(text(s.ctl(kLabel6)) != before, "the clock line goes on while the viewer hangs");
    DWORD_PTR r = 0;
    check(SendMessageTimeoutW(s.main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r) != 0,
          "the program answers");
    check(waitTop(kCountdown, 100, s.corvell.pid) == nullptr, "a hung window is still a window");
    DWORD pid = windowPid(viewer);
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    TerminateProcess(h, 1);
    CloseHandle(h);
    HWND f1 = waitTop(kCountdown, 3000, s.corvell.pid);
    check(f1 != nullptr, "a crashed viewer ends the viewing");
    s.checkStopRecord(kRecord2k, kViewerPath, kViewerTitle);
    if (f1 != nullptr) {
        bringToFront(f1);
        key(VK_ESCAPE);
        check(waitExit(s.corvell, 3000), "Esc ends the program");
    }
}

// F1 and the help button open the compiled help file; only the button
// pauses the launch countdown.
void help(Scenario& s, bool nine) {
    s.install("--log C:\\e2e\\viewer.log TV Capture Card");
    if (nine) s.setWin98();
    if (!s.startCorvell()) return;
    const std::string helpCaption = "Corvell 帮助";
    bringToFront(s.ctl(kText1));
    key(VK_F1);
    HWND viewer = waitTop(helpCaption, 8000);
    check(viewer != nullptr, "F1 opens the help file");
    check(waitText(s.ctl(kCommand4), "停止 &S", 1500), "F1 does not pause the countdown");
    if (viewer != nullptr) {
        PostMessageW(viewer, WM_CLOSE, 0, 0);
        waitGone(viewer, 3000);
    }
    step(click(s.ctl(kCommand3)), "help button pressed and released");
    HWND again = waitTop(helpCaption, 8000);
    check(again != nullptr, "the help button opens the help file");
    if (again != nullptr) s.shot(again, "help-window");
    checkEq(text(s.ctl(kCommand4)), "开始 &S", "the button paused the countdown");
    const std::string shown = text(s.ctl(kLabel2));
    Sleep(2500);
    checkEq(text(s.ctl(kLabel2)), shown, "the number stays where it was");
    check(findTop(kViewerTitle) == nullptr, "no launch while paused");
    kill(s.corvell);
}

// ------------------------------------------------------------------ checks

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Module names are traced as the system spells them (KERNEL32, user32).
int count(const std::vector<RelayCall>& calls, const std::string& f) {
    int n = 0;
    for (const RelayCall& c : calls) n += lower(c.function) == lower(f);
    return n;
}

// Where the installed corvell.exe lies in memory: a traced call that
// returns there is the program's own, not one a system DLL made for it.
struct Image {
    uintptr_t base = 0;
    uintptr_t size = 0;
    bool holds(uintptr_t at) const { return at >= base && at < base + size; }
};

Image installedImage() {
    const std::string pe = readFile(std::string(kExeDir) + "\\corvell.exe");
    uint32_t nt = 0;
    if (pe.size() < 0x40) return {};
    std::memcpy(&nt, pe.data() + 0x3C, 4);
    if (pe.size() < nt + 0x58) return {};
    uint16_t magic = 0;
    std::memcpy(&magic, pe.data() + nt + 0x18, 2);
    uint64_t base = 0;
    uint32_t size = 0;
    if (magic == 0x20B) {
        std::memcpy(&base, pe.data() + nt + 0x30, 8);  // PE32+ OptionalHeader.ImageBase
    } else {
        uint32_t base32 = 0;
        std::memcpy(&base32, pe.data() + nt + 0x34, 4);  // PE32 OptionalHeader.ImageBase
        base = base32;
    }
    std::memcpy(&size, pe.data() + nt + 0x50, 4);  // OptionalHeader.SizeOfImage
    return {static_cast<uintptr_t>(base), size};
}

// A traced call's arguments as numbers (a string argument counts as 0), so
// that a check reads the same whatever the width Wine prints them in.
std::vector<uint64_t> argValues(const RelayCall& c) {
    std::vector<uint64_t> out;
    for (size_t at = 0; at <= c.args.size();) {
        size_t comma = c.args.find(',', at);
        if (comma == std::string::npos) comma = c.args.size();
        out.push_back(std::strtoull(c.args.substr(at, comma - at).c_str(), nullptr, 16));
        at = comma + 1;
    }
    return out;
}

// The program's window, text, message, file, process and help calls all
// take the one form of its family: ANSI on 95/98/Me, wide on NT.
void checkTextForms(const std::vector<RelayCall>& calls, const std::string& name, bool nine) {
    std::vector<std::string> used{"user32.CreateWindowEx", "user32.SetWindowText",
                                  "user32.GetMessage", "KERNEL32.CreateFile"};
    // Runs that only start and are ended at once may dispatch nothing.
    const bool brief = name == "user-both-files";
    const bool help = name.find("help") != std::string::npos;
    if (!brief) used.push_back("user32.DispatchMessage");
    if (!brief && !help) used.push_back("KERNEL32.CreateProcess");
    if (help) used.push_back("hhctrl.ocx.HtmlHelp");
    const std::string mine = nine ? "A" : "W";
    const std::string other = nine ? "W" : "A";
    for (const std::string& f : used) {
        const int m = count(calls, f + mine);
        const int o = count(calls, f + other);
        check(m > 0 && o == 0, f + mine + " only (" + std::to_string(m) + " calls; " +
                                   std::to_string(o) + " of " + f + other + ")");
    }
}

int countLines(const std::string& log, const std::string& event) {
    int n = 0;
    size_t at = 0;
    while ((at = log.find(event, at)) != std::string::npos) {
        ++n;
        at += event.size();
    }
    return n;
}

int checkAfter(const std::string& name, const std::string& relayPath, const std::string& runOut) {
    const std::string run = readFile(runOut);
    const bool passed = check(run.find("FAIL - ") == std::string::npos, "the run itself passed");
    const bool ended = check(run.find("# run complete") != std::string::npos ||
                                 run.find("# waiting for the shutdown") != std::string::npos,
                             "the run reached its end");
    // What the system saw of a run that went wrong says nothing new.
    if (!passed || !ended) return exitCode();
    const Image image = installedImage();
    const std::string trace = readFile(relayPath);
    std::vector<RelayCall> calls;
    const std::string pids = readFile("C:\\e2e\\corvell.pid");
    for (size_t at = 0, end; (end = pids.find('\n', at)) != std::string::npos; at = end + 1) {
        const auto pid = static_cast<DWORD>(std::stoul(pids.substr(at, end - at)));
        for (RelayCall& c : relayCalls(trace, pid)) {
            if (image.holds(c.ret)) calls.push_back(std::move(c));
        }
    }
    const bool nine = name.compare(0, 9, "family-9x") == 0;
    const std::string postMessage = nine ? "user32.PostMessageA" : "user32.PostMessageW";
    std::string seen;
    for (const RelayCall& c : calls) {
        const std::string f = lower(c.function);
        if (f.find("getmessage") == std::string::npos && f.find("dispatchmessage") == std::string::npos) {
            seen += c.function + "(" + c.args + ") ";
        }
    }
    note("corvell's traced calls, but for its message loop: " + seen);
    checkTextForms(calls, name, nine);
    const std::string bystander = readFile("C:\\e2e\\bystander.log");
    // The runs that reach the shutdown request; in the last two a bystander
    // refuses it, and Esc then ends the program.
    const bool shutdown = name == "evening" || name == "family-9x" || name == "timed-shutdown" ||
                          name == "cancel-esc" || name == "family-9x-timed";
    if (shutdown) {
        checkEq(std::to_string(count(calls, "user32.ExitWindowsEx")), "1",
                 "the shutdown was requested exactly once");
        const RelayCall* exit = nullptr;
        for (const RelayCall& c : calls) {
            if (c.function == "user32.ExitWindowsEx") exit = &c;
        }
        const std::vector<uint64_t> a = exit != nullptr ? argValues(*exit) : std::vector<uint64_t>{};
        check(a == std::vector<uint64_t>{9, 0xFFFFFFFF},
              "ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, 0xFFFFFFFF): " + (exit ? exit->args : ""));
        check(countLines(bystander, "WM_QUERYENDSESSION") >= 1,
              "the session's other programs were asked to end");
    }
    if (name == "evening" || name == "timed-shutdown") {
        std::vector<std::string> order;
        for (const RelayCall& c : calls) {
            if (c.function.compare(0, 9, "advapi32.") == 0 || c.function == "user32.ExitWindowsEx") {
                order.push_back(c.function);
            }
        }
        check(order == std::vector<std::string>{"advapi32.OpenProcessToken",
                                                "advapi32.LookupPrivilegeValueW",
                                                "advapi32.AdjustTokenPrivileges",
                                                "user32.ExitWindowsEx"},
              "the privilege is enabled before the exit request");
        for (const RelayCall& c : calls) {
            if (c.function == "advapi32.OpenProcessToken") {
                const std::vector<uint64_t> a = argValues(c);
                check(a.size() == 3 && a[0] == static_cast<uintptr_t>(-1) && a[1] == 0x28,
                      "token opened with 0x28");
            }
            if (c.function == "advapi32.LookupPrivilegeValueW") {
                check(c.args.find("L\"\"") != std::string::npos &&
                          c.args.find("L\"SeShutdownPrivilege\"") != std::string::npos,
                      "SeShutdownPrivilege looked up on the local system");
            }
            if (c.function == "advapi32.AdjustTokenPrivileges") {
                const std::vector<uint64_t> a = argValues(c);
                check(a.size() == 6 && a[1] == 0 && a[3] == 0x10,
                      "adjusted with disable-all false and buffer length 16");
            }
        }
    }
    if (nine) {
        checkEq(std::to_string(count(calls, "advapi32.OpenProcessToken") +
                                count(calls, "advapi32.LookupPrivilegeValueA") +
                                count(calls, "advapi32.LookupPrivilegeValueW") +
                                count(calls, "advapi32.AdjustTokenPrivileges")),
                 "0", "no privilege call on the 9x family");
    }
    if (name == "family-9x-timed") {
        const std::string viewer = readFile("C:\\e2e\\viewer.log");
        checkEq(std::to_string(countLines(viewer, "WM_CLOSE ignored")), "2", "two requests ignored");
        checkEq(std::to_string(count(calls, postMessage)), "3",
                 "one close request a second until the viewer closed");
    }
    if (name == "timed-shutdown") {
        const std::string viewer = readFile("C:\\e2e\\viewer.log");
        checkEq(std::to_string(countLines(viewer, "WM_CLOSE ignored")), "2", "two requests ignored");
        checkEq(std::to_string(countLines(viewer, "WM_CLOSE\r\n")), "1", "the third one closed it");
        checkEq(std::to_string(count(calls, postMessage)), "3",
                 "one close request a second until the viewer closed");
        note("preset " + readFile("C:\\e2e\\preset.txt") + "; viewer log:\n" + viewer);
    }
    if (name == "cancel-esc" || name == "family-9x-timed") {
        check(countLines(bystander, "WM_QUERYENDSESSION refused") >= 1, "the bystander refused");
    }
    const bool cancelled = name == "cancel-button" || name == "close-button" ||
                           name == "keys" || name == "family-9x-keys";
    if (cancelled) {
        checkEq(std::to_string(count(calls, "user32.ExitWindowsEx")), "0", "no exit request");
        check(countLines(bystander, "WM_QUERYENDSESSION") == 0, "no program was asked to end");
    }
    // Esc is held by each countdown window from its opening, and given
    // back when the close button closes it.
    if (cancelled || name == "cancel-esc" || name == "family-9x-timed") {
        const int runs = name == "keys" ? 3 : name == "family-9x-keys" ? 4 : 1;
        int escapes = 0;
        for (const RelayCall& c : calls) {
            const std::vector<uint64_t> a = argValues(c);
            if (lower(c.function) == "user32.registerhotkey" && a.size() == 4 && a[2] == 0 &&
                a[3] == VK_ESCAPE) {
                ++escapes;
            }
        }
        checkEq(std::to_string(escapes), std::to_string(runs), "Esc registered by each countdown");
        const bool closed = name == "close-button" || name == "family-9x-keys";
        checkEq(std::to_string(count(calls, "user32.UnregisterHotKey")), closed ? "1" : "0",
                 "Esc given back when the close button closes the countdown");
    }
    if (name == "evening") {
        const std::string viewer = readFile("C:\\e2e\\viewer.log");
        checkEq(std::to_string(count(calls, postMessage)), "0",
                 "no close request without timed shutdown");
        checkEq(std::to_string(countLines(viewer, "WM_CLOSE")), "1", "the viewer was closed once, by its user");
    }
    return exitCode();
}

void run(Scenario& s);

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(narrow(wargv[i]));
    LocalFree(wargv);
    if (args.size() >= 5 && args[1] == "check") return checkAfter(args[2], args[3], args[4]);
    if (args.size() < 4 || (args[1] != "run" && args[1] != "prepare")) {
        std::printf("usage: e2e_scenarios run|prepare NAME BUILD | check NAME RELAY RUNOUT\n");
        return 2;
    }
    seconds();
    Scenario s;
    s.name = args[2];
    s.build = args[3];
    if (args[1] == "prepare") {
        prepare(s);
        note("prepared");
        return exitCode();
    }
    try {
        run(s);
    } catch (const StepFailed& f) {
        note("stopped: the step \"" + f.what + "\" failed; the checks after it were not run");
        return exitCode();
    }
    note("run complete");
    return exitCode();
}

namespace {

void run(Scenario& s) {
    if (s.name == "user-root-readonly") userRootReadonly(s);
    else if (s.name == "user-record-inplace") userRecordInplace(s);
    else if (s.name == "user-root-writable") userRootWritable(s);
    else if (s.name == "user-both-files") userBothFiles(s);
    else if (s.name == "evening") evening(s);
    else if (s.name == "family-9x") family9x(s);
    else if (s.name == "timed-shutdown") timedShutdown(s, false);
    else if (s.name == "family-9x-timed") timedShutdown(s, true);
    else if (s.name == "cancel-esc") cancel(s, "esc");
    else if (s.name == "cancel-button") cancel(s, "button");
    else if (s.name == "close-button") cancel(s, "close");
    else if (s.name == "wrong-title") wrongTitle(s);
    else if (s.name == "unwritable-record") unwritableRecord(s);
    else if (s.name == "second-run") secondRun(s);
    else if (s.name == "hung-viewer") hungViewer(s);
    else if (s.name == "keys") keysScenario(s, false);
    else if (s.name == "family-9x-keys") keysScenario(s, true);
    else if (s.name == "help") help(s, false);
    else if (s.name == "family-9x-help") help(s, true);
    else {
        check(false, "unknown scenario " + s.name);
    }
}

}  // namespace
