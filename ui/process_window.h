#pragma once

#include <windows.h>

namespace ui {

// Brings the first top-level window of another process to the foreground.
void BringProcessWindowToTop(DWORD process_id);

}  // namespace ui
