// Drives a running program through its real windows, the way a person would:
// real mouse clicks and keystrokes via SendInput, results read back from the
// controls. All text in and out is UTF-8. Timeouts are in milliseconds.
#pragma once

#include <windows.h>

#include <concepts>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// UTF-8 by default; code page 936 for the bytes of an ANSI program's files.
std::wstring widen(std::string_view text, UINT codePage = CP_UTF8);
std::string narrow(std::wstring_view wide, UINT codePage = CP_UTF8);
std::string joined(const std::vector<std::string>& words, std::string_view sep = " ");

// ---- time ------------------------------------------------------------------
double seconds();  // since the first call, for measuring
// The time this many seconds from now (negative: ago).
FILETIME fileTimeIn(int fromNow);
SYSTEMTIME localTimeIn(int fromNow);

// ---- processes and files ---------------------------------------------------
struct Process {
    HANDLE handle = nullptr;
    DWORD pid = 0;
};
// CreateProcessW on a whole command line; handle null on failure.
Process start(std::string_view commandLine, std::string_view directory = {});
bool waitExit(const Process& p, int timeoutMs, DWORD* code = nullptr);
// "ended" once p has ended within timeoutMs ("ended with 0", with its exit
// code, when asked), else "running": for a check to compare.
std::string waitEnd(const Process& p, int timeoutMs, bool withCode = false);
void kill(Process& p);  // TerminateProcess if still running, then closes the handle
std::string exePath();  // this program's
std::string readFile(std::string_view path);  // whole file as bytes; "" if missing
bool writeFile(std::string_view path, std::string_view bytes);  // replaces the file

// ---- checks: "ok - ..." / "FAIL - ..." on stdout ----------------------------
// A failed check says what it got beside what was wanted, in a "#" line
// before its FAIL line; got is what was seen (a state, a time, a count).
bool check(bool cond, std::string_view what, std::string_view got);
bool checkEq(std::string_view actual, std::string_view expected, std::string_view what);
bool checkEq(int actual, int expected, std::string_view what);
template <std::same_as<bool> Bool>
bool checkEq(Bool actual, Bool expected, std::string_view what) {
    return checkEq(std::string_view(actual ? "true" : "false"), expected ? "true" : "false", what);
}
// A time in seconds from low to high.
bool checkWithin(double seconds, double low, double high, std::string_view what);
// A window that was to be found, or none that was not to be: a failure
// says which window it found, or that it found none.
bool checkFound(HWND w, std::string_view what);
bool checkNone(HWND w, std::string_view what);
// Waits up to timeoutMs for w to show expected, then checks what it shows.
bool checkText(HWND w, std::string_view expected, int timeoutMs, std::string_view what);
void note(std::string_view line);  // "# ..." diagnostic line
int exitCode();                    // for return from main: 0 only if nothing failed

// ---- steps -----------------------------------------------------------------
// An action the rest of a scenario depends on (a click that opens a list, a
// text typed into a box). When it fails even after its retries, step()
// prints "FAIL - step: ..." and throws StepFailed; the scenario stops there
// with that one failure, instead of driving on with wrong input and
// failing checks that say nothing of why.
struct StepFailed {
    std::string what;
};
void step(bool ok, std::string_view what);
// Does act, then waits up to timeoutMs for pred (a timeout says what `last`
// says, as in waitUntil); again, at most tries times. For the input that
// sets a test up: the input whose effect is the behaviour under test is
// given once, or a retry could hide a key that has to be pressed twice.
bool actUntil(const std::function<void()>& act, const std::function<bool()>& pred,
              std::string_view what, int tries = 3, int timeoutMs = 2000,
              const std::function<std::string()>& last = {});

// ---- waiting ---------------------------------------------------------------
// Polls pred every few ms until it holds. On timeout prints "# timeout ..." with
// `what` and, if given, what `last` says about the state seen last.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs, std::string_view what,
               const std::function<std::string()>& last = {});

