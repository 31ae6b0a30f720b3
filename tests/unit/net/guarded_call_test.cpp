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

GuardedResult RunFunction(std::function<void()> body, DownloadErrorInfo* info,
                          HANDLE stop_event = nullptr) {
  return RunGuarded(std::make_shared<FunctionTask>(std::move(body)), stop_event, info);
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

TEST(RunGuardedTest, ReturnsAndRunsTheTaskWhenNothingFaults) {
  bool called = false;
  DownloadErrorInfo info;
  EXPECT_EQ(GuardedResult::kReturned, RunFunction([&] { called = true; }, &info));
  EXPECT_TRUE(called);
  EXPECT_EQ(0u, info.exception_code);
}

TEST(RunGuardedTest, RecordsAccessViolationAndKeepsTheProcessAlive) {
  DownloadErrorInfo info;
  EXPECT_EQ(GuardedResult::kFaulted, RunFunction(WriteThroughNull, &info));
  EXPECT_EQ(0xC0000005u, info.exception_code);
  EXPECT_EQ("", info.dll_name);
  // A second fault after the first: the guard stays usable.
  EXPECT_EQ(GuardedResult::kFaulted, RunFunction(WriteThroughNull, &info));
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
  EXPECT_EQ(GuardedResult::kFaulted, result);
  EXPECT_EQ(kDelayLoadModuleNotFound, info.exception_code);
  EXPECT_EQ("absent.dll", info.dll_name);
  EXPECT_EQ("AbsentProc", info.proc_name);
}

TEST(RunGuardedTest, LeavesExceptionsHandledInsideTheTaskAlone) {
  bool finished = false;
  const GuardedResult result = RunFunction(
      [&] {
        void* handler = ::AddVectoredExceptionHandler(1, ContinueAfterTestException);
        ::RaiseException(kTestExceptionCode, 0, 0, nullptr);
        ::RemoveVectoredExceptionHandler(handler);
        finished = true;
      },
      nullptr);
  EXPECT_EQ(GuardedResult::kReturned, result);
  EXPECT_TRUE(finished);
}

TEST(RunGuardedTest, StopEventEndsTheWaitForATaskThatBlocks) {
  HANDLE stop = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(GuardedResult::kStopped,
            RunFunction([release] { ::WaitForSingleObject(release, INFINITE); }, nullptr, stop));
  ::SetEvent(release);
  ::CloseHandle(stop);
}

TEST(DescribeExceptionTest, KeepsDllButNoProcedureForAnImportByOrdinal) {
  DelayLoadInfo load = {};
  load.szDll = "absent.dll";
  load.dlp.fImportByName = FALSE;
  load.dlp.dwOrdinal = 7;
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = kDelayLoadModuleNotFound;
  record.NumberParameters = 1;
  record.ExceptionInformation[0] = reinterpret_cast<ULONG_PTR>(&load);
  const DownloadErrorInfo info = DescribeException(record);
  EXPECT_EQ("absent.dll", info.dll_name);
  EXPECT_EQ("", info.proc_name);
}

TEST(DescribeExceptionTest, IgnoresADelayLoadRecordWithoutParameters) {
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = kDelayLoadModuleNotFound;
  const DownloadErrorInfo info = DescribeException(record);
  EXPECT_EQ(kDelayLoadModuleNotFound, info.exception_code);
  EXPECT_EQ("", info.dll_name);
}

}  // namespace
}  // namespace net
