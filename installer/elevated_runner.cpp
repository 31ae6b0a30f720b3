#include "installer/elevated_runner.h"

#include "installer/log.h"

namespace installer {

ElevatedRunner::ElevatedRunner()
    : start_event_(::CreateEventA(nullptr, FALSE, FALSE, kElevatedStartEventName)),
      cancel_event_(::CreateEventA(nullptr, FALSE, FALSE, kElevatedCancelEventName)) {}

void ElevatedRunner::SetProcess(HANDLE process, HWND owner_window) {
  process_.Reset(process);
  owner_window_.Reset(owner_window);
}

ElevatedRunner::~ElevatedRunner() {
  if (!process_.IsValid()) return;
  if (!started_) ::SetEvent(cancel_event_.Get());
  EnsureProcessFinished();
}

bool ElevatedRunner::RunModule(HANDLE stop_event) {
  started_ = true;
  ::SetEvent(start_event_.Get());
  const HANDLE handles[] = {stop_event, process_.Get()};
  const DWORD wait = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (wait == WAIT_OBJECT_0 + 1) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.Get(), &code)) {
      LOG_ERROR << "Failed to get exit code of the elevated installer.";
      return false;
    }
    exit_code_ = code;
    return code == 0;
  }
  if (wait == WAIT_OBJECT_0) {
    LOG_ERROR << "The elevated installer was terminated due to stop event.";
  }
  return false;
}

void ElevatedRunner::EnsureProcessFinished() {
  if (process_.IsValid() &&
      ::WaitForSingleObject(process_.Get(), kElevatedFinishWaitMs) == WAIT_TIMEOUT) {
    forcibly_terminated_ = true;
    LOG_ERROR << "The elevated installer hangs and must be forcibly terminated.";
    ::TerminateProcess(process_.Get(), 0);
  }
  process_.Reset();
  start_event_.Reset();
  cancel_event_.Reset();
  owner_window_.Reset();
}

}  // namespace installer
