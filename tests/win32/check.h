// A minimal test harness for the programs that run under Wine: GoogleTest
// needs std::mutex, which mingw's win32 thread model does not have.
#pragma once

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace check {

struct Case {
    const char* name;
    std::function<void()> body;
};

inline std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}
inline int& failures() {
    static int n = 0;
    return n;
}

struct Register {
    Register(const char* name, std::function<void()> body) {
        cases().push_back({name, std::move(body)});
    }
};

template <class A, class B>
void equal(const A& a, const B& b, const char* as, const char* bs, const char* file, int line) {
    if (a == b) return;
    std::ostringstream o;
    o << file << ":" << line << ": " << as << " == " << bs << "\n    got:  " << a
      << "\n    want: " << b;
    std::printf("  FAIL %s\n", o.str().c_str());
    ++failures();
}

inline void truth(bool v, const char* s, const char* file, int line) {
    if (v) return;
    std::printf("  FAIL %s:%d: %s\n", file, line, s);
    ++failures();
}

inline int runAll() {
    int failedCases = 0;
    for (const Case& c : cases()) {
        const int before = failures();
        c.body();
        const bool ok = failures() == before;
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", c.name);
        std::fflush(stdout);
        if (!ok) ++failedCases;
    }
    std::printf("%zu cases, %d failed\n", cases().size(), failedCases);
    return failedCases == 0 ? 0 : 1;
}

}  // namespace check

#define CHECK_CAT2(a, b) a##b
#define CHECK_CAT(a, b) CHECK_CAT2(a, b)
#define TEST_CASE(name)                                                              \
    static void CHECK_CAT(case_, __LINE__)();                                        \
    static check::Register CHECK_CAT(reg_, __LINE__)(name, CHECK_CAT(case_, __LINE__)); \
    static void CHECK_CAT(case_, __LINE__)()
#define CHECK_EQ(a, b) check::equal((a), (b), #a, #b, __FILE__, __LINE__)
#define CHECK(v) check::truth(static_cast<bool>(v), #v, __FILE__, __LINE__)
