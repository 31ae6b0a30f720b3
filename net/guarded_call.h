#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace net {

// What a structured exception inside a guarded system call left behind.
struct DownloadErrorInfo {
  uint32_t exception_code = 0;  // 0: no exception
  std::string dll_name;
  std::string proc_name;
};

// Raised by the delay-load helper when a module or an import cannot be found.
inline constexpr uint32_t kDelayLoadModuleNotFound = 0xC06D007E;

// Fills `info` from an exception record: the code, and for a missing delay-loaded
// module the DLL name and, for an import by name, the procedure name.
DownloadErrorInfo DescribeException(const EXCEPTION_RECORD& record);

// A call into the system that may raise a structured exception or block for
// good. It is shared with the thread that runs it, so a caller that stops
// waiting may leave it behind; its inputs and outputs live in the object.
class GuardedTask {
 public:
  virtual ~GuardedTask() = default;
  virtual void Run() = 0;

 private:
  friend class GuardedTaskAccess;
  bool faulted_ = false;
  DownloadErrorInfo fault_;
};

enum class GuardedResult { kReturned, kFaulted, kStopped };

// Runs the task on a thread of its own. An exception that nothing inside the
// task handles ends that thread instead of the process and is described in
// `info`. A set `stop_event` (may be null) returns kStopped at once; the task
// then finishes, or not, on its own.
GuardedResult RunGuarded(const std::shared_ptr<GuardedTask>& task, HANDLE stop_event,
                         DownloadErrorInfo* info);

}  // namespace net
