#include "common/text.h"

#include <charconv>

namespace corvell {

std::string timeText(const LocalTime& t) {
    return std::to_string(t.year) + "年" + std::to_string(t.month) + "月" + std::to_string(t.day) +
           "日" + std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分" +
           std::to_string(t.second) + "秒";
}

int daysInMonth(int month, int year) {
    switch (month) {
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return year % 4 == 0 ? 29 : 28;
        default:
            return 31;
    }
}

std::optional<int16_t> toInt16(std::string_view s) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    int value = 0;
    const char* end = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(s.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < INT16_MIN || value > INT16_MAX) {
        return std::nullopt;
    }
    return static_cast<int16_t>(value);
}

std::string dropLastChar(std::string_view s) {
    if (s.empty()) return {};
    size_t i = s.size() - 1;
    // Step back over UTF-8 continuation bytes to the lead byte.
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    return std::string(s.substr(0, i));
}

std::string normaliseInput(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c != '"') out += c;
    }
    size_t b = out.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    size_t e = out.find_last_not_of(' ');
    return out.substr(b, e - b + 1);
}

}  // namespace corvell
