#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace ui {

// Brings `window`, a top-level window of this process, to the foreground,
// also when another program's window has it.
void BringWindowToForeground(HWND window);
// Brings the first top-level window of another process to the foreground.
void BringProcessWindowToTop(DWORD process_id);

// The program's icon (resource 128) at the system's two sizes, for a
// top-level window's title bar, taskbar button and window switcher.
class WindowIcons {
 public:
  void SetOn(HWND window);

 private:
  base::ScopedIcon large_;
  base::ScopedIcon small_;
};

}  // namespace ui
