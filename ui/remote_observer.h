#pragma once

#include <windows.h>

#include "ui/installer_observer.h"

namespace ui {

inline constexpr UINT kSetProgressMessage = WM_APP + 100;
inline constexpr UINT kTimeLeftMessage = WM_APP + 101;
inline constexpr int kCloseGlyphControlId = 1009;

// The elevated copy's observer: forwards progress to the master's window
// across the process boundary and ignores what only the master shows.
class RemoteObserver : public InstallerObserver {
 public:
  explicit RemoteObserver(HWND master_window) : master_window_(master_window) {}

  void OnDownloadProgress(float) override {}
  void OnSlowDownload() override {}
  void OnTimeLeft(int value, int kind) override;
  void CloseIfStarted(bool) override {}
  void OnInstallFinished(int) override {}
  HWND GetWindow() override { return master_window_; }
  void SetProgress(int percent) override;
  void HideCancelButton() override;

 private:
  HWND master_window_;
};

}  // namespace ui
