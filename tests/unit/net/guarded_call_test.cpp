#include "net/guarded_call.h"

#include <delayimp.h>
#include <gtest/gtest.h>

#include <functional>

namespace net {
namespace {

class FunctionTask : public GuardedTask {
 public:
  explicit FunctionTask(std::function<void()> body) : body_(std::move(body)) {}
  void Run() override { body_(); }

 private:
  std::function<void()> body_;
};

// Runs `body` guarded; a stop event ending the wait is seen in the download
// tests end to end.
GuardedResult RunFunction(std::function<void()> body, DownloadErrorInfo* info) {
  return RunGuarded(std::make_shared<FunctionTask>(std::move(body)), nullptr, info);
}

constexpr DWORD kTestExceptionCode = 0xE0000001;

LONG WINAPI ContinueAfterTestException(EXCEPTION_POINTERS* pointers) {
  return pointers->ExceptionRecord->ExceptionCode == kTestExceptionCode
             ? EXCEPTION_CONTINUE_EXECUTION
             : EXCEPTION_CONTINUE_SEARCH;
}

void WriteThroughNull() {
  volatile int* volatile target = nullptr;
  *target = 1;
}

TEST(RunGuardedTest, LeavesExceptionsHandledInsideTheTaskAlone) {
  bool finished = false;
  DownloadErrorInfo info;
  const GuardedResult result = RunFunction(
      [&] {
        void* handler = ::AddVectoredExceptionHandler(1, ContinueAfterTestException);
        ::RaiseException(kTestExceptionCode, 0, 0, nullptr);
        ::RemoveVectoredExceptionHandler(handler);
        finished = true;
      },
      &info);
  EXPECT_EQ(result, GuardedResult::kReturned);
  EXPECT_TRUE(finished);
  EXPECT_EQ(info.exception_code, 0u);
}

TEST(RunGuardedTest, RecordsAccessViolationAndStaysUsable) {
  DownloadErrorInfo info;
  EXPECT_EQ(RunFunction(WriteThroughNull, &info), GuardedResult::kFaulted);
  EXPECT_EQ(info.exception_code, 0xC0000005u);
  EXPECT_EQ(info.dll_name, "");
  EXPECT_EQ(RunFunction(WriteThroughNull, &info), GuardedResult::kFaulted);
}

TEST(RunGuardedTest, RecordsDllAndProcedureOfAMissingDelayLoadedImport) {
  DelayLoadInfo load = {};
  load.cb = sizeof(load);
  load.szDll = "absent.dll";
  load.dlp.fImportByName = TRUE;
  load.dlp.szProcName = "AbsentProc";
  DownloadErrorInfo info;
  const GuardedResult result = RunFunction(
      [&] {
        const ULONG_PTR parameter = reinterpret_cast<ULONG_PTR>(&load);
        ::RaiseException(kDelayLoadModuleNotFound, 0, 1, &parameter);
      },
      &info);
  EXPECT_EQ(result, GuardedResult::kFaulted);
  EXPECT_EQ(info.exception_code, kDelayLoadModuleNotFound);
  EXPECT_EQ(info.dll_name, "absent.dll");
  EXPECT_EQ(info.proc_name, "AbsentProc");
  // A record without its parameters names no module.
  EXCEPTION_RECORD bare = {};
  bare.ExceptionCode = kDelayLoadModuleNotFound;
  EXPECT_EQ(DescribeException(bare).dll_name, "");
}

}  // namespace
}  // namespace net
