#pragma once

#include <windows.h>

namespace base {

// A non-recursive lock on the system's slim reader/writer lock, taken
// exclusively. It needs no clean-up, and the lowercase members let
// std::lock_guard and std::unique_lock hold it.
class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void lock() { ::AcquireSRWLockExclusive(&lock_); }
  void unlock() { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace base
