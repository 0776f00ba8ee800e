// The program is built without exceptions. These stand in for the ones in
// libstdc++, which would bring its whole exception machinery and, with it,
// imports that Windows 95/98/Me lack (rand_s, W functions of the thread
// support). A failure the library would throw for (memory exhausted, a
// length beyond any string) ends the program at once, as an uncaught
// exception would have.
#include <cstdlib>
#include <new>

// Their names are libstdc++'s own, reserved as they are.
// NOLINTBEGIN(bugprone-reserved-identifier)
namespace std {

[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
[[noreturn]] void __throw_bad_function_call() { std::abort(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }

}  // namespace std
// NOLINTEND(bugprone-reserved-identifier)

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    std::abort();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
