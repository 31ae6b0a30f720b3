#pragma once

#include <cstdint>

namespace base {

// Monotonic clock in microseconds, for durations and tick values.
int64_t MonotonicMicros();

inline constexpr int64_t kMicrosPerSecond = 1000000;

}  // namespace base
