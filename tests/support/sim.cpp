#include "support/sim.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace corvell::test {

namespace {

int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalTime civilFromMs(int64_t ms) {
    int64_t days = ms / 86400000;
    int64_t rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    LocalTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rest / 3600000);
    t.minute = static_cast<int>(rest / 60000 % 60);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
}

// exact: nothing rather than a '?' for a character the target lacks.
std::optional<std::string> convert(const char* to, const char* from, const std::string& in,
                                   bool exact) {
    const bool fromUtf8 = std::string(from) == "UTF-8";
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
            if (exact) {
                iconv_close(cd);
                return std::nullopt;
            }
            // Like the system's conversion: an unconvertible character becomes '?'.
            *dst++ = '?';
            --dstLeft;
            ++src;
            --srcLeft;
            while (fromUtf8 && srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
                ++src;
                --srcLeft;
            }
        }
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string convert(const char* to, const char* from, const std::string& in) {
    return *convert(to, from, in, false);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string hex(uint64_t v) {
    char buf[24];
    snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

}  // namespace

std::string gbk(const std::string& utf8) { return convert("CP936", "UTF-8", utf8); }

SimClock::SimClock(LocalTime s)
    : base_(daysFromCivil(s.year, s.month, s.day) * 86400000 +
            ((s.hour * 60 + s.minute) * 60 + s.second) * 1000LL + s.millisecond) {}

LocalTime SimClock::now() const { return civilFromMs(base_ + ms_ + offset_); }

void Scheduler::attach(ui::Form& f) {
    f.setObserver(this);
    for (ui::Timer* t : f.timers()) {
        if (t->enabled()) arm(*t);
    }
}

void Scheduler::arm(ui::Timer& t) { due_[&t] = Due{clock_.ms() + t.interval(), seq_++}; }

void Scheduler::controlChanged(ui::Control& c, ui::Prop p, int) {
    if (c.kind() != ui::Kind::Timer) return;
    auto& t = static_cast<ui::Timer&>(c);
    if (p != ui::Prop::Enabled && p != ui::Prop::Interval) return;
    if (t.enabled()) {
        arm(t);
    } else {
        due_.erase(&t);
    }
}

void Scheduler::at(int64_t ms, std::function<void()> fn) { events_.emplace(ms, std::move(fn)); }

void Scheduler::advance(int64_t ms) {
    const int64_t target = clock_.ms() + ms;
    while (!stopped_) {
        auto next = std::min_element(due_.begin(), due_.end(), [](const auto& a, const auto& b) {
            return a.second.at != b.second.at ? a.second.at < b.second.at
                                              : a.second.seq < b.second.seq;
        });
        const bool haveTimer = next != due_.end() && next->second.at <= target;
        const bool haveEvent = !events_.empty() && events_.begin()->first <= target;
        if (!haveTimer && !haveEvent) break;
        if (haveEvent && (!haveTimer || events_.begin()->first <= next->second.at)) {
            auto ev = events_.begin();
            auto fn = std::move(ev->second);
            clock_.set(std::max(clock_.ms(), ev->first));
            events_.erase(ev);
            fn();
            continue;
        }
        ui::Timer* t = next->first;
        clock_.set(std::max(clock_.ms(), next->second.at));
        next->second = Due{clock_.ms() + t->interval(), seq_++};
        t->tick();
    }
    if (!stopped_) clock_.set(std::max(clock_.ms(), target));
}

bool Scheduler::runUntil(const std::function<bool()>& pred, int64_t maxMs) {
    for (int64_t spent = 0; spent < maxMs && !stopped_; spent += 10) {
        if (pred()) return true;
        advance(10);
    }
    return pred();
}

WindowHandle FakeServices::addWindow(const std::string& title, int closesToIgnore) {
    WindowHandle h = nextHandle_;
    nextHandle_ += 0x10;
    windows.push_back({h, title, closesToIgnore});
    return h;
}

void FakeServices::removeWindow(WindowHandle h) {
    std::erase_if(windows, [h](const Window& w) { return w.handle == h; });
}

bool FakeServices::hasWindow(WindowHandle h) const {
    return std::any_of(windows.begin(), windows.end(),
                       [h](const Window& w) { return w.handle == h; });
}

std::vector<std::string> FakeServices::callNames() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.name);
    return out;
}

