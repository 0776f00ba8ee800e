#include "platform/win32/running_copy.h"

namespace corvell::win32 {

namespace {

// A kernel object's name is ASCII here whatever the user's name is: the
// name's UTF-8 bytes in hexadecimal. Without a "Global\" prefix it lies in
// the logged-on session's own namespace (NT with Terminal Services).
std::string objectName(const std::string& user) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = "Corvell.RunningCopy.";
    for (const char c : user) {
        const auto b = static_cast<unsigned char>(c);
        name += kHex[b >> 4];
        name += kHex[b & 15];
    }
    return name;
}

}  // namespace

RunningCopy::RunningCopy(const std::string& user) {
    const std::string name = objectName(user);
    // The last error says whether it existed: nothing may come between.
    // cppcheck-suppress useInitializationList
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(LONG_PTR), name.c_str());
    // Nothing to share: this copy runs as if alone.
    if (mapping_ == nullptr) return;
    second_ = GetLastError() == ERROR_ALREADY_EXISTS;
    shared_ = static_cast<volatile LONG_PTR*>(
        MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(LONG_PTR)));
}

RunningCopy::~RunningCopy() {
    if (shared_ != nullptr) UnmapViewOfFile(const_cast<LONG_PTR*>(shared_));
    if (mapping_ != nullptr) CloseHandle(mapping_);
}

bool RunningCopy::bringFirstForward() const {
    HWND first = shared_ != nullptr ? reinterpret_cast<HWND>(*shared_) : nullptr;
    if (first == nullptr || !IsWindow(first)) return false;
    if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
    SetForegroundWindow(first);
    return true;
}

void RunningCopy::announce(HWND main) {
    if (shared_ != nullptr && !second_) *shared_ = reinterpret_cast<LONG_PTR>(main);
}

}  // namespace corvell::win32
