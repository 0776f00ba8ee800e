// Simulated time and a recording, scripted world for the core's tests.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/services.h"
#include "ui/controls.h"

namespace corvell::test {

// Virtual milliseconds on a local calendar starting at a given moment.
class SimClock {
public:
    explicit SimClock(LocalTime start);
    LocalTime now() const;
    int64_t ms() const { return ms_; }
    void set(int64_t ms) { ms_ = ms; }
    // Moves the calendar itself, as a user or the network adjusting the
    // clock would; timers do not notice.
    void jump(int64_t deltaMs) { offset_ += deltaMs; }

private:
    int64_t base_;  // ms since 1970-01-01 of the start moment
    int64_t ms_ = 0;
    int64_t offset_ = 0;
};

// Fires the timers of attached forms in virtual time. Due ties go to the
// timer armed first, as window timers do.
class Scheduler : public ui::Observer {
public:
    explicit Scheduler(SimClock& clock) : clock_(clock) {}
    void attach(ui::Form& f);
    // Runs every tick that falls due up to now + ms; may be called again
    // from inside a handler (a modal box lets other timers tick).
    void advance(int64_t ms);
    // Runs until pred holds or the time is used up; true when it held.
    bool runUntil(const std::function<bool()>& pred, int64_t maxMs);
    // A world event (a window appearing, the user closing the viewer) at a
    // virtual time; it runs before timers due at the same moment.
    void at(int64_t ms, std::function<void()> fn);
    void stop() { stopped_ = true; }

    void controlChanged(ui::Control& c, ui::Prop p, int index) override;
    void formCaptionChanged(ui::Form&) override {}

private:
    struct Due {
        int64_t at;
        uint64_t seq;
    };
    void arm(ui::Timer& t);
    SimClock& clock_;
    std::map<ui::Timer*, Due> due_;
    std::multimap<int64_t, std::function<void()>> events_;
    uint64_t seq_ = 0;
    bool stopped_ = false;
};

// Code page 936 conversions for expectations in tests.
std::string gbk(const std::string& utf8);
// "0x" and upper-case hex digits, as calls are recorded.
std::string hex(uint64_t v);

// What the system reports as its version: the NT family's, and Windows
// 98's with the bit that marks the 95/98/Me family.
inline constexpr uint32_t kVersionNt = 0x1DB10106;
inline constexpr uint32_t kVersion9x = 0xC0000A04;

struct Call {
    std::string name;
    std::vector<std::string> args;
};

class FakeServices : public Services {
public:
    explicit FakeServices(LocalTime start) : clock(start), scheduler(clock) {}

    SimClock clock;
    Scheduler scheduler;

    // The scripted world.
    uint32_t version = kVersionNt;
    std::string folder = "C:\\Program Files\\Corvell";
    std::map<std::string, std::string> files;
    // Last-write stamps of the files; a write stamps its file with the
    // next tick of writeClock. A file set up by a test without one has 0.
    std::map<std::string, uint64_t> lastWrite;
    uint64_t writeClock = 1000;
    // Files that can be read but not written (locked, read-only).
    std::set<std::string> unwritable;
    // Folders where no new file may be made, as the root of C: for a
    // standard user.
    std::set<std::string> refusingFolders;
    // The user's local application-data folder; empty: the system has none.
    std::string localAppData = "C:\\Users\\Viewer\\AppData\\Local";
    std::set<std::string> folders;  // made by createFolder
    struct Window {
        WindowHandle handle;
        std::string title;
        int closesToIgnore = 0;
        bool refusesClose = false;  // its program runs as administrator
    };
    std::vector<Window> windows;
    // What a start does; by default it fails unless the command line is in
    // programs, which maps it to the title of the window it opens after
    // delayMs (no title: no window).
    struct Program {
        std::string title;
        int64_t delayMs = 0;
        bool declined = false;  // the user says no when asked for administrator rights
    };
    std::map<std::string, Program> programs;
    // Runs while a message box is up, as the user takes time to read it.
    std::function<void(const std::string&)> whileMessageBox;

    std::vector<Call> calls;
    std::vector<std::string> messages;
    bool ended = false;

