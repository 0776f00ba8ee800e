// What the program asks of the operating system. The Win32 implementation
// calls the real functions; tests use a recording implementation that
// answers from a scripted world.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/path.h"
#include "common/text.h"

namespace corvell {

namespace ui {
class Form;
}

// Pointer-wide, as the system's handles are: the process pseudo-handle
// (-1) must survive a round trip on a 64-bit build too.
using WindowHandle = uintptr_t;  // 0: no window
using NativeHandle = uintptr_t;  // process, token; 0: none
static_assert(sizeof(NativeHandle) == sizeof(void*) && sizeof(WindowHandle) == sizeof(void*));

// A record's first line is all that is read, and a path or a title can't
// be longer than this in any code page: no more is ever read of a file.
inline constexpr size_t kMaxRecordRead = size_t{1} << 20;

struct FileContent {
    std::string bytes;  // at most kMaxRecordRead
    uint64_t lastWrite = 0;  // 100 ns since 1601 (UTC); 0: unknown
};

enum class WriteOutcome {
    Written,
    FolderRefused,  // no new file may be made in the folder
    Failed,         // anything else; the old file is as it was
};

enum class StartOutcome {
    Started,
    Failed,
    Declined,  // the user said no when asked to let it run as administrator
};

// The system's error codes that the exit operations tell apart.
inline constexpr uint32_t kNotAllAssigned = 1300;    // ERROR_NOT_ALL_ASSIGNED
inline constexpr uint32_t kPrivilegeNotHeld = 1314;  // ERROR_PRIVILEGE_NOT_HELD
inline constexpr uint32_t kUnknownError = 0xFFFFFFFFu;

// The privilege record of a token adjustment: one entry.
struct TokenPrivileges {
    uint32_t count = 0;
    uint64_t luid = 0;
    uint32_t attributes = 0;
};

class Services {
public:
    virtual ~Services() = default;

    // Clock and system.
    virtual LocalTime now() = 0;
    virtual uint32_t getVersion() = 0;
    // The executable's folder as the system names it ("C:\" for a root).
    virtual std::string exeFolder() = 0;

    // Windows and programs.
    virtual WindowHandle findWindow(const std::string& title) = 0;
    // False when the request could not be posted: no window, or one whose
    // program refuses this one's messages (it runs as administrator).
    virtual bool postClose(WindowHandle w) = 0;
    // Starts a command line shown normally and activated.
    virtual StartOutcome startProgram(const std::string& commandLine) = 0;
    virtual void minimize(ui::Form& f) = 0;
    // Shows a window modeless with no owner, creating it on first use.
    virtual void show(ui::Form& f) = 0;
    // Modal, single OK button, no icon, caption "Corvell".
    virtual void messageBox(const std::string& text) = 0;
    // Ends the program at once; runs no further handler.
    virtual void endProgram() = 0;

    // Exit operations and the shutdown privilege.
    virtual NativeHandle getCurrentProcess() = 0;
    virtual NativeHandle openProcessToken(NativeHandle process, uint32_t access) = 0;
    virtual uint64_t lookupPrivilegeValue(const std::string& systemName,
                                          const std::string& name) = 0;
    // The system's error code: 0 when every privilege was enabled,
    // kNotAllAssigned when the token lacks one.
    virtual uint32_t adjustTokenPrivileges(NativeHandle token, bool disableAll,
                                           const TokenPrivileges& newState, uint32_t bufferLength,
                                           TokenPrivileges& previousState,
                                           uint32_t& returnLength) = 0;
    virtual void closeHandle(NativeHandle h) = 0;
    // 0 when the system took the request, which it then carries out on its
    // own; otherwise its error code (kUnknownError when it gave none).
    virtual uint32_t exitWindowsEx(uint32_t flags, uint32_t reserved) = 0;
    // The system's own words for an error code; empty when it has none.
    virtual std::string errorText(uint32_t code) = 0;

    // Help.
    virtual void keybdEvent(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extra) = 0;
    virtual void htmlHelp(ui::Form& owner, const std::string& path, uint32_t command,
                          uint32_t data) = 0;

    // The record file: bytes in the ANSI code page.
    virtual std::optional<FileContent> readFile(const std::string& path) = 0;
    // Writes a complete new file beside the old one, then puts it in the
    // old one's place.
    virtual WriteOutcome replaceFile(const std::string& path, const std::string& bytes) = 0;
    // Overwrites an existing file where it stands; false when there is
    // none or it can't be written.
    virtual bool rewriteFile(const std::string& path, const std::string& bytes) = 0;
    // The user's own folder for the program's files, whether or not it
    // exists yet; empty where the system names none.
    virtual std::string userDataFolder() = 0;
    // True when the folder exists afterwards.
    virtual bool createFolder(const std::string& path) = 0;
    virtual std::string toAnsi(const std::string& utf8) = 0;
    // The text in the ANSI code page only where every character has its
    // own there; nothing where one would be replaced or approximated.
    virtual std::optional<std::string> toAnsiExact(const std::string& utf8) = 0;
    virtual std::string fromAnsi(const std::string& ansi) = 0;
};

// Process-wide values, set once at start-up.
struct App {
    explicit App(Services& s) : sys(s) {}
    Services& sys;
    int32_t osFamily = 0;  // 0: Windows 95/98/Me, 1: Windows NT
    int32_t osMajor = 0;   // the system's major version: 4 for NT 4 and 95/98/Me
    std::string exeDir;    // as exeFolder names it: "C:\\" for a root
    // Opened by F1 in either window and by the help button.
    std::string helpFile() const { return inFolder(exeDir, "help.chm"); }
};

}  // namespace corvell
