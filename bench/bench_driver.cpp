// Measures corvell.exe and the two baseline programs under Wine; run by
// run.sh, which reads CPU time and memory from the host side. KIND is
// corvell, baseline (the watching alone) or baseline_clock (the watching
// and the clock line, minimised while watching).
//
//   bench_driver install BUILD          programs and a stand-in viewer into C:
//   bench_driver startup KIND N         start-up to the first paint
//   bench_driver watch KIND SECONDS     a viewer watched for SECONDS
//   bench_driver latency KIND N         viewer closed -> stop record on disk
//   bench_driver road                   start-up to the shutdown request
//   bench_driver ticks                  the baseline ticking for 12.5 s
//   bench_driver timing KIND RELAY PID  the program's own timing from a relay trace
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "driver.h"
#include "ui/control_ids.h"
#include "ui/form0.h"
#include "ui/form1.h"

namespace {

using namespace e2e;

constexpr const char* kCorvell = "C:\\bench\\corvell.exe";
constexpr const char* kBaseline = "C:\\bench\\baseline.exe";
constexpr const char* kBaselineClock = "C:\\bench\\baseline_clock.exe";
constexpr const char* kViewer = "C:\\bench\\viewer.exe";
constexpr const char* kTitle = "Bench Viewer";

double now() {  // ms
    return seconds() * 1000.0;
}

void summary(const std::string& what, std::vector<double> v) {
    if (v.empty()) {
        std::printf("%s: n=0\n", what.c_str());
        std::fflush(stdout);
        return;
    }
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v) sum += x;
    std::printf("%s: n=%zu median=%.1f min=%.1f max=%.1f mean=%.1f ms\n", what.c_str(), v.size(),
                v[v.size() / 2], v.front(), v.back(), sum / static_cast<double>(v.size()));
    std::fflush(stdout);
}

std::string caption(const std::string& kind) {
    if (kind == "corvell") return corvell::ui::kMainCaption;
    return kind == "baseline_clock" ? "Baseline clock" : "Baseline";
}

Process startProgram(const std::string& kind) {
    if (kind == "corvell") return start(std::string("\"") + kCorvell + "\"");
    const char* exe = kind == "baseline_clock" ? kBaselineClock : kBaseline;
    return start(std::string("\"") + exe + "\" " + kTitle);
}

void stop(Process& p) {
    kill(p);
    Sleep(200);
}

// The record points corvell at the stand-in viewer.
void pointAtViewer() {
    writeFile("C:\\dorvanlog2k.txt", std::string("\"") + kViewer + "\",\"" + kTitle + "\"\r\n");
}

int install(const std::string& build) {
    CreateDirectoryW(L"C:\\bench", nullptr);
    CopyFileW(widen(build + "\\corvell.exe").c_str(), widen(kCorvell).c_str(), FALSE);
    CopyFileW(widen(build + "\\bench\\baseline.exe").c_str(), widen(kBaseline).c_str(), FALSE);
    CopyFileW(widen(build + "\\bench\\baseline_clock.exe").c_str(), widen(kBaselineClock).c_str(),
              FALSE);
    CopyFileW(widen(build + "\\tests\\e2e\\stub_viewer.exe").c_str(), widen(kViewer).c_str(),
              FALSE);
    writeFile("C:\\bench\\viewer.args", kTitle);
    pointAtViewer();
    return 0;
}

int startup(const std::string& kind, int n) {
    std::vector<double> visible, idle;
    for (int i = 0; i < n; ++i) {
        const double t0 = now();
        Process p = startProgram(kind);
        HWND w = waitTop(caption(kind), 10000, p.pid);
        const double t1 = now();
        WaitForInputIdle(p.handle, 10000);
        const double t2 = now();
        if (w != nullptr) {
            visible.push_back(t1 - t0);
            idle.push_back(t2 - t0);
        }
        stop(p);
    }
    summary("startup " + kind + " to window shown", visible);
    summary("startup " + kind + " to first paint done (input idle)", idle);
    return 0;
}

// Started and watching the viewer; the caller measures meanwhile.
bool watching(const std::string& kind, Process& p, Process& viewer) {
    if (kind == "corvell") {
        pointAtViewer();
        p = startProgram(kind);
        HWND main = waitTop(corvell::ui::kMainCaption, 10000, p.pid);
        if (main == nullptr) return false;
        PostMessageW(control(main, corvell::ui::ids::form0::Command1), BM_CLICK, 0, 0);
        return waitUntil([&] { return minimized(main); }, 5000, "watching");
    }
    viewer = start(std::string("\"") + kViewer + "\"");
    waitTop(kTitle, 5000);
    p = startProgram(kind);
    HWND main = waitTop(caption(kind), 10000, p.pid);
    if (main == nullptr) return false;
    // Like corvell, the clock yardstick watches minimised.
    if (kind == "baseline_clock" && !waitUntil([&] { return minimized(main); }, 5000, "watching")) {
        return false;
    }
    Sleep(1500);  // its first ticks have seen the viewer
    return true;
}

