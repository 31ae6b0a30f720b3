// Drives the installer's window from outside, as a person would, for the
// end-to-end tests and the demo: finds it, clicks its buttons, presses keys,
// and reads what is on the screen and what a screen reader would announce.
// Every command prints JSON lines.
//
//   window_driver state PID
//   window_driver wait PID window|dialog|gone [TIMEOUT_MS]   (gone: no dialog left)
//   window_driver wait PID visible ID [TIMEOUT_MS]
//   window_driver wait PID text ID TEXT [TIMEOUT_MS]
//   window_driver click PID ID
//   window_driver key PID KEY    KEY: tab, shift+tab, space, enter, escape, alt, alt+LETTER
//   window_driver accessibility PID
//
// PID 0 means any process. The installer's windows are top-level dialogs
// (class #32770) of that process; the one a person can act on is the enabled
// one: the modal dialog while one is open, else the main window (title
// "Velmar"). Clicks are posted as BM_CLICK to the button, which presses and
// releases it like the mouse does, so a zero-sized or hidden button stays
// unclickable. Keys are typed into that dialog as keyboard input (SendInput),
// so the dialog manager handles them as a person's.
//
// Each dialog in the state says whether it is the foreground window, whether
// it has a taskbar button by the shell's rule, whether another window owns it
// and whether it stays above every other program's windows (topmost).
//
// accessibility prints the dialog and then each of its controls in their
// order (the order screen readers and Tab follow) as the system's
// accessibility layer answers for them (oleacc, IAccessible): name, role,
// state and value, with the focused control marked. Beside them, "system_role"
// and "system_state" are what Windows' layer derives from the control's class,
// style, BM_GETCHECK answer and progress position ("system_value"), for
// where Wine's gives only a generic role.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/strings.h"
#include "config/json_reader.h"
#include "ui/accessibility.h"

namespace {

using config::JsonPtr;

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kPercentageId = 1055;
constexpr wchar_t kMainWindowTitle[] = L"Velmar";
constexpr DWORD kDefaultWaitMs = 30000;  // 30 seconds
constexpr DWORD kPollMs = 50;
constexpr UINT kAnswerTimeoutMs = 1000;  // 1 second
constexpr int kMaxTextLength = 4096;
// Time for the window to handle typed keys before the driver reports.
constexpr DWORD kKeySettleMs = 300;
// mingw-w64's import library resolves IID_IAccessible to an import thunk.
constexpr IID kAccessibleIid = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

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

// What a person sees: shown, with a size (a control never placed has none).
bool IsShown(HWND control) {
  RECT rect = {};
  return ::IsWindowVisible(control) && ::GetWindowRect(control, &rect) && !::IsRectEmpty(&rect);
}

json_t* ControlJson(HWND control) {
  // A window that does not answer within the time-out reads as unchecked.
  DWORD_PTR check = BST_UNCHECKED;
  if (GetClass(control) == L"Button") {
    ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &check);
  }
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  return json_pack("{s:i,s:o,s:b,s:b,s:[iiii]}", "id", ::GetDlgCtrlID(control), "text",
                   Utf8(GetText(control)), "visible", IsShown(control), "checked",
                   check == BST_CHECKED, "rect", static_cast<int>(rect.left),
                   static_cast<int>(rect.top), static_cast<int>(rect.right),
                   static_cast<int>(rect.bottom));
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
  return TRUE;
}

// The shell's rule for a shown top-level window: a taskbar button when it
// asks for one, or when nothing owns it and it is no tool window.
bool HasTaskbarButton(HWND window) {
  const auto ex_style = static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE));
  if ((ex_style & WS_EX_APPWINDOW) != 0) return true;
  return ::GetWindow(window, GW_OWNER) == nullptr && (ex_style & WS_EX_TOOLWINDOW) == 0;
}

