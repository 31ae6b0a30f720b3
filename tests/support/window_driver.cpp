// Drives the installer's window from outside, as a person would, for the
// end-to-end tests and the demo: finds it, clicks its buttons, presses Escape,
// and reads what is on the screen. Every command prints JSON lines.
//
//   window_driver state PID
//   window_driver wait PID window|dialog|gone [TIMEOUT_MS]   (gone: no dialog left)
//   window_driver wait PID visible ID [TIMEOUT_MS]
//   window_driver wait PID text ID TEXT [TIMEOUT_MS]
//   window_driver click PID ID
//   window_driver key PID escape
//   window_driver cover MILLISECONDS
//   window_driver kill PID
//
// PID 0 means any process. The installer's windows are top-level dialogs
// (class #32770) of that process; the one a person can act on is the enabled
// one: the modal dialog while one is open, else the main window (title
// "Velmar"). Clicks are posted as BM_CLICK to the button, which presses and
// releases it like the mouse does, so a zero-sized or hidden button stays
// unclickable; Escape is posted as the key's down and up messages to the
// focused control.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "base/strings.h"
#include "config/json_reader.h"

namespace {

using config::JsonPtr;

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMainWindowTitle[] = L"Velmar";
constexpr DWORD kDefaultWaitMs = 30000;  // 30 seconds
constexpr DWORD kPollMs = 50;
constexpr UINT kAnswerTimeoutMs = 1000;  // 1 second
constexpr int kMaxTextLength = 4096;

// The text as the system keeps it for another process's window, which asks
// nothing of that window (GetWindowTextLengthW would, and a hung one never answers).
std::wstring GetText(HWND window) {
  wchar_t text[kMaxTextLength] = {};
  return std::wstring(text, ::GetWindowTextW(window, text, kMaxTextLength));
}

std::wstring GetClass(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

json_t* Utf8(const std::wstring& text) {
  const std::string utf8 = base::WideToUtf8(text);
  return json_stringn(utf8.data(), utf8.size());
}

json_t* RectJson(const RECT& rect) {
  return json_pack("[iiii]", static_cast<int>(rect.left), static_cast<int>(rect.top),
                   static_cast<int>(rect.right), static_cast<int>(rect.bottom));
}

void Print(const JsonPtr& json) {
  char* text = json_dumps(json.get(), JSON_COMPACT | JSON_PRESERVE_ORDER);
  std::printf("%s\n", text != nullptr ? text : "{}");
  std::fflush(stdout);
  free(text);
}

struct ProcessDialogs {
  DWORD process_id;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ProcessDialogs*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if ((search->process_id == 0 || owner == search->process_id) && ::IsWindowVisible(window) &&
      GetClass(window) == kDialogClass) {
    search->windows.push_back(window);
  }
  return TRUE;
}

// Visible top-level dialogs of the process, in z-order, top first.
std::vector<HWND> FindDialogs(DWORD process_id) {
  ProcessDialogs search = {process_id, {}};
  ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

HWND FindMainWindow(const std::vector<HWND>& dialogs) {
  for (HWND window : dialogs) {
    if (GetText(window) == kMainWindowTitle) return window;
  }
  return nullptr;
}

// The window a person can act on: an enabled dialog, a modal one first.
HWND FindActiveDialog(const std::vector<HWND>& dialogs) {
  HWND main = FindMainWindow(dialogs);
  for (HWND window : dialogs) {
    if (window != main && ::IsWindowEnabled(window)) return window;
  }
  return main != nullptr && ::IsWindowEnabled(main) ? main : nullptr;
}

RECT ClientRectOf(HWND control, HWND dialog) {
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// What a person sees: shown, with a size (a control never placed has none).
bool IsShown(HWND control) {
  RECT rect = {};
  return ::IsWindowVisible(control) && ::GetWindowRect(control, &rect) && !::IsRectEmpty(&rect);
}

json_t* ControlJson(HWND control, HWND dialog) {
  const RECT rect = ClientRectOf(control, dialog);
  const LONG style = ::GetWindowLongW(control, GWL_STYLE);
  json_t* entry = json_object();
  json_object_set_new(entry, "id", json_integer(::GetDlgCtrlID(control)));
  json_object_set_new(entry, "class", Utf8(GetClass(control)));
  json_object_set_new(entry, "text", Utf8(GetText(control)));
  json_object_set_new(entry, "visible", json_boolean(IsShown(control)));
  json_object_set_new(entry, "enabled", json_boolean((style & WS_DISABLED) == 0));
  json_object_set_new(entry, "rect", RectJson(rect));
  if (GetClass(control) == L"Button") {
    // A window that does not answer within the time-out reads as unchecked.
    DWORD_PTR check = BST_UNCHECKED;
    ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &check);
    json_object_set_new(entry, "checked", json_boolean(check == BST_CHECKED));
  }
  return entry;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
  return TRUE;
}

json_t* DialogJson(HWND dialog, HWND main, HWND active) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(dialog, &process_id);
  RECT rect = {};
  ::GetWindowRect(dialog, &rect);
  json_t* entry = json_object();
  json_object_set_new(entry, "window", json_integer(reinterpret_cast<uintptr_t>(dialog)));
  json_object_set_new(entry, "pid", json_integer(process_id));
  json_object_set_new(entry, "title", Utf8(GetText(dialog)));
  json_object_set_new(entry, "main", json_boolean(dialog == main));
  json_object_set_new(entry, "active", json_boolean(dialog == active));
  json_object_set_new(entry, "foreground", json_boolean(::GetForegroundWindow() == dialog));
  json_object_set_new(entry, "rect", RectJson(rect));
  std::vector<HWND> children;
  ::EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  json_t* controls = json_array();
  for (HWND child : children) {
    if (::GetParent(child) == dialog) json_array_append_new(controls, ControlJson(child, dialog));
  }
  json_object_set_new(entry, "controls", controls);
  return entry;
}

// {"dialogs": [...]} for the process, top first; the main window carries
// "percent", the text of its percentage control 1055.
JsonPtr StateJson(DWORD process_id) {
  const std::vector<HWND> dialogs = FindDialogs(process_id);
  const HWND main = FindMainWindow(dialogs);
  const HWND active = FindActiveDialog(dialogs);
  JsonPtr state(json_object());
  json_t* list = json_array();
  for (HWND dialog : dialogs) json_array_append_new(list, DialogJson(dialog, main, active));
  json_object_set_new(state.get(), "dialogs", list);
  const HWND percent = main != nullptr ? ::GetDlgItem(main, 1055) : nullptr;
  json_object_set_new(state.get(), "percent",
                      percent != nullptr ? Utf8(GetText(percent)) : json_null());
  return state;
}

bool ProcessHasWindow(DWORD process_id) { return FindMainWindow(FindDialogs(process_id)); }

bool HasModalDialog(DWORD process_id) {
  const std::vector<HWND> dialogs = FindDialogs(process_id);
  const HWND active = FindActiveDialog(dialogs);
  return active != nullptr && active != FindMainWindow(dialogs);
}

// Whether some dialog of the process has control `id` and `test` holds for it.
template <typename Test>
bool AnyControl(DWORD process_id, int id, Test test) {
  for (HWND dialog : FindDialogs(process_id)) {
    const HWND control = ::GetDlgItem(dialog, id);
    if (control != nullptr && test(control)) return true;
  }
  return false;
}

template <typename Condition>
int WaitFor(DWORD process_id, DWORD timeout_ms, Condition condition) {
  const ULONGLONG start = ::GetTickCount64();
  bool met = condition();
  while (!met && ::GetTickCount64() - start < timeout_ms) {
    ::Sleep(kPollMs);
    met = condition();
  }
  JsonPtr result = StateJson(process_id);
  json_object_set_new(result.get(), "met", json_boolean(met));
  json_object_set_new(result.get(), "waited_ms",
                      json_integer(static_cast<json_int_t>(::GetTickCount64() - start)));
  Print(result);
  return met ? 0 : 1;
}

int Wait(DWORD process_id, int argc, wchar_t** argv) {
  const std::wstring what = argv[3];
  const int timeout_index = what == L"text" ? 6 : what == L"visible" ? 5 : 4;
  const DWORD timeout_ms =
      argc > timeout_index ? static_cast<DWORD>(_wtoi(argv[timeout_index])) : kDefaultWaitMs;
  if (what == L"window")
    return WaitFor(process_id, timeout_ms, [&] { return ProcessHasWindow(process_id); });
  if (what == L"gone")
    return WaitFor(process_id, timeout_ms, [&] { return FindDialogs(process_id).empty(); });
  if (what == L"dialog")
    return WaitFor(process_id, timeout_ms, [&] { return HasModalDialog(process_id); });
  if (what == L"visible" && argc > 4) {
    const int id = _wtoi(argv[4]);
    return WaitFor(process_id, timeout_ms, [&] { return AnyControl(process_id, id, IsShown); });
  }
  if (what == L"text" && argc > 5) {
    const int id = _wtoi(argv[4]);
    const std::wstring text = argv[5];
    return WaitFor(process_id, timeout_ms, [&] {
      return AnyControl(process_id, id, [&](HWND control) { return GetText(control) == text; });
    });
  }
  return 2;
}

void PrintResult(const char* action, bool done, const char* reason) {
  JsonPtr result(json_pack("{s:s,s:b}", "action", action, "done", done));
  if (!done) json_object_set_new(result.get(), "reason", json_string(reason));
  Print(result);
}

int Click(DWORD process_id, int id) {
  const HWND dialog = FindActiveDialog(FindDialogs(process_id));
  const HWND button = dialog != nullptr ? ::GetDlgItem(dialog, id) : nullptr;
  if (button == nullptr) {
    PrintResult("click", false, dialog == nullptr ? "no window" : "no such control");
    return 1;
  }
  if (!::IsWindowVisible(button) || !::IsWindowEnabled(button)) {
    PrintResult("click", false, "control hidden or disabled");
    return 1;
  }
  // Posted, not sent: a click that opens a modal dialog would hold a sent
  // message until that dialog closes.
  const bool posted = ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
  PrintResult("click", posted, "post failed");
  return posted ? 0 : 1;
}

int PressEscape(DWORD process_id) {
  const HWND dialog = FindActiveDialog(FindDialogs(process_id));
  if (dialog == nullptr) {
    PrintResult("key", false, "no window");
    return 1;
  }
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  const DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
  const HWND target =
      ::GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr ? info.hwndFocus : dialog;
  const LPARAM down = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16);
  const bool posted = ::PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, down) &&
                      ::PostMessageW(target, WM_KEYUP, VK_ESCAPE, down | 0xC0000000);
  PrintResult("key", posted, "post failed");
  return posted ? 0 : 1;
}

