#include <windows.h>
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "base/lock.h"
#include "base/scoped_handle.h"

namespace base {
namespace {

constexpr int kThreads = 8;

// Runs `body` on kThreads threads released together, and waits for them all.
void RunTogether(DWORD(WINAPI* body)(void*), void* context) {
  std::vector<ScopedHandle> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back(::CreateThread(nullptr, 0, body, context, CREATE_SUSPENDED, nullptr));
    ASSERT_TRUE(threads.back().IsValid());
  }
  for (auto& thread : threads) ::ResumeThread(thread.Get());
  for (auto& thread : threads) ASSERT_EQ(::WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
}

volatile LONG g_initialisations = 0;

int SlowlyInitialised() {
  static const int value = [] {
    ::InterlockedIncrement(&g_initialisations);
    ::Sleep(50);
    return 42;
  }();
  return value;
}

DWORD WINAPI ReadStatic(void* seen) {
  if (SlowlyInitialised() != 42) ::InterlockedIncrement(static_cast<volatile LONG*>(seen));
  return 0;
}

TEST(StaticGuardTest, ConcurrentFirstUsesRunTheInitialiserOnceAndAllSeeItsValue) {
  volatile LONG wrong = 0;
  RunTogether(ReadStatic, const_cast<LONG*>(&wrong));
  EXPECT_EQ(g_initialisations, 1);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(SlowlyInitialised(), 42);
}

struct Counter {
  Lock lock;
  int value = 0;
};

DWORD WINAPI CountUnderLock(void* counter) {
  auto* shared = static_cast<Counter*>(counter);
  for (int i = 0; i < 20000; ++i) {
    std::lock_guard<Lock> hold(shared->lock);
    const int read = shared->value;
    if (i % 1000 == 0) ::SwitchToThread();
    shared->value = read + 1;
  }
  return 0;
}

TEST(LockTest, NoIncrementIsLostUnderContention) {
  Counter counter;
  RunTogether(CountUnderLock, &counter);
  EXPECT_EQ(counter.value, kThreads * 20000);
}

}  // namespace
}  // namespace base
