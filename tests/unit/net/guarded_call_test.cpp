#include "net/guarded_call.h"

#include <delayimp.h>
#include <gtest/gtest.h>

namespace net {
namespace {

void WriteThroughNull(void*) {
  volatile int* volatile target = nullptr;
  *target = 1;
}

void RaiseMissingImport(void* load_info) {
  const ULONG_PTR parameter = reinterpret_cast<ULONG_PTR>(load_info);
  ::RaiseException(kDelayLoadModuleNotFound, 0, 1, &parameter);
}

void SetFlag(void* flag) { *static_cast<bool*>(flag) = true; }

// An exception the call handles itself must not reach the guard.
void RaiseAndHandleInside(void* flag) {
  void* handler = ::AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* pointers) -> LONG {
    if (pointers->ExceptionRecord->ExceptionCode != 0xE0000001) return EXCEPTION_CONTINUE_SEARCH;
    return EXCEPTION_CONTINUE_EXECUTION;
  });
  ::RaiseException(0xE0000001, 0, 0, nullptr);
  ::RemoveVectoredExceptionHandler(handler);
  *static_cast<bool*>(flag) = true;
}

TEST(RunGuardedTest, ReturnsTrueAndRunsTheCallWhenNothingFaults) {
  bool called = false;
  DownloadErrorInfo info;
  EXPECT_TRUE(RunGuarded(SetFlag, &called, &info));
  EXPECT_TRUE(called);
  EXPECT_EQ(0u, info.exception_code);
}

TEST(RunGuardedTest, RecordsAccessViolationAndKeepsTheProcessAlive) {
  DownloadErrorInfo info;
  EXPECT_FALSE(RunGuarded(WriteThroughNull, nullptr, &info));
  EXPECT_EQ(0xC0000005u, info.exception_code);
  EXPECT_EQ("", info.dll_name);
  // A second fault after the first: the guard stays usable.
  EXPECT_FALSE(RunGuarded(WriteThroughNull, nullptr, &info));
}

TEST(RunGuardedTest, RecordsDllAndProcedureOfAMissingDelayLoadedImport) {
  DelayLoadInfo load = {};
  load.cb = sizeof(load);
  load.szDll = "absent.dll";
  load.dlp.fImportByName = TRUE;
  load.dlp.szProcName = "AbsentProc";
  DownloadErrorInfo info;
  EXPECT_FALSE(RunGuarded(RaiseMissingImport, &load, &info));
  EXPECT_EQ(kDelayLoadModuleNotFound, info.exception_code);
  EXPECT_EQ("absent.dll", info.dll_name);
  EXPECT_EQ("AbsentProc", info.proc_name);
}

TEST(RunGuardedTest, LeavesExceptionsHandledInsideTheCallAlone) {
  bool finished = false;
  EXPECT_TRUE(RunGuarded(RaiseAndHandleInside, &finished, nullptr));
  EXPECT_TRUE(finished);
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
