// The threads support that the C++ library and jansson ask for, on Windows
// primitives: their own copies wait on POSIX threads primitives, which link the
// whole threads emulation, and the library's guards report recursive
// initialisation with an exception.
//
// Guards of function-local statics: a guard's first byte is the compiler's "initialised" flag and
// its second half is held by the thread that runs the initialiser; others yield until it is done.
// The installer links this object directly, ahead of the C++ library.
#include <windows.h>
#include <cxxabi.h>

namespace {

volatile LONG* Owner(__cxxabiv1::__guard* guard) {
  return reinterpret_cast<volatile LONG*>(guard) + 1;
}

bool Initialised(__cxxabiv1::__guard* guard) {
  return __atomic_load_n(reinterpret_cast<char*>(guard), __ATOMIC_ACQUIRE) != 0;
}

}  // namespace

namespace __cxxabiv1 {

extern "C" int __cxa_guard_acquire(__guard* guard) {
  for (;;) {
    if (Initialised(guard)) return 0;
    if (::InterlockedCompareExchange(Owner(guard), 1, 0) == 0) {
      if (!Initialised(guard)) return 1;
      ::InterlockedExchange(Owner(guard), 0);
      return 0;
    }
    ::Sleep(1);
  }
}

extern "C" void __cxa_guard_release(__guard* guard) {
  __atomic_store_n(reinterpret_cast<char*>(guard), 1, __ATOMIC_RELEASE);
  ::InterlockedExchange(Owner(guard), 0);
}

extern "C" void __cxa_guard_abort(__guard* guard) { ::InterlockedExchange(Owner(guard), 0); }

}  // namespace __cxxabiv1

// jansson yields while another thread seeds its hash tables.
extern "C" int sched_yield() {
  ::SwitchToThread();
  return 0;
}
