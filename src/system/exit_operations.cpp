// Log-off and shut-down requests; the shut-down ones switch the power off
// and enable the shutdown privilege first on the NT family, where a
// process needs it. Nobody is at the keyboard: a request that does not
// force every program still ends the hung ones where the system can.
#include "ui/form1.h"

#include <string>

namespace corvell::ui {

namespace {
constexpr uint32_t kEwxLogoff = 0;
constexpr uint32_t kEwxShutdown = 1;
constexpr uint32_t kEwxForce = 4;
// Without it 95/98/Me, 2000 and XP before SP1 stop at "it is now safe to
// turn off your computer".
constexpr uint32_t kEwxPowerOff = 8;
// Windows 2000 and later; without it a program that stops answering holds
// the shutdown until someone comes. NT 4 and 95/98/Me lack it.
constexpr uint32_t kEwxForceIfHung = 0x10;
// Reserved in early versions of the call, the shutdown reason in later ones.
constexpr uint32_t kAllBits = 0xFFFFFFFFu;
constexpr uint32_t kTokenAdjustPrivileges = 0x20;
constexpr uint32_t kTokenQuery = 0x08;
constexpr uint32_t kSePrivilegeEnabled = 2;
constexpr uint32_t kTokenPrivilegesSize = 16;
uint32_t hungEnded(const App& app) {
    return app.osFamily == 1 && app.osMajor >= 5 ? kEwxForceIfHung : 0;
}
}  // namespace

// Each step runs with whatever the earlier ones produced, and the exit
// request follows regardless; only a token that lacks the right is told
// apart, for the window to say so.
bool Form1::EnableShutdownPrivilege() {
    Services& sys = app.sys;
    NativeHandle process = sys.getCurrentProcess();
    NativeHandle token = sys.openProcessToken(process, kTokenAdjustPrivileges + kTokenQuery);
    TokenPrivileges tkp;
    tkp.luid = sys.lookupPrivilegeValue("", "SeShutdownPrivilege");
    tkp.count = 1;
    tkp.attributes = kSePrivilegeEnabled;
    TokenPrivileges previous;
    uint32_t returnLength = 0;
    const uint32_t error =
        sys.adjustTokenPrivileges(token, false, tkp, kTokenPrivilegesSize, previous, returnLength);
    if (token != 0) sys.closeHandle(token);
    return error == kNotAllAssigned;
}

void Form1::requestShutdown(uint32_t flags) {
    privilegeRefused_ = app.osFamily == 1 && EnableShutdownPrivilege();
    exitError_ = app.sys.exitWindowsEx(flags, kAllBits);
}

std::string Form1::whyNotShutDown() const {
    if (privilegeRefused_ || exitError_ == kPrivilegeNotHeld) return "这个用户没有关机的权限。";
    if (exitError_ == 0) return {};
    if (exitError_ == kUnknownError) return "关机请求失败。";
    const std::string text = app.sys.errorText(exitError_);
    if (!text.empty()) return "关机请求失败：" + text;
    return "关机请求失败：错误代码 " + std::to_string(exitError_) + "。";
}

void Form1::cmdLogoff_Click() { app.sys.exitWindowsEx(kEwxLogoff + hungEnded(app), kAllBits); }

void Form1::cmdForceLogoff_Click() { app.sys.exitWindowsEx(kEwxLogoff + kEwxForce, kAllBits); }

void Form1::cmdShutdown_Click() { requestShutdown(kEwxShutdown | kEwxPowerOff | hungEnded(app)); }

void Form1::cmdForceShutdown_Click() { requestShutdown(kEwxShutdown | kEwxForce | kEwxPowerOff); }

}  // namespace corvell::ui
