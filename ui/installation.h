#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace ui {

// The result the installation hands the window when an old third-party crypto
// component blocked the download; the window then shows its own dialog.
inline constexpr int kOldCryptoComponentResult = 3;

// What the window asks of the installation it owns. The installer implements
// it; the window never reaches past it.
class Installation {
 public:
  virtual ~Installation() = default;

  // Starts the worker, which downloads at once and waits for AllowInstallation.
  virtual bool StartAsync() = 0;
  virtual void AllowInstallation() = 0;
  virtual bool StopAndWait() = 0;
  virtual int exit_code() const = 0;

  virtual void set_make_browser_default(bool value) = 0;
  virtual void set_send_statistics(bool value) = 0;
  virtual void set_ok_pressed_time(int64_t value) = 0;
  virtual bool CanMakeDefaultBrowser() = 0;
  virtual void IncrementCancelCount() = 0;
  // One statistics event with these extra values.
  virtual void SendEvent(const std::map<std::wstring, std::wstring>& values) = 0;

  // The elevation policy's mode for this run (0, 1 or 2), whether this
  // process should run the setup elevated, and starting the elevated copy.
  virtual int ElevationMode() const = 0;
  virtual bool NeedsElevation() const = 0;
  virtual bool StartElevated() = 0;
};

}  // namespace ui
