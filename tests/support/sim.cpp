#include "support/sim.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace corvell::test {

namespace {

// exact: nothing rather than a '?' for a character the target lacks.
std::optional<std::string> convert(const char* to, const char* from, const std::string& in,
                                   bool exact = false) {
    const bool fromUtf8 = std::string(from) == "UTF-8";
    iconv_t cd = iconv_open(to, from);
    // iconv's error value is a pointer made of -1.
    if (cd == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
        throw std::runtime_error("iconv_open");
    }
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

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::string gbk(const std::string& utf8) {
    return *convert("CP936", "UTF-8", utf8);
}

std::string hex(uint64_t v) {
    char buf[24];
    snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

SimClock::SimClock(LocalTime s) {
    using namespace std::chrono;
    const auto start = sys_days{year{s.year} / s.month / s.day} + hours{s.hour} +
                       minutes{s.minute} + seconds{s.second} + milliseconds{s.millisecond};
    base_ = start.time_since_epoch() / 1ms;
}

LocalTime SimClock::now() const {
    using namespace std::chrono;
    const sys_time<milliseconds> t{milliseconds{base_ + ms_ + offset_}};
    const sys_days day = floor<days>(t);
    const year_month_day date{day};
    const hh_mm_ss time{t - day};
    const auto i = [](auto v) { return static_cast<int>(v); };
    return {i(date.year()), i(unsigned{date.month()}), i(unsigned{date.day()}),
            i(time.hours().count()), i(time.minutes().count()), i(time.seconds().count()),
            i(time.subseconds().count())};
}

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

std::vector<std::string> FakeServices::log(const std::vector<std::string>& names) const {
    std::vector<std::string> out;
    for (const Call& c : calls) {
        if (std::find(names.begin(), names.end(), c.name) == names.end()) continue;
        out.push_back(c.name);
        for (const std::string& a : c.args) out.back() += " " + a;
    }
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

bool FakeServices::createFolder(const std::string& path) {
    record("createFolder", {path});
    if (refusingFolders.count(path.substr(0, path.find_last_of('\\')))) return false;
    folders.insert(path);
    return true;
}

std::optional<std::string> FakeServices::toAnsiExact(const std::string& utf8) {
    return convert("CP936", "UTF-8", utf8, true);
}

std::string FakeServices::fromAnsi(const std::string& ansi) {
    return *convert("UTF-8", "CP936", ansi);
}

}  // namespace corvell::test
