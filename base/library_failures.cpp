// The installer is built without exceptions, so a failure inside the C++
// library (out of memory, a length past the maximum) can only end the process.
// These replace the library's throwing helpers, which would otherwise link the
// exception machinery, the standard exception classes with their own copy of
// the string code, and the demangler of the default terminate handler. The
// installer links this object directly, ahead of the C++ library.
#include <bits/functexcept.h>
#include <bits/std_function.h>

#include <cstdlib>

namespace std {

void __throw_bad_exception() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
void __throw_system_error(int) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
