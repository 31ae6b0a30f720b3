#include "installer/elevated_runner.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/file_util.h"
#include "base/process_util.h"
#include "support/log_capture.h"

namespace installer {
namespace {

// Stands in for an elevated copy that never ends; only run as a child below.
TEST(ElevatedRunnerTest, DISABLED_HangingCopy) { ::Sleep(120000); }

// Starts the hanging copy; `for_runner` receives a second handle to it, which
// the runner takes over.
base::ScopedHandle StartHangingCopy(HANDLE* for_runner) {
  base::ScopedHandle copy = base::LaunchProcess(
      L"\"" + base::GetModulePath() +
      L"\" --gtest_also_run_disabled_tests --gtest_filter=ElevatedRunnerTest.DISABLED_HangingCopy");
  *for_runner = nullptr;
  if (copy.IsValid()) {
    ::DuplicateHandle(::GetCurrentProcess(), copy.Get(), ::GetCurrentProcess(), for_runner, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
  }
  return copy;
}

TEST(ElevatedRunnerTest, CopyThatHangsAfterTheMasterIsDoneIsKilledAfterThirtySeconds) {
  testing_support::LogCapture capture;
  HANDLE process = nullptr;
  base::ScopedHandle copy = StartHangingCopy(&process);
  ASSERT_TRUE(process != nullptr);
  ElevatedRunner runner;
  ASSERT_TRUE(runner.has_events());
  runner.SetProcess(process, nullptr);
  const ULONGLONG start = ::GetTickCount64();
  runner.EnsureProcessFinished();
  EXPECT_GE(::GetTickCount64() - start, kElevatedFinishWaitMs - 1000);
  EXPECT_TRUE(runner.forcibly_terminated());
  EXPECT_EQ(::WaitForSingleObject(copy.Get(), 5000), WAIT_OBJECT_0) << "the copy is gone";
  EXPECT_NE(capture.Text().find(L"The elevated installer hangs and must be forcibly terminated."),
            std::wstring::npos);
}

TEST(ElevatedRunnerTest, RunModuleEndsAtTheStopEventAndLeavesTheCopyRunning) {
  testing_support::LogCapture capture;
  HANDLE process = nullptr;
  base::ScopedHandle copy = StartHangingCopy(&process);
  ASSERT_TRUE(process != nullptr);
  base::ScopedHandle stop(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
  {
    ElevatedRunner runner;
    runner.SetProcess(process, nullptr);
    EXPECT_FALSE(runner.RunModule(stop.Get()));
    EXPECT_TRUE(runner.started());
    EXPECT_EQ(::WaitForSingleObject(copy.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(copy.Get(), 0);
  }
  EXPECT_NE(capture.Text().find(L"The elevated installer was terminated due to stop event."),
            std::wstring::npos);
}

}  // namespace
}  // namespace installer