// ---- windows ---------------------------------------------------------------
// Waits until find() returns a window, and returns that (null on timeout).
HWND waitFor(const std::function<HWND()>& find, int timeoutMs, std::string_view what);
// Top-level window with exactly this caption; pid 0 means any process.
HWND findTop(std::string_view caption, DWORD pid = 0);
// Waits for a *visible* one: a window is findable before it has been filled
// with controls and shown.
HWND waitTop(std::string_view caption, int timeoutMs, DWORD pid = 0);
std::vector<HWND> allTop(std::string_view caption, DWORD pid = 0);  // front to back
bool waitGone(HWND w, int timeoutMs);                               // window destroyed
bool waitNoTop(std::string_view caption, int timeoutMs, DWORD pid = 0);
HWND control(HWND parent, int id);  // GetDlgItem

std::string text(HWND w);  // WM_GETTEXT; "" if the window does not answer
// "no window", or its class and caption: for a check to say what it found.
std::string describe(HWND w);
bool enabled(HWND w);
bool visible(HWND w);
bool minimized(HWND w);  // IsIconic
bool checked(HWND w);    // BM_GETCHECK == BST_CHECKED
DWORD windowPid(HWND w);
DWORD windowTid(HWND w);

bool waitText(HWND w, std::string_view expected, int timeoutMs);
bool waitEnabled(HWND w, bool expected, int timeoutMs);

// ---- acting like a person --------------------------------------------------
// Brings w's top-level window to the foreground and waits until it is there.
bool bringToFront(HWND w, int timeoutMs = 2000);
// Left click at w's centre. False, with a note, if its window is minimised
// or the spot stays covered by another one.
bool click(HWND w);
void type(std::string_view utf8);            // into whatever has the keyboard focus
void key(WORD vk);                           // press and release one key
void keys(std::initializer_list<WORD> vks);  // combination, e.g. keys({VK_MENU, 'S'})
// Focuses w with a click and waits until it has the keyboard focus;
// clicks again, up to three times.
bool focusByClick(HWND w, int timeoutMs = 2000);
// Replaces an edit box's text by typing, as a person would: focuses it by
// a click, selects what is there, types, and checks that the box shows
// exactly the text; again from the click, up to three times.
bool typeInto(HWND edit, std::string_view utf8);
// Focuses w with the Tab key, from wherever the focus is in its window, as
// a person who does not touch the mouse would.
bool focusByTab(HWND w);
// The control that has the keyboard focus in w's thread, or null.
HWND focused(HWND w);
// The first visible top-level window, or visible child of parent, that
// match takes.
HWND findVisible(const std::function<bool(HWND)>& match, HWND parent = nullptr);
// The visible top-level window of a class in a process (pid 0: any).
HWND findTopClass(std::string_view className, DWORD pid = 0);

enum class Pick { Mouse, Keyboard };
// Drops the combo's list with a click and chooses item `index` in it, by
// clicking the item or with arrow keys and Enter. True once the combo shows
// it; a list that does not drop, or a choice that does not take, is tried
// again (three times in all).
bool choose(HWND combo, int index, Pick how = Pick::Mouse, int timeoutMs = 3000);

// ---- message boxes ---------------------------------------------------------
// Dialog of class #32770 with exactly this caption; pid/tid 0 mean any.
HWND findMessageBox(std::string_view caption, DWORD pid = 0, DWORD tid = 0);
HWND waitMessageBox(std::string_view caption, int timeoutMs, DWORD pid = 0, DWORD tid = 0);
std::string messageText(HWND box);  // its static, ID 0xFFFF
// Clicks the button with this ID and waits for the box to close; clicks
// again, up to three times.
bool pressButton(HWND box, int id = IDOK, int timeoutMs = 3000);

// ---- Wine's relay trace ----------------------------------------------------
// A call traced with WINEDEBUG=+pid,+relay (and +timestamp for `at`).
struct RelayCall {
    double at = 0;         // seconds, when traced with +timestamp
    std::string function;  // "user32.ExitWindowsEx"
    std::string args;      // as traced, without the parentheses
    uintptr_t ret = 0;     // where the call returns to: which module made it
};
// The traced calls of one process, in order.
std::vector<RelayCall> relayCalls(std::string_view trace, DWORD pid);

// ---- pictures --------------------------------------------------------------
// Writes what the screen shows of w (frame included) as a 24-bit BMP.
bool screenshot(HWND w, std::string_view bmpPath);

}  // namespace e2e