// Ends the process, for a test that gives up on it.
int Kill(DWORD process_id) {
  const base::ScopedHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, process_id));
  const bool done = process.IsValid() && ::TerminateProcess(process.Get(), 1);
  PrintResult("kill", done, "no such process");
  return done ? 0 : 1;
}

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wparam, lparam);
}

// Another program's window in front for `milliseconds`: prints whether it had
// the foreground at the start and whether it still has it at the end.
int Cover(DWORD milliseconds) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = CoverProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"LiteTestCover";
  window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  ::RegisterClassW(&window_class);
  HWND window = ::CreateWindowExW(0, window_class.lpszClassName, L"cover", WS_POPUP | WS_VISIBLE, 0,
                                  0, 300, 200, nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  ::SetForegroundWindow(window);
  JsonPtr start(
      json_pack("{s:s,s:b}", "cover", "start", "foreground", ::GetForegroundWindow() == window));
  Print(start);
  ::SetTimer(window, 1, milliseconds, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  JsonPtr end(
      json_pack("{s:s,s:b}", "cover", "end", "foreground", ::GetForegroundWindow() == window));
  Print(end);
  ::DestroyWindow(window);
  return 0;
}

int Usage() {
  std::printf(
      "usage: window_driver state PID\n"
      "       window_driver wait PID window|dialog|gone [TIMEOUT_MS]\n"
      "       window_driver wait PID visible ID [TIMEOUT_MS]\n"
      "       window_driver wait PID text ID TEXT [TIMEOUT_MS]\n"
      "       window_driver click PID ID\n"
      "       window_driver key PID escape\n"
      "       window_driver cover MILLISECONDS\n"
      "       window_driver kill PID\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return Usage();
  const std::wstring command = argv[1];
  if (command == L"cover") return Cover(static_cast<DWORD>(_wtoi(argv[2])));
  const DWORD process_id = static_cast<DWORD>(_wtoi(argv[2]));
  if (command == L"kill") return Kill(process_id);
  if (command == L"state") {
    Print(StateJson(process_id));
    return 0;
  }
  if (command == L"wait" && argc > 3) return Wait(process_id, argc, argv);
  if (command == L"click" && argc > 3) return Click(process_id, _wtoi(argv[3]));
  if (command == L"key" && argc > 3 && std::wstring(argv[3]) == L"escape") {
    return PressEscape(process_id);
  }
  return Usage();
}