    WindowHandle addWindow(const std::string& title, int closesToIgnore = 0);
    void removeWindow(WindowHandle h);
    bool hasWindow(WindowHandle h) const;
    std::vector<std::string> callNames() const;
    // The calls with these names, in order, each as "name arg arg".
    std::vector<std::string> log(const std::vector<std::string>& names) const;
    int count(const std::string& name) const;
    // Index of the first call with this name, or -1.
    int indexOf(const std::string& name) const;

    // Services: each call is recorded, then answered from the world.
    LocalTime now() override { return clock.now(); }
    uint32_t getVersion() override { return version; }
    std::string exeFolder() override { return folder; }
    WindowHandle findWindow(const std::string& title) override;
    bool postClose(WindowHandle h) override;
    StartOutcome startProgram(const std::string& commandLine) override;
    void minimize(ui::Form& f) override {
        minimized.insert(&f);
        record("minimize", {f.name()});
    }
    void show(ui::Form& f) override;
    void messageBox(const std::string& text) override;
    void endProgram() override {
        record("endProgram");
        ended = true;
        scheduler.stop();
    }
    NativeHandle getCurrentProcess() override {
        record("getCurrentProcess");
        return 0xFFFFFFFF;
    }
    NativeHandle openProcessToken(NativeHandle process, uint32_t access) override {
        record("openProcessToken", {hex(process), hex(access)});
        return tokenFails ? 0 : 0x44;
    }
    uint64_t lookupPrivilegeValue(const std::string& systemName, const std::string& name) override {
        record("lookupPrivilegeValue", {systemName, name});
        return privilegeNameFails ? 0 : 0x13;
    }
    uint32_t adjustTokenPrivileges(NativeHandle token, bool disableAll, const TokenPrivileges& s,
                                   uint32_t bufferLength, TokenPrivileges&, uint32_t&) override {
        record("adjustTokenPrivileges",
               {hex(token), disableAll ? "1" : "0", std::to_string(s.count), hex(s.luid),
                std::to_string(s.attributes), std::to_string(bufferLength)});
        return adjustError;
    }
    void closeHandle(NativeHandle h) override { record("closeHandle", {hex(h)}); }
    uint32_t exitWindowsEx(uint32_t flags, uint32_t reserved) override {
        record("exitWindowsEx", {std::to_string(flags), hex(reserved)});
        return exitError;
    }
    std::string errorText(uint32_t code) override {
        auto it = errorTexts.find(code);
        return it == errorTexts.end() ? std::string() : it->second;
    }
    void keybdEvent(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extra) override {
        record("keybdEvent",
               {hex(vk), std::to_string(scan), std::to_string(flags), std::to_string(extra)});
    }
    void htmlHelp(ui::Form& owner, const std::string& path, uint32_t command,
                  uint32_t data) override {
        record("htmlHelp", {owner.name(), path, std::to_string(command), std::to_string(data)});
    }
    std::optional<FileContent> readFile(const std::string& path) override;
    WriteOutcome replaceFile(const std::string& path, const std::string& bytes) override;
    bool rewriteFile(const std::string& path, const std::string& bytes) override;
    std::string userDataFolder() override {
        return localAppData.empty() ? std::string() : localAppData + "\\Corvell";
    }
    bool createFolder(const std::string& path) override;
    // Code page 936 through iconv, so record bytes are the real ones.
    std::string toAnsi(const std::string& utf8) override { return gbk(utf8); }
    std::optional<std::string> toAnsiExact(const std::string& utf8) override;
    std::string fromAnsi(const std::string& ansi) override;

    bool tokenFails = false;
    bool privilegeNameFails = false;
    uint32_t adjustError = 0;  // kNotAllAssigned: the token lacks the privilege
    uint32_t exitError = 0;    // the exit request refused with this code
    std::map<uint32_t, std::string> errorTexts;  // the system's words for them
    std::set<ui::Form*> minimized;
    std::vector<ui::Form*> shown;

private:
    void record(std::string name, std::vector<std::string> args = {});
    WindowHandle nextHandle_ = 0x10010;
};

}  // namespace corvell::test