int watch(const std::string& kind, int seconds) {
    Process p, viewer;
    if (!watching(kind, p, viewer)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    std::printf("done\n");
    std::fflush(stdout);
    stop(p);
    HWND v = findTop(kTitle);
    if (v != nullptr) PostMessageW(v, WM_CLOSE, 0, 0);
    return 0;
}

int latency(const std::string& kind, int n) {
    std::mt19937 rng(42);
    std::vector<double> samples;
    const std::string file =
        kind == "corvell" ? "C:\\dorvanlog2k.txt" : "C:\\bench\\baseline-stop.txt";
    for (int i = 0; i < n; ++i) {
        DeleteFileW(L"C:\\bench\\baseline-stop.txt");
        Process p, viewer;
        if (!watching(kind, p, viewer)) {
            // Its viewer would be watched by the next sample's program.
            stop(p);
            if (HWND v = findTop(kTitle)) PostMessageW(v, WM_CLOSE, 0, 0);
            waitNoTop(kTitle, 3000);
            continue;
        }
        // Any moment within the watch tick's period.
        Sleep(std::uniform_int_distribution<DWORD>(0, 999)(rng));
        HWND v = findTop(kTitle);
        const double t0 = now();
        PostMessageW(v, WM_CLOSE, 0, 0);
        const bool ok = waitUntil(
            [&] {
                const std::string r = readFile(file);
                if (kind != "corvell") return !r.empty();
                return std::count(r.begin(), r.end(), '"') == 8;
            },
            5000, "stop record");
        const double t1 = now();
        if (ok) samples.push_back(t1 - t0);
        stop(p);
        waitNoTop(kTitle, 3000);
    }
    summary("latency " + kind + " viewer closed to stop record on disk", samples);
    return 0;
}

// The baseline's ticks for a while, for its timing from a relay trace.
int ticks() {
    Process p = start(std::string("\"") + kBaseline + "\" Nothing To Watch");
    std::printf("pid %lu\n", p.pid);
    std::fflush(stdout);
    Sleep(12500);
    stop(p);
    return 0;
}

int road() {
    pointAtViewer();
    Process p = startProgram("corvell");
    std::printf("pid %lu\n", p.pid);
    std::fflush(stdout);
    HWND main = waitTop(corvell::ui::kMainCaption, 10000, p.pid);
    HWND v = waitTop(kTitle, 20000);
    waitUntil([&] { return minimized(main); }, 5000, "watching");
    Sleep(1500);
    PostMessageW(v, WM_CLOSE, 0, 0);
    HWND f1 = waitTop(corvell::ui::kCountdownCaption, 5000, p.pid);
    waitUntil([&] { return text(f1) == "正在关机…"; }, 30000, "shutting down");
    std::printf("requested\n");
    std::fflush(stdout);
    waitExit(p, 20000);
    return 0;
}

int timing(const std::string& kind, const std::string& relayPath, DWORD pid) {
    const std::vector<RelayCall> cs = relayCalls(readFile(relayPath), pid);
    double shown = -1, launched = -1, minimizedAt = -1, form1 = -1, exitAt = -1;
    int ticks = 0;
    double eleventh = -1;
    for (const RelayCall& c : cs) {
        if (c.function == "user32.ShowWindow") {
            const std::string cmd = c.args.substr(c.args.find(',') + 1);
            if (shown < 0) {
                shown = c.at;
            } else if (cmd == "00000006") {
                minimizedAt = c.at;
            } else if (minimizedAt >= 0 && form1 < 0) {
                form1 = c.at;
            }
        } else if (c.function.ends_with(".CreateProcessW") && launched < 0) {
            launched = c.at;
        } else if (c.function == "user32.ExitWindowsEx") {
            exitAt = c.at;
        } else if (c.function == "user32.FindWindowW" && ++ticks == 11) {
            eleventh = c.at;
        }
    }
    if (kind == "corvell") {
        std::printf("timing corvell launch after main window shown: %.3f s\n", launched - shown);
        std::printf("timing corvell exit request after countdown window shown: %.3f s\n",
                    exitAt - form1);
    } else {
        std::printf("timing baseline 11th 1-s tick after window shown: %.3f s\n", eleventh - shown);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    now();
    std::vector<std::string> a(argv, argv + argc);
    if (a.size() >= 3 && a[1] == "install") return install(a[2]);
    if (a.size() >= 4 && a[1] == "startup") return startup(a[2], std::stoi(a[3]));
    if (a.size() >= 4 && a[1] == "watch") return watch(a[2], std::stoi(a[3]));
    if (a.size() >= 4 && a[1] == "latency") return latency(a[2], std::stoi(a[3]));
    if (a.size() >= 2 && a[1] == "road") return road();
    if (a.size() >= 2 && a[1] == "ticks") return ticks();
    if (a.size() >= 5 && a[1] == "timing") {
        return timing(a[2], a[3], static_cast<DWORD>(std::stoul(a[4])));
    }
    std::printf("usage: see the head of bench_driver.cpp\n");
    return 2;
}
