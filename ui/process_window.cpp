#include "ui/process_window.h"

#include "base/log.h"

namespace ui {
namespace {

constexpr int kProgramIconId = 128;

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id) return TRUE;
  search->found = window;
  return FALSE;
}

void BringToFront(HWND window) {
  ::BringWindowToTop(window);
  ::SetForegroundWindow(window);
}

HICON LoadProgramIcon(int metric_x, int metric_y) {
  return static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON,
                   ::GetSystemMetrics(metric_x), ::GetSystemMetrics(metric_y), 0));
}

}  // namespace

void BringWindowToForeground(HWND window) {
  const DWORD window_thread = ::GetWindowThreadProcessId(window, nullptr);
  const DWORD foreground_thread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
  const bool attached = window_thread != foreground_thread &&
                        ::AttachThreadInput(window_thread, foreground_thread, TRUE);
  BringToFront(window);
  if (attached) ::AttachThreadInput(window_thread, foreground_thread, FALSE);
  if (::GetForegroundWindow() == window) return;

  // The system refuses foreground changes from background processes; lift the
  // lock time-out for the one call.
  DWORD saved_timeout = 0;
  ::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved_timeout, 0);
  ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
  BringToFront(window);
  ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(saved_timeout)),
                          SPIF_SENDCHANGE);
}

void BringProcessWindowToTop(DWORD process_id) {
  if (process_id == 0) {
    LOG_ERROR << "Failed to bring process window to top: wrong process id";
    return;
  }
  WindowSearch search = {process_id, nullptr};
  ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found != nullptr) BringWindowToForeground(search.found);
}

void WindowIcons::SetOn(HWND window) {
  large_.Reset(LoadProgramIcon(SM_CXICON, SM_CYICON));
  small_.Reset(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON));
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_.Get()));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_.Get()));
}

}  // namespace ui
