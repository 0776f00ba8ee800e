#include "platform/win32/text_calls.h"

#include "platform/win32/text_calls_shared.h"

namespace corvell::win32 {

namespace {

const TextCalls* g_chosen = &ansi::kCalls;
const TextCalls* g_calls = g_chosen;

}  // namespace

const TextCalls& calls() { return *g_calls; }

void chooseTextCalls(DWORD version) { useTextCalls((version & 0x80000000u) == 0); }

void useTextCalls(bool wide) {
    static const bool found = wide::load();
    g_chosen = g_calls = wide && found ? &wide::kCalls : &ansi::kCalls;
}

void useTextCalls(const TextCalls* table) { g_calls = table != nullptr ? table : g_chosen; }

}  // namespace corvell::win32
