#include "ui/keyboard_cues.h"

#include <windows.h>

#include "base/log.h"

namespace ui {
namespace {

// Whether a key came after the last mouse button in this thread's dialogs
// (the window's thread is the only one that shows them).
bool last_input_was_key = false;

LRESULT CALLBACK FilterDialogMessage(int code, WPARAM wparam, LPARAM lparam) {
  if (code == MSGF_DIALOGBOX) {
    const auto* message = reinterpret_cast<const MSG*>(lparam);
    const InputKind input = InputKindOf(message->message);
    if (input != InputKind::kNone) last_input_was_key = input == InputKind::kKey;
    const WPARAM change = CueChangeForKey(*message);
    if (change != 0) {
      ::SendMessageW(::GetAncestor(message->hwnd, GA_ROOT), WM_CHANGEUISTATE, change, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

KeyboardCues::KeyboardCues(bool always_shown, bool opened_by_key)
    : always_shown_(always_shown),
      hide_focus_(!always_shown && !opened_by_key),
      hide_accelerators_(!always_shown) {}

KeyboardCues KeyboardCues::ForNewDialog() {
  return KeyboardCues(SystemShowsKeyboardCuesAlways(), last_input_was_key);
}

bool KeyboardCues::Apply(WPARAM change) {
  const bool old_focus = hide_focus_;
  const bool old_accelerators = hide_accelerators_;
  const WORD action = LOWORD(change);
  const WORD flags = HIWORD(change);
  if (action == UIS_INITIALIZE) {
    hide_focus_ = hide_accelerators_ = !always_shown_;
  } else if (action == UIS_SET || action == UIS_CLEAR) {
    if ((flags & UISF_HIDEFOCUS) != 0) hide_focus_ = action == UIS_SET;
    if ((flags & UISF_HIDEACCEL) != 0) hide_accelerators_ = action == UIS_SET;
  }
  return old_focus != hide_focus_ || old_accelerators != hide_accelerators_;
}

WPARAM CueChangeForKey(const MSG& message) {
  if (message.message == WM_SYSKEYDOWN || message.message == WM_SYSCHAR) {
    return MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL);
  }
  if (message.message != WM_KEYDOWN) return 0;
  switch (message.wParam) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      return MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
    default:
      return 0;
  }
}

InputKind InputKindOf(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return InputKind::kKey;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
      return InputKind::kMouseButton;
    default:
      return InputKind::kNone;
  }
}

std::wstring WithoutAcceleratorMarks(std::wstring_view text) {
  std::wstring plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

bool SystemShowsKeyboardCuesAlways() {
  BOOL always = FALSE;
  return ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0) && always != FALSE;
}

ScopedKeyboardCueHook::ScopedKeyboardCueHook()
    : hook_(
          ::SetWindowsHookExW(WH_MSGFILTER, FilterDialogMessage, nullptr, ::GetCurrentThreadId())) {
  if (hook_ == nullptr) LOG_ERROR << "Failed to watch the keys typed into the window";
}

ScopedKeyboardCueHook::~ScopedKeyboardCueHook() {
  if (hook_ != nullptr) ::UnhookWindowsHookEx(hook_);
}

}  // namespace ui
