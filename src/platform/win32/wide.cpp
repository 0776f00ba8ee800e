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

std::wstring windowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, w.data(), n + 1);
    w.resize(static_cast<size_t>(n > 0 ? n : 0));
    return w;
}

std::wstring displayText(const std::string& utf8) {
    std::wstring w = widen(utf8);
    std::wstring out;
    out.reserve(w.size() + 2);
    for (size_t i = 0; i < w.size(); ++i) {
        out += w[i];
        if (w[i] == L'\r' && (i + 1 == w.size() || w[i + 1] != L'\n')) out += L'\n';
    }
    return out;
}

}  // namespace corvell::win32