int FakeServices::count(const std::string& name) const {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

int FakeServices::indexOf(const std::string& name) const {
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

void FakeServices::record(std::string name, std::vector<std::string> args) {
    calls.push_back({std::move(name), std::move(args)});
}

WindowHandle FakeServices::findWindow(const std::string& title) {
    record("findWindow", {title});
    for (const Window& w : windows) {
        if (lower(w.title) == lower(title)) return w.handle;
    }
    return 0;
}

bool FakeServices::postClose(WindowHandle h) {
    record("postClose", {hex(h)});
    for (Window& w : windows) {
        if (w.handle != h) continue;
        if (w.refusesClose) return false;
        if (w.closesToIgnore > 0) {
            --w.closesToIgnore;
        } else {
            // The viewer closes its window a moment after the request.
            scheduler.at(clock.ms() + 50, [this, h] { removeWindow(h); });
        }
        return true;
    }
    return false;
}

StartOutcome FakeServices::startProgram(const std::string& commandLine) {
    record("startProgram", {commandLine});
    auto it = programs.find(commandLine);
    if (it == programs.end()) return StartOutcome::Failed;
    if (it->second.declined) return StartOutcome::Declined;
    if (!it->second.title.empty()) {
        std::string title = it->second.title;
        scheduler.at(clock.ms() + it->second.delayMs, [this, title] { addWindow(title); });
    }
    return StartOutcome::Started;
}

void FakeServices::minimize(ui::Form& f) {
    minimized.insert(&f);
    record("minimize", {f.name()});
}

void FakeServices::show(ui::Form& f) {
    record("show", {f.name()});
    if (std::find(shown.begin(), shown.end(), &f) == shown.end()) {
        shown.push_back(&f);
        scheduler.attach(f);
    }
}

void FakeServices::messageBox(const std::string& text) {
    record("messageBox", {text});
    messages.push_back(text);
    if (whileMessageBox) whileMessageBox(text);
}

void FakeServices::endProgram() {
    record("endProgram");
    ended = true;
    scheduler.stop();
}

NativeHandle FakeServices::getCurrentProcess() {
    record("getCurrentProcess");
    return 0xFFFFFFFF;
}

NativeHandle FakeServices::openProcessToken(NativeHandle process, uint32_t access) {
    record("openProcessToken", {hex(process), hex(access)});
    return tokenFails ? 0 : 0x44;
}

uint64_t FakeServices::lookupPrivilegeValue(const std::string& systemName,
                                            const std::string& name) {
    record("lookupPrivilegeValue", {systemName, name});
    return privilegeNameFails ? 0 : 0x13;
}

void FakeServices::adjustTokenPrivileges(NativeHandle token, bool disableAll,
                                         const TokenPrivileges& s, uint32_t bufferLength,
                                         TokenPrivileges&, uint32_t&) {
    record("adjustTokenPrivileges", {hex(token), disableAll ? "1" : "0", std::to_string(s.count),
                                     hex(s.luid), std::to_string(s.attributes),
                                     std::to_string(bufferLength)});
}

void FakeServices::closeHandle(NativeHandle h) { record("closeHandle", {hex(h)}); }

void FakeServices::exitWindowsEx(uint32_t flags, uint32_t reserved) {
    record("exitWindowsEx", {std::to_string(flags), hex(reserved)});
}

void FakeServices::keybdEvent(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extra) {
    record("keybdEvent", {hex(vk), std::to_string(scan), std::to_string(flags),
                          std::to_string(extra)});
}

void FakeServices::htmlHelp(ui::Form& owner, const std::string& path, uint32_t command,
                            uint32_t data) {
    record("htmlHelp", {owner.name(), path, std::to_string(command), std::to_string(data)});
}

std::optional<FileContent> FakeServices::readFile(const std::string& path) {
    record("readFile", {path});
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    // As the real reader: never more than the first MiB.
    return FileContent{it->second.substr(0, kMaxRecordRead), lastWrite[path]};
}

WriteOutcome FakeServices::replaceFile(const std::string& path, const std::string& bytes) {
    record("replaceFile", {path});
    if (refusingFolders.count(path.substr(0, path.find_last_of('\\')))) {
        return WriteOutcome::FolderRefused;
    }
    if (unwritable.count(path)) return WriteOutcome::Failed;
    files[path] = bytes;
    lastWrite[path] = ++writeClock;
    return WriteOutcome::Written;
}

bool FakeServices::rewriteFile(const std::string& path, const std::string& bytes) {
    record("rewriteFile", {path});
    if (!files.count(path) || unwritable.count(path)) return false;
    files[path] = bytes;
    lastWrite[path] = ++writeClock;
    return true;
}

std::string FakeServices::userDataFolder() {
    return localAppData.empty() ? std::string() : localAppData + "\\Corvell";
}

bool FakeServices::createFolder(const std::string& path) {
    record("createFolder", {path});
    if (refusingFolders.count(path.substr(0, path.find_last_of('\\')))) return false;
    folders.insert(path);
    return true;
}

std::string FakeServices::toAnsi(const std::string& utf8) { return convert("CP936", "UTF-8", utf8); }

std::optional<std::string> FakeServices::toAnsiExact(const std::string& utf8) {
    return convert("CP936", "UTF-8", utf8, true);
}

std::string FakeServices::fromAnsi(const std::string& ansi) {
    return convert("UTF-8", "CP936", ansi);
}

}  // namespace corvell::test
