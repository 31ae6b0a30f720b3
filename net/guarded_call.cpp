#include "net/guarded_call.h"

#include <delayimp.h>
#include <intrin.h>

#include <cstdint>

#include "base/log.h"
#include "base/scoped_handle.h"

namespace net {

class GuardedTaskAccess {
 public:
  static void SetFault(GuardedTask* task, DownloadErrorInfo fault) {
    task->faulted_ = true;
    task->fault_ = std::move(fault);
  }
  static bool faulted(const GuardedTask& task) { return task.faulted_; }
  static const DownloadErrorInfo& fault(const GuardedTask& task) { return task.fault_; }
};

namespace {

// The exception flags of the unwinding pass, which a frame handler ignores.
constexpr DWORD kUnwindFlags = 0x2 | 0x4;  // unwinding, exit unwind
// Room left between the guarded frame and the stack of the exit routine.
constexpr uintptr_t kResumeStackGapBytes = 512;

// The guarded thread's own reference to its task, and the handler chain above
// its base frame (32-bit frame-based handlers).
struct GuardedThread {
  std::shared_ptr<GuardedTask> task;
  void* outer_handlers = nullptr;
};

// The system's thread-local slot that holds the running guarded thread's
// GuardedThread; TLS_OUT_OF_INDEXES when none was free.
DWORD GuardedSlot() {
  static const DWORD slot = ::TlsAlloc();
  return slot;
}

GuardedThread* CurrentGuarded() {
  return static_cast<GuardedThread*>(::TlsGetValue(GuardedSlot()));
}

// Where a faulted guarded thread resumes: drops the dead frames and ends.
[[noreturn]] void EndGuardedThread() {
  GuardedThread* guarded = CurrentGuarded();
#if defined(__i386__)
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(guarded->outer_handlers)));
#endif
  delete guarded;
  ::ExitThread(1);
}

}  // namespace
}  // namespace net

// The frame handler of the guarded thread's base frame. It runs only after every
// handler inside the task has declined the exception, so exceptions that the
// system handles internally are left alone.
extern "C" EXCEPTION_DISPOSITION NTAPI LiteGuardFrameHandler(EXCEPTION_RECORD* record,
                                                             void* establisher_frame,
                                                             CONTEXT* context, void*) {
  if ((record->ExceptionFlags & net::kUnwindFlags) != 0) return ExceptionContinueSearch;
  net::GuardedTaskAccess::SetFault(net::CurrentGuarded()->task.get(),
                                   net::DescribeException(*record));
  const uintptr_t stack =
      (reinterpret_cast<uintptr_t>(establisher_frame) - net::kResumeStackGapBytes) & ~uintptr_t{15};
#if defined(__x86_64__)
  context->Rip = reinterpret_cast<DWORD64>(&net::EndGuardedThread);
  context->Rsp = stack - sizeof(void*);
#else
  context->Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&net::EndGuardedThread));
  context->Esp = static_cast<DWORD>(stack - sizeof(void*));
#endif
  return ExceptionContinueExecution;
}

namespace net {
namespace {

DWORD WINAPI GuardedThreadMain(void* parameter) {
  auto* guarded = static_cast<GuardedThread*>(parameter);
  ::TlsSetValue(GuardedSlot(), guarded);
#if defined(__x86_64__)
  // Names the handler in this function's unwind data.
  __asm__ __volatile__(".seh_handler LiteGuardFrameHandler, @except");
  guarded->task->Run();
#else
  volatile EXCEPTION_REGISTRATION_RECORD registration;
  registration.Next = reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));
  registration.Handler = &LiteGuardFrameHandler;
  guarded->outer_handlers = registration.Next;
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(&registration)));
  guarded->task->Run();
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(registration.Next)));
#endif
  ::TlsSetValue(GuardedSlot(), nullptr);
  delete guarded;
  return 0;
}

}  // namespace

DownloadErrorInfo DescribeException(const EXCEPTION_RECORD& record) {
  DownloadErrorInfo info;
  info.exception_code = record.ExceptionCode;
  if (record.ExceptionCode != kDelayLoadModuleNotFound || record.NumberParameters < 1 ||
      record.ExceptionInformation[0] == 0) {
    return info;
  }
  const auto* load = reinterpret_cast<const DelayLoadInfo*>(record.ExceptionInformation[0]);
  if (load->szDll != nullptr) info.dll_name = load->szDll;
  if (load->dlp.fImportByName && load->dlp.szProcName != nullptr) {
    info.proc_name = load->dlp.szProcName;
  }
  return info;
}

GuardedResult RunGuarded(const std::shared_ptr<GuardedTask>& task, HANDLE stop_event,
                         DownloadErrorInfo* info) {
  auto* guarded = new GuardedThread{task};
  base::ScopedHandle thread;
  if (GuardedSlot() != TLS_OUT_OF_INDEXES) {
    thread.Reset(::CreateThread(nullptr, 0, GuardedThreadMain, guarded, 0, nullptr));
  }
  if (!thread.IsValid()) {
    LOG_ERROR << "No thread-local slot or CreateThread failed, running unguarded";
    delete guarded;
    task->Run();
    return GuardedResult::kReturned;
  }
  const HANDLE waits[] = {thread.Get(), stop_event};
  const DWORD count = stop_event != nullptr ? 2 : 1;
  if (::WaitForMultipleObjects(count, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
    LOG_INFO << "Stopped while a guarded call was running";
    return GuardedResult::kStopped;
  }
  if (!GuardedTaskAccess::faulted(*task)) return GuardedResult::kReturned;
  if (info != nullptr) *info = GuardedTaskAccess::fault(*task);
  return GuardedResult::kFaulted;
}

}  // namespace net