json_t* DialogJson(HWND dialog, HWND main) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(dialog, &process_id);
  RECT rect = {};
  ::GetWindowRect(dialog, &rect);
  std::vector<HWND> children;
  ::EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  json_t* controls = json_array();
  for (HWND child : children) {
    if (::GetParent(child) == dialog) json_array_append_new(controls, ControlJson(child));
  }
  const bool topmost = (::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  return json_pack("{s:i,s:o,s:b,s:b,s:b,s:b,s:b,s:[iiii],s:o}", "pid",
                   static_cast<int>(process_id), "title", Utf8(GetText(dialog)), "main",
                   dialog == main, "foreground", ::GetForegroundWindow() == dialog, "taskbar",
                   HasTaskbarButton(dialog), "owned", ::GetWindow(dialog, GW_OWNER) != nullptr,
                   "topmost", topmost, "rect", static_cast<int>(rect.left),
                   static_cast<int>(rect.top), static_cast<int>(rect.right),
                   static_cast<int>(rect.bottom), "controls", controls);
}

// {"dialogs": [...], "percent": text of the main window's percentage} for
// the process, top first.
JsonPtr StateJson(DWORD process_id) {
  const std::vector<HWND> dialogs = FindDialogs(process_id);
  const HWND main = FindMainWindow(dialogs);
  json_t* list = json_array();
  for (HWND dialog : dialogs) json_array_append_new(list, DialogJson(dialog, main));
  const HWND percent = main != nullptr ? ::GetDlgItem(main, kPercentageId) : nullptr;
  return JsonPtr(json_pack("{s:o,s:o}", "dialogs", list, "percent",
                           percent != nullptr ? Utf8(GetText(percent)) : json_null()));
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

int PrintResult(const char* action, bool done) {
  Print(JsonPtr(json_pack("{s:s,s:b}", "action", action, "done", done)));
  return done ? 0 : 1;
}

// Fails on a control that is missing, hidden or disabled, as a person's click would.
int Click(DWORD process_id, int id) {
  const HWND dialog = FindActiveDialog(FindDialogs(process_id));
  const HWND button = dialog != nullptr ? ::GetDlgItem(dialog, id) : nullptr;
  // Posted, not sent: a click that opens a modal dialog would hold a sent
  // message until that dialog closes.
  return PrintResult("click", button != nullptr && ::IsWindowVisible(button) &&
                                  ::IsWindowEnabled(button) &&
                                  ::PostMessageW(button, BM_CLICK, 0, 0));
}

INPUT KeyInput(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// The keys of a name such as "shift+tab" or "alt+s", pressed in order and
// released in reverse; empty for a name it does not know.
std::vector<WORD> KeysOf(const std::wstring& name) {
  std::vector<WORD> keys;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t plus = name.find(L'+', start);
    const std::wstring part =
        name.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start);
    start = plus == std::wstring::npos ? name.size() + 1 : plus + 1;
    if (part == L"tab") {
      keys.push_back(VK_TAB);
    } else if (part == L"shift") {
      keys.push_back(VK_SHIFT);
    } else if (part == L"alt") {
      keys.push_back(VK_MENU);
    } else if (part == L"space") {
      keys.push_back(VK_SPACE);
    } else if (part == L"enter") {
      keys.push_back(VK_RETURN);
    } else if (part == L"escape") {
      keys.push_back(VK_ESCAPE);
    } else if (part.size() == 1) {
      const SHORT scan = ::VkKeyScanW(part[0]);
      if (scan == -1) return {};
      keys.push_back(static_cast<WORD>(LOBYTE(scan)));
    } else {
      return {};
    }
  }
  return keys;
}

int PressKeys(DWORD process_id, const std::wstring& name) {
  const HWND dialog = FindActiveDialog(FindDialogs(process_id));
  const std::vector<WORD> keys = KeysOf(name);
  if (dialog == nullptr || keys.empty()) return PrintResult("key", false);
  // Typed keys go to the foreground window, as a person's do.
  if (::GetForegroundWindow() != dialog) ::SetForegroundWindow(dialog);
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(KeyInput(key, false));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(KeyInput(*key, true));
  const UINT sent =
      ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), static_cast<int>(sizeof(INPUT)));
  ::Sleep(kKeySettleMs);
  return PrintResult("key", sent == inputs.size());
}

