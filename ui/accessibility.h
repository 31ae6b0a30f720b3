#pragma once

#include <windows.h>

#include <string_view>

namespace ui {

// The role that the system's accessibility layer gives a standard control of
// window class `class_name` with `style` (ROLE_SYSTEM_*; 0 for a class it
// gives none of its own). The window relies on it: its controls are standard
// buttons, check boxes, texts and a progress bar, named by their window texts.
long StandardRole(std::wstring_view class_name, DWORD style);
// The state bits (STATE_SYSTEM_*) that layer derives from the same control:
// checked from a check box's BM_GETCHECK answer, focused, focusable, hidden
// and disabled from the window.
long StandardState(long role, LRESULT check, bool focused, bool visible, bool enabled);

// Tells screen readers that `control`, a push button to the system, is a link.
void AnnotateAsLink(HWND control);

}  // namespace ui
