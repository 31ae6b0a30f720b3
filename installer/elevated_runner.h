#pragma once

#include <windows.h>

#include <cstdint>

#include "base/scoped_handle.h"

namespace installer {

class Installer;

inline constexpr char kElevatedStartEventName[] = "0c0f0f0d-6434-4cfd-a5e9-23e9ca4d94b6";
inline constexpr char kElevatedCancelEventName[] = "fef32d6d-67e9-4654-b314-6c72098ff5d1";
inline constexpr DWORD kElevatedFinishWaitMs = 30000;  // 30 seconds

// Owns the elevated copy of the installer and the two events that steer it.
class ElevatedRunner {
 public:
  // Creates both events; the process is not known yet.
  ElevatedRunner();
  virtual void SetProcess(HANDLE process, HWND owner_window);
  // Dismisses a copy that was never started, then waits for it to end.
  virtual ~ElevatedRunner();
  // Signals the start event and waits for the copy or the stop event.
  virtual bool RunModule(HANDLE stop_event);
  virtual void EnsureProcessFinished();

  bool started() const { return started_; }
  bool forcibly_terminated() const { return forcibly_terminated_; }
  uint32_t exit_code() const { return exit_code_; }
  bool has_events() const { return start_event_.IsValid() && cancel_event_.IsValid(); }

 private:
  base::ScopedHandle process_;
  base::ScopedWindow owner_window_;
  base::ScopedHandle start_event_;
  base::ScopedHandle cancel_event_;
  bool started_ = false;
  bool forcibly_terminated_ = false;
  uint32_t exit_code_ = 0xFFFFFFFF;
};

// Starts an elevated copy of this installer through the elevation prompt and
// hands it to the installer; false when the prompt failed or was refused.
bool StartElevatedInstaller(Installer* installer);

}  // namespace installer
