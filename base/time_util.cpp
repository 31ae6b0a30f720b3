#include "base/time_util.h"

#include <windows.h>

namespace base {

int64_t MonotonicMicros() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value = {};
    ::QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER counter = {};
  ::QueryPerformanceCounter(&counter);
  // Split to keep the multiplication from overflowing.
  return counter.QuadPart / frequency * kMicrosPerSecond +
         counter.QuadPart % frequency * kMicrosPerSecond / frequency;
}

}  // namespace base
