#include "platform/win32/wide.h"

namespace corvell::win32 {

std::wstring widen(const std::string& s, UINT codePage) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string narrow(const std::wstring& w, UINT codePage) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

std::string displayText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    for (size_t i = 0; i < utf8.size(); ++i) {
        out += utf8[i];
        if (utf8[i] == '\r' && (i + 1 == utf8.size() || utf8[i + 1] != '\n')) out += '\n';
    }
    return out;
}

}  // namespace corvell::win32
