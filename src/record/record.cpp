#include "record/record.h"

#include <utility>

namespace corvell::record {

std::string fileName(int32_t osFamily) {
    return osFamily == 0 ? "C:\\dorvanlog9x.txt" : "C:\\dorvanlog2k.txt";
}

std::string userFileName(Services& sys, int32_t osFamily) {
    const std::string dir = sys.userDataFolder();
    if (dir.empty()) return {};
    const std::string name = fileName(osFamily);
    return dir + name.substr(name.find_last_of('\\'));
}

std::string formatLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += '"';
        line += fields[i];
        line += '"';
    }
    line += "\r\n";
    return line;
}

namespace {

// Reads one field from the front of line; nothing at the end of the line
// unless a comma has just announced the field.
std::optional<std::string> nextField(std::string_view& line, bool afterComma) {
    size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i == line.size() && !afterComma) return std::nullopt;
    std::string value;
    if (i < line.size() && line[i] == '"') {
        size_t close = line.find('"', i + 1);
        if (close == std::string_view::npos) close = line.size();
        value = std::string(line.substr(i + 1, close - i - 1));
        i = close + 1 <= line.size() ? close + 1 : line.size();
        // Anything between the closing quote and the comma is dropped.
        size_t comma = line.find(',', i);
        i = comma == std::string_view::npos ? line.size() : comma;
    } else {
        size_t comma = line.find(',', i);
        size_t end = comma == std::string_view::npos ? line.size() : comma;
        value = std::string(line.substr(i, end - i));
        while (!value.empty() && value.back() == ' ') value.pop_back();
        i = end;
    }
    line.remove_prefix(i);
    return value;
}

}  // namespace

std::optional<Defaults> parseDefaults(std::string_view bytes) {
    std::string_view line = bytes.substr(0, bytes.find_first_of("\r\n"));
    // A NUL can't stand in a window text or a command line: such a file is
    // not a record this program wrote.
    if (line.find('\0') != std::string_view::npos) return std::nullopt;
    auto path = nextField(line, false);
    if (!path) return std::nullopt;
    bool comma = !line.empty() && line.front() == ',';
    if (comma) line.remove_prefix(1);
    auto title = nextField(line, comma);
    if (!title) return std::nullopt;
    return Defaults{*path, *title};
}

namespace {

// A complete new file where the folder allows one; where it does not (the
// root of C: for a standard user since Vista), the record itself may still
// be writable.
bool writeAt(Services& sys, const std::string& path, const std::string& line) {
    switch (sys.replaceFile(path, line)) {
        case WriteOutcome::Written:
            return true;
        case WriteOutcome::FolderRefused:
            return sys.rewriteFile(path, line);
        case WriteOutcome::Failed:
            break;
    }
    return false;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::optional<Defaults> defaultsFrom(Services& sys, const std::string& bytes) {
    // Written so when the code page can't hold a character, or saved again
    // so by an editor.
    const bool utf8 = std::string_view(bytes).substr(0, 3) == kUtf8Mark;
    std::optional<Defaults> d = parseDefaults(std::string_view(bytes).substr(utf8 ? 3 : 0));
    if (!d || utf8) return d;
    return Defaults{sys.fromAnsi(d->path), sys.fromAnsi(d->title)};
}

}  // namespace

void write(Services& sys, int32_t osFamily, const std::vector<std::string>& fields) {
    const std::string utf8 = formatLine(fields);
    std::string line;
    if (osFamily == 1) {
        // A character the code page lacks would come back as '?', and the
        // next start-up would look for a title that never matches.
        std::optional<std::string> ansi = sys.toAnsiExact(utf8);
        line = ansi ? *std::move(ansi) : std::string(kUtf8Mark) + utf8;
    } else {
        // On 95/98/Me every text the program has came from the code page.
        line = sys.toAnsi(utf8);
    }
    if (writeAt(sys, fileName(osFamily), line)) return;
    // Not kept where it belongs: kept for this user rather than lost.
    const std::string own = userFileName(sys, osFamily);
    if (own.empty() || !sys.createFolder(own.substr(0, own.find_last_of('\\')))) return;
    writeAt(sys, own, line);
}

std::optional<Defaults> readDefaults(Services& sys, int32_t osFamily) {
    std::optional<FileContent> shared = sys.readFile(fileName(osFamily));
    std::optional<FileContent> own;
    if (const std::string name = userFileName(sys, osFamily); !name.empty()) {
        own = sys.readFile(name);
    }
    // The newer file first; on a tie the one in the root, where people look.
    if (own && (!shared || own->lastWrite > shared->lastWrite)) std::swap(shared, own);
    // A newer file that holds no record (a write cut short) does not hide
    // the older one's.
    for (const std::optional<FileContent>* f : {&shared, &own}) {
        if (!*f) continue;
        if (std::optional<Defaults> d = defaultsFrom(sys, (*f)->bytes)) return d;
    }
    return std::nullopt;
}

}  // namespace corvell::record
