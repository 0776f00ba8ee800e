// The services the program asks of Windows, on the real functions.
#pragma once

#include <windows.h>

#include "platform/services.h"
#include "platform/win32/forms.h"

namespace corvell::win32 {

class Win32Services : public Services {
public:
    Win32Services() = default;

    // The program's windows, which the services show and own dialogs by.
    Forms& forms() { return forms_; }

    LocalTime now() override;
    uint32_t getVersion() override;
    std::string exeFolder() override;
    WindowHandle findWindow(const std::string& title) override;
    bool postClose(WindowHandle w) override;
    StartOutcome startProgram(const std::string& commandLine) override;
    void minimize(ui::Form& f) override;
    void show(ui::Form& f) override;
    void messageBox(const std::string& text) override;
    void endProgram() override;
    NativeHandle getCurrentProcess() override;
    NativeHandle openProcessToken(NativeHandle process, uint32_t access) override;
    uint64_t lookupPrivilegeValue(const std::string& systemName, const std::string& name) override;
    uint32_t adjustTokenPrivileges(NativeHandle token, bool disableAll,
                                   const TokenPrivileges& newState, uint32_t bufferLength,
                                   TokenPrivileges& previousState,
                                   uint32_t& returnLength) override;
    void closeHandle(NativeHandle h) override;
    uint32_t exitWindowsEx(uint32_t flags, uint32_t reserved) override;
    std::string errorText(uint32_t code) override;
    void keybdEvent(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extra) override;
    void htmlHelp(ui::Form& owner, const std::string& path, uint32_t command,
                  uint32_t data) override;
    std::optional<FileContent> readFile(const std::string& path) override;
    WriteOutcome replaceFile(const std::string& path, const std::string& bytes) override;
    bool rewriteFile(const std::string& path, const std::string& bytes) override;
    std::string userDataFolder() override;
    bool createFolder(const std::string& path) override;
    std::string toAnsi(const std::string& utf8) override;
    std::optional<std::string> toAnsiExact(const std::string& utf8) override;
    std::string fromAnsi(const std::string& ansi) override;

    // The system's conversion that toAnsiExact makes; a test puts NT 4's
    // in its place, which knows no WC_NO_BEST_FIT_CHARS.
    decltype(&::WideCharToMultiByte) wideCharToMultiByte = ::WideCharToMultiByte;

private:
    Forms forms_;
};

}  // namespace corvell::win32
