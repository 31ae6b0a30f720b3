// The baselines of the windowed start: what the system itself costs from
// process start to the first content on the X server, timed from outside like
// the installer. bare_window is one registered class shown at the installer
// window's size, filled by its first WM_PAINT. bare_window_ui does the system's
// part of the installer's window first: COM, common controls and GDI+ start,
// the pictures named on its command line decoded by GDI+, then a dialog from a
// template with the installer's font and kinds of controls, whose first
// WM_PAINT draws the pictures. Addresses among its arguments (http://...) are
// downloaded by threads of their own, started before the pictures are decoded,
// as the installer's download worker, statistics sender and browser extras
// start before its window is made. Both wait to be ended.
#include <windows.h>

#if defined(BARE_WINDOW_UI)
#include <commctrl.h>
#include <gdiplus.h>
#include <objbase.h>
#include <shellapi.h>
#include <wininet.h>

#include <memory>
#include <string_view>
#include <vector>
#endif

namespace {

#if defined(BARE_WINDOW_UI)

// An in-memory dialog template: DWORD-aligned items of WORDs.
class DialogTemplate {
 public:
  DialogTemplate(short width, short height, std::wstring_view font, WORD points) {
    Long(WS_POPUP | WS_VISIBLE | DS_SETFONT | DS_CENTER);
    Long(0);
    Word(0);  // item count, set by Add
    Word(0);
    Word(0);
    Word(static_cast<WORD>(width));
    Word(static_cast<WORD>(height));
    Word(0);  // no menu
    Word(0);  // the dialog class
    Text(L"Bare dialog");
    Word(points);
    Text(font);
  }

  void Add(DWORD style, short x, short y, short width, short height, WORD id,
           std::wstring_view window_class, std::wstring_view text) {
    if (words_.size() % 2 != 0) Word(0);
    Long(WS_CHILD | WS_VISIBLE | style);
    Long(0);
    for (short value : {x, y, width, height}) Word(static_cast<WORD>(value));
    Word(id);
    Text(window_class);
    Text(text);
    Word(0);  // no creation data
    ++words_[4];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD value) { words_.push_back(value); }
  void Long(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(std::wstring_view text) {
    words_.insert(words_.end(), text.begin(), text.end());
    Word(0);
  }

  std::vector<WORD> words_;
};

std::vector<std::unique_ptr<Gdiplus::Image>> g_pictures;

bool IsAddress(std::wstring_view argument) { return argument.substr(0, 7) == L"http://"; }

DWORD WINAPI Download(void* url) {
  const HINTERNET session =
      ::InternetOpenW(L"bare", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  const HINTERNET request =
      ::InternetOpenUrlW(session, static_cast<const wchar_t*>(url), nullptr, 0,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  std::vector<char> buffer(256 * 1024);
  DWORD read = 0;
  while (request != nullptr &&
         ::InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read) &&
         read > 0) {
  }
  if (request != nullptr) ::InternetCloseHandle(request);
  if (session != nullptr) ::InternetCloseHandle(session);
  return 0;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(dialog, &paint);
      ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      Gdiplus::Graphics graphics(dc);
      for (const auto& picture : g_pictures) graphics.DrawImage(picture.get(), 0, 0);
      ::EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_CLOSE:
      ::EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

#else

void PaintWhite(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      PaintWhite(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
#if defined(BARE_WINDOW_UI)
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  ULONG_PTR gdiplus = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
  int count = 0;
  wchar_t** paths = command_line[0] != L'\0' ? ::CommandLineToArgvW(command_line, &count) : nullptr;
  std::vector<HANDLE> downloads;
  for (int i = 0; i < count; ++i) {
    if (IsAddress(paths[i])) {
      downloads.push_back(::CreateThread(nullptr, 0, Download, paths[i], 0, nullptr));
    }
  }
  for (int i = 0; i < count; ++i) {
    if (IsAddress(paths[i])) continue;
    g_pictures.push_back(std::make_unique<Gdiplus::Bitmap>(paths[i]));
    // GDI+ decodes on first use: take the pixels now, as the installer does.
    Gdiplus::Bitmap copy(g_pictures.back()->GetWidth(), g_pictures.back()->GetHeight(),
                         PixelFormat32bppPARGB);
    Gdiplus::Graphics(&copy).DrawImage(g_pictures.back().get(), 0, 0);
  }
  // About the installer window's 728 x 400 pixels in dialog units of 9-point Arial.
  DialogTemplate dialog(486, 260, L"Arial", 9);
  dialog.Add(BS_PUSHBUTTON | WS_TABSTOP, 200, 200, 86, 24, IDOK, L"Button", L"Install");
  dialog.Add(BS_AUTOCHECKBOX | WS_TABSTOP, 20, 232, 200, 10, 1001, L"Button", L"Make default");
  dialog.Add(BS_AUTOCHECKBOX | WS_TABSTOP, 260, 232, 200, 10, 1002, L"Button", L"Statistics");
  dialog.Add(SS_LEFT, 20, 244, 440, 10, 1003, L"Static", L"By installing you accept the terms");
  dialog.Add(0, 20, 180, 446, 8, 1004, PROGRESS_CLASSW, L"");
  ::DialogBoxIndirectParamW(instance, dialog.Get(), nullptr, DialogProc, 0);
  for (HANDLE download : downloads) {
    ::WaitForSingleObject(download, INFINITE);
    ::CloseHandle(download);
  }
  if (paths != nullptr) ::LocalFree(paths);
  g_pictures.clear();
  Gdiplus::GdiplusShutdown(gdiplus);
  if (SUCCEEDED(com)) ::CoUninitialize();
#else
  static_cast<void>(command_line);
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
#endif
  return 0;
}
