#include "net/guarded_call.h"

#include <delayimp.h>
#include <intrin.h>

#include <cstdint>

#include "base/scoped_handle.h"
#include "installer/log.h"

namespace net {
namespace {

// The exception flags of the unwinding pass, which a frame handler ignores.
constexpr DWORD kUnwindFlags = 0x2 | 0x4;  // unwinding, exit unwind
// Room left between the guarded frame and the stack of the exit routine.
constexpr uintptr_t kResumeStackGapBytes = 512;

struct GuardedThread {
  void (*call)(void*) = nullptr;
  void* context = nullptr;
  bool faulted = false;
  DownloadErrorInfo info;
  // The handler chain above the guarded frame (32-bit frame-based handlers).
  void* outer_handlers = nullptr;
};

thread_local GuardedThread* t_guarded = nullptr;

// Where a faulted guarded thread resumes: drops the dead frames and ends.
[[noreturn]] void EndGuardedThread() {
#if defined(__i386__)
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(t_guarded->outer_handlers)));
#endif
  ::ExitThread(1);
}

}  // namespace
}  // namespace net

// The frame handler of the guarded thread's base frame. It runs only after every
// handler inside the call has declined the exception, so exceptions that the
// system handles internally are left alone.
extern "C" EXCEPTION_DISPOSITION NTAPI LiteGuardFrameHandler(EXCEPTION_RECORD* record,
                                                             void* establisher_frame,
                                                             CONTEXT* context, void*) {
  if ((record->ExceptionFlags & net::kUnwindFlags) != 0) return ExceptionContinueSearch;
  net::GuardedThread* guarded = net::t_guarded;
  guarded->faulted = true;
  guarded->info = net::DescribeException(*record);
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
  t_guarded = guarded;
#if defined(__x86_64__)
  // Names the handler in this function's unwind data.
  __asm__ __volatile__(".seh_handler LiteGuardFrameHandler, @except");
  guarded->call(guarded->context);
#else
  volatile EXCEPTION_REGISTRATION_RECORD registration;
  registration.Next = reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));
  registration.Handler = &LiteGuardFrameHandler;
  guarded->outer_handlers = registration.Next;
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(&registration)));
  guarded->call(guarded->context);
  __writefsdword(0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(registration.Next)));
#endif
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

bool RunGuarded(void (*call)(void*), void* context, DownloadErrorInfo* info) {
  GuardedThread guarded;
  guarded.call = call;
  guarded.context = context;
  base::ScopedHandle thread(::CreateThread(nullptr, 0, GuardedThreadMain, &guarded, 0, nullptr));
  if (!thread.IsValid()) {
    LOG_ERROR << "CreateThread failed, calling unguarded";
    call(context);
    return true;
  }
  ::WaitForSingleObject(thread.Get(), INFINITE);
  if (!guarded.faulted) return true;
  if (info != nullptr) *info = guarded.info;
  return false;
}

}  // namespace net
