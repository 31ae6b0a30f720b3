#pragma once

#include <windows.h>

namespace ui {

// What the installation tells its window (or, in the elevated copy, a sink
// that forwards to the master's window), in the order the window expects.
class InstallerObserver {
 public:
  virtual ~InstallerObserver() = default;
  virtual void OnDownloadProgress(float fraction) = 0;
  virtual void OnSlowDownload() = 0;
  virtual void OnTimeLeft(int value, int kind) = 0;
  virtual void CloseIfStarted(bool started) = 0;
  virtual void OnInstallFinished(int code) = 0;
  virtual HWND GetWindow() = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void HideCancelButton() = 0;
};

}  // namespace ui
