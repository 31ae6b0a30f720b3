#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui {

// The keyboard cues of one dialog (the focus ring and the accelerators'
// underlines) as WM_CHANGEUISTATE and WM_UPDATEUISTATE set them: hidden in a
// new dialog unless the person asked the system to show them always, shown
// once Tab, an arrow key or Alt is pressed. A dialog opened by a key shows
// the focus from the start, as Windows starts a dialog's cues from the last
// input.
class KeyboardCues {
 public:
  KeyboardCues(bool always_shown, bool opened_by_key);
  // For a dialog opening now, from the system's setting and the last input.
  static KeyboardCues ForNewDialog();

  // Follows the wParam of WM_CHANGEUISTATE or WM_UPDATEUISTATE; true when
  // what shows changed.
  bool Apply(WPARAM change);
  bool focus_shown() const { return !hide_focus_; }
  bool accelerators_shown() const { return !hide_accelerators_; }

 private:
  bool always_shown_;
  bool hide_focus_;
  bool hide_accelerators_;
};

// The cue change (a WM_CHANGEUISTATE wParam) that a key brings to a dialog,
// as the system's dialog manager makes it; 0 for a key that brings none.
WPARAM CueChangeForKey(const MSG& message);
// The input that a message brings: a key, a mouse button, or neither.
enum class InputKind { kNone, kKey, kMouseButton };
InputKind InputKindOf(UINT message);
// A text with "&" accelerator marks as it reads while the underlines are
// hidden: each mark dropped, "&&" read as "&". (Wine draws the underline
// even when asked to hide it.)
std::wstring WithoutAcceleratorMarks(std::wstring_view text);
// Whether the person asked the system to show keyboard cues always.
bool SystemShowsKeyboardCuesAlways();

// While it lives, every key typed into a dialog of this thread tells the
// dialog the cue change it brings, as Windows' dialog manager does and
// Wine's does not (a message-filter hook); it also notes whether a key or a
// mouse button came last, for the next dialog (KeyboardCues::ForNewDialog).
class ScopedKeyboardCueHook {
 public:
  ScopedKeyboardCueHook();
  ~ScopedKeyboardCueHook();
  ScopedKeyboardCueHook(const ScopedKeyboardCueHook&) = delete;
  ScopedKeyboardCueHook& operator=(const ScopedKeyboardCueHook&) = delete;

 private:
  HHOOK hook_;
};

}  // namespace ui
