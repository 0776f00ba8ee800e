#include "platform/win32/wide.h"

namespace corvell::win32 {

namespace {

// Windows 95 has no CP_UTF8, so the program's own text is converted here.
// A byte that starts no well-formed sequence becomes U+FFFD, as it does in
// the system's conversion.
std::wstring fromUtf8(const std::string& s) {
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    std::wstring w;
    w.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t c = len == 1 ? b : len == 2 ? b & 0x1Fu : len == 3 ? b & 0x0Fu : b & 0x07u;
        bool ok = len > 0 && i + len <= s.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3Fu);
        }
        if (ok && (c < kLeast[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        if (!ok) {
            w += L'\xFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            w += static_cast<wchar_t>(0xD800 + (c >> 10));
            w += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            w += static_cast<wchar_t>(c);
        }
        i += len;
    }
    return w;
}

std::string toUtf8(const std::wstring& w) {
    std::string s;
    s.reserve(w.size() * 3);
    for (size_t i = 0; i < w.size(); ++i) {
        char32_t c = w[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // half a pair
        }
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (c >> 18));
            s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return s;
}

}  // namespace

std::wstring widen(const std::string& s, UINT codePage) {
    if (codePage == CP_UTF8) return fromUtf8(s);
    if (s.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string narrow(const std::wstring& w, UINT codePage) {
    if (codePage == CP_UTF8) return toUtf8(w);
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