json_t* StateNames(long state) {
  json_t* names = json_array();
  for (DWORD bit = 1; bit <= STATE_SYSTEM_HASPOPUP; bit <<= 1) {
    if ((static_cast<DWORD>(state) & bit) == 0) continue;
    wchar_t text[128] = {};
    ::GetStateTextW(bit, text, 128);
    json_array_append_new(names, Utf8(text));
  }
  return names;
}

json_t* RoleName(long role) {
  wchar_t text[128] = {};
  if (role == 0 || ::GetRoleTextW(static_cast<DWORD>(role), text, 128) == 0) return json_null();
  return Utf8(text);
}

// One window as the accessibility layer presents it to a screen reader.
json_t* AccessibleJson(HWND window, HWND focus) {
  json_t* line = json_object();
  const bool focused = window == focus;
  json_object_set_new(line, "id", json_integer(::GetDlgCtrlID(window)));
  json_object_set_new(line, "class", Utf8(GetClass(window)));
  IAccessible* accessible = nullptr;
  if (SUCCEEDED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                             kAccessibleIid,
                                             reinterpret_cast<void**>(&accessible)))) {
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (accessible->get_accName(self, &text) == S_OK && text != nullptr) {
      json_object_set_new(line, "name", Utf8(text));
    }
    ::SysFreeString(text);
    text = nullptr;
    if (accessible->get_accValue(self, &text) == S_OK && text != nullptr) {
      json_object_set_new(line, "value", Utf8(text));
    }
    ::SysFreeString(text);
    VARIANT answer = {};
    if (accessible->get_accRole(self, &answer) == S_OK && answer.vt == VT_I4) {
      json_object_set_new(line, "role", RoleName(answer.lVal));
    }
    ::VariantClear(&answer);
    if (accessible->get_accState(self, &answer) == S_OK && answer.vt == VT_I4) {
      json_object_set_new(line, "state", StateNames(answer.lVal));
    }
    ::VariantClear(&answer);
    accessible->Release();
  }
  // A window that does not answer within the time-out reads as unchecked.
  DWORD_PTR check = BST_UNCHECKED;
  const std::wstring window_class = GetClass(window);
  if (window_class == L"Button") {
    ::SendMessageTimeoutW(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &check);
  }
  const long role =
      ui::StandardRole(window_class, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)));
  json_object_set_new(line, "system_role", RoleName(role));
  // Windows' layer reads a progress bar's value as its position in percent.
  if (role == ROLE_SYSTEM_PROGRESSBAR) {
    DWORD_PTR position = 0;
    ::SendMessageTimeoutW(window, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &position);
    json_object_set_new(line, "system_value",
                        Utf8(std::to_wstring(static_cast<int>(position)) + L"%"));
  }
  json_object_set_new(
      line, "system_state",
      StateNames(ui::StandardState(role, static_cast<LRESULT>(check), focused, IsShown(window),
                                   ::IsWindowEnabled(window) != FALSE)));
  json_object_set_new(line, "focused", json_boolean(focused));
  json_object_set_new(line, "visible", json_boolean(IsShown(window)));
  return line;
}

// The dialog a person can act on, then each of its controls in z-order.
int PrintAccessibility(DWORD process_id) {
  const HWND dialog = FindActiveDialog(FindDialogs(process_id));
  if (dialog == nullptr) return PrintResult("accessibility", false);
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  const DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
  const HWND focus = ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
  Print(JsonPtr(AccessibleJson(dialog, focus)));
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    Print(JsonPtr(AccessibleJson(child, focus)));
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 2 ? argv[1] : L"";
  const DWORD process_id = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 0;
  if (command == L"state") {
    Print(StateJson(process_id));
    return 0;
  }
  if (command == L"wait" && argc > 3) return Wait(process_id, argc, argv);
  if (command == L"click" && argc > 3) return Click(process_id, _wtoi(argv[3]));
  if (command == L"key" && argc > 3) return PressKeys(process_id, argv[3]);
  if (command == L"accessibility") {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = PrintAccessibility(process_id);
    ::CoUninitialize();
    return result;
  }
  std::fprintf(stderr, "usage: window_driver state|wait|click|key|accessibility PID ...\n");
  return 2;
}
