// A minimal test harness for the programs that run under Wine: GoogleTest
// needs std::mutex, which mingw's win32 thread model does not have. A
// failed check prints the value it got beside the one it wanted.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace check {

struct Case {
    const char* name;
    std::function<void()> body;
};

// Constant-initialised, so filled safely by other files' static
// initialisers.
inline constinit std::vector<Case> cases;
inline constinit int failures = 0;

inline bool add(const char* name, std::function<void()> body) {
    cases.push_back({name, std::move(body)});
    return true;
}

// A value as a failure shows it: enumerations and handles as numbers,
// lists and optionals by their elements, UTF-16 by its code units.
inline std::string shown(bool v) { return v ? "true" : "false"; }
inline std::string shown(const std::wstring& v) {
    std::ostringstream o;
    for (wchar_t c : v) o << "\\x" << std::hex << static_cast<unsigned>(c);
    return o.str();
}
template <class T>
std::string shown(const T& v) {
    std::ostringstream o;
    if constexpr (std::is_enum_v<T>) {
        o << static_cast<long long>(v);
    } else {
        o << v;
    }
    return o.str();
}
template <class T>
std::string shown(const std::optional<T>& v) {
    return v.has_value() ? shown(*v) : "nothing";
}
template <class T>
std::string shown(const std::vector<T>& v) {
    std::string s = "{";
    for (const T& e : v) s += " " + shown(e);
    return s + " }";
}

inline void fail(const char* file, int line, const std::string& what) {
    std::printf("  FAIL %s:%d: %s\n", file, line, what.c_str());
    ++failures;
}

template <class A, class B, class Op>
void compare(const A& a, const B& b, Op op, const char* opName, const char* as, const char* bs,
             const char* file, int line) {
    if (op(a, b)) return;
    const std::string want = std::string(opName) == "==" ? "" : std::string(opName) + " ";
    fail(file, line, std::string(as) + " " + opName + " " + bs + "\n    got:  " + shown(a) +
                         "\n    want: " + want + shown(b));
}

inline void truth(bool v, const char* s, const char* file, int line) {
    if (!v) fail(file, line, std::string(s) + "\n    got:  false");
}

inline int runAll() {
    int failedCases = 0;
    for (const Case& c : cases) {
        const int before = failures;
        c.body();
        const bool ok = failures == before;
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", c.name);
        std::fflush(stdout);
        if (!ok) ++failedCases;
    }
    std::printf("%zu cases, %d failed\n", cases.size(), failedCases);
    return failedCases == 0 ? 0 : 1;
}

}  // namespace check

#define CHECK_CAT2(a, b) a##b
#define CHECK_CAT(a, b) CHECK_CAT2(a, b)
#define TEST_CASE(name)                                                              \
    static void CHECK_CAT(case_, __LINE__)();                                        \
    static const bool CHECK_CAT(reg_, __LINE__) = check::add(name, CHECK_CAT(case_, __LINE__)); \
    static void CHECK_CAT(case_, __LINE__)()
#define CHECK_OP(a, b, op, name) check::compare((a), (b), op, name, #a, #b, __FILE__, __LINE__)
#define CHECK_EQ(a, b) CHECK_OP(a, b, std::equal_to<>(), "==")
#define CHECK_NE(a, b) CHECK_OP(a, b, std::not_equal_to<>(), "!=")
#define CHECK_GE(a, b) CHECK_OP(a, b, std::greater_equal<>(), ">=")
#define CHECK_LT(a, b) CHECK_OP(a, b, std::less<>(), "<")
#define CHECK_GT(a, b) CHECK_OP(a, b, std::greater<>(), ">")
// A condition that has no other value to show than its truth.
#define CHECK(v) check::truth(static_cast<bool>(v), #v, __FILE__, __LINE__)
