// The standard library's refusals (an index out of range, a length beyond the maximum, an
// empty std::function called) are thrown from functions the library defines with message
// formatting that pulls a printf engine and locale tables into the executable. None is
// ever expected here, and nothing catches them by type: each is thrown as std::bad_alloc,
// which every boundary that catches at all catches as any exception. Linked into
// Setup.exe only, so that the tests see the library's own exceptions.

#include <new>

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_logic_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_invalid_argument(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_out_of_range(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
[[noreturn]] void __throw_runtime_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_bad_function_call() { throw bad_alloc(); }

}  // namespace std
