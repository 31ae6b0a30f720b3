#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "base/scoped_handle.h"

namespace base {
namespace {

volatile LONG g_initialisations = 0;

int SlowlyInitialised() {
  static const int value = [] {
    ::InterlockedIncrement(&g_initialisations);
    ::Sleep(50);
    return 42;
  }();
  return value;
}

DWORD WINAPI ReadStatic(void* wrong) {
  if (SlowlyInitialised() != 42) ::InterlockedIncrement(static_cast<volatile LONG*>(wrong));
  return 0;
}

// The installer's own guard of function-local statics, raced by eight threads
// released together.
TEST(StaticGuardTest, ConcurrentFirstUsesRunTheInitialiserOnceAndAllSeeItsValue) {
  volatile LONG wrong = 0;
  std::vector<ScopedHandle> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back(::CreateThread(nullptr, 0, ReadStatic, const_cast<LONG*>(&wrong),
                                        CREATE_SUSPENDED, nullptr));
    ASSERT_TRUE(threads.back().IsValid());
  }
  for (auto& thread : threads) ::ResumeThread(thread.Get());
  for (auto& thread : threads) ASSERT_EQ(::WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
  EXPECT_EQ(g_initialisations, 1);
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace base
