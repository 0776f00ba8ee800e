// The services the program asks of Windows, on the real functions.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "platform/services.h"
#include "platform/win32/native_form.h"

namespace corvell::win32 {

class Win32Services : public Services {
public:
    Win32Services() = default;

    // Realises a form as a native window (hidden) on first use.
    NativeForm& realise(ui::Form& f);
    NativeForm* native(const ui::Form& f) const;
    // The window that owns message boxes and help.
    void setMainForm(ui::Form& f) { main_ = &f; }

    // Key preview, then the dialog manager (Tab, access keys) for the
    // program's windows; true when the message was handled.
    bool preTranslate(MSG& msg);
    // The message loop; returns the exit code.
    int run();

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

private:
    HWND mainWindow() const;

    std::map<const ui::Form*, std::unique_ptr<NativeForm>> forms_;
    ui::Form* main_ = nullptr;
};

}  // namespace corvell::win32
