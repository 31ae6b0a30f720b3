#include "installer/elevated_runner.h"

#include <shellapi.h>

#include <memory>

#include "base/command_line.h"
#include "base/log.h"
#include "base/strings.h"
#include "base/time_util.h"
#include "installer/installer.h"
#include "installer/setup_command_line.h"

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

namespace installer {
namespace {

// The invisible parent of the elevation prompt, centred so the prompt is too.
HWND CreatePromptOwnerWindow() {
  const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0,
                                        0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return nullptr;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& area = monitor.rcWork;
    ::MoveWindow(window, (area.left + area.right) / 2, (area.top + area.bottom) / 2, 0, 0, FALSE);
  }
  ::SetForegroundWindow(window);
  return window;
}

}  // namespace

bool StartElevatedInstaller(Installer* installer) {
  const int64_t prompt_start = base::MonotonicMicros();
  base::CommandLine relaunch = base::CommandLine::ForCurrentProcess();
  relaunch.AppendSwitch("run-as-admin");
  relaunch.AppendSwitch("parent-installer-process-id", base::NumberToWide(::GetCurrentProcessId()));
  relaunch.AppendSwitch(
      "setup-cmd-line",
      installer->BuildSetupCommandLineFor(kFakeBrowserArchive, false).GetCommandLineString());
  const std::wstring file = relaunch.GetProgram();
  relaunch.SetProgram(std::wstring());
  const std::wstring parameters = relaunch.GetCommandLineString();

  base::ScopedWindow owner(CreatePromptOwnerWindow());
  installer->set_elevated_runner(nullptr);
  auto runner = std::make_unique<ElevatedRunner>();

  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner.Get();
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOW;
  const bool started = ::ShellExecuteExW(&info) != FALSE;
  if (started) {
    runner->SetProcess(info.hProcess, owner.Take());
    installer->set_elevated_runner(std::move(runner));
  } else if (::GetLastError() == ERROR_CANCELLED || ::GetLastError() == ERROR_ACCESS_DENIED) {
    LOG_INFO << "The user declined the elevation prompt.";
    installer->set_disable_uac(true);
  }
  installer->set_elevation_times(prompt_start, base::MonotonicMicros());
  return started;
}

}  // namespace installer
