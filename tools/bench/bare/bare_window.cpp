// A minimal window: one registered class, shown at the installer window's
// size, its first WM_PAINT fills it, then it waits to be ended. The benchmark
// times both this and the installer from process start to the first content
// on the X server. Built as bare_window_ui it first starts what the installer's
// window needs from the system, common controls and GDI+, so that the cost of
// those DLLs under the same Wine shows apart from the installer's own work.
#include <windows.h>
#if defined(BARE_WINDOW_UI)
#include <commctrl.h>
#include <gdiplus.h>
#endif

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#if defined(BARE_WINDOW_UI)
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&controls);
  ULONG_PTR gdiplus = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
#endif
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = L"BareWindow";
  ::RegisterClassExW(&window_class);
  const HWND window = ::CreateWindowExW(0, L"BareWindow", L"Bare window", WS_POPUP, 100, 100, 728,
                                        400, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
#if defined(BARE_WINDOW_UI)
  Gdiplus::GdiplusShutdown(gdiplus);
#endif
  return 0;
}
