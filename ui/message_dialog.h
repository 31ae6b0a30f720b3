#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace ui {

inline constexpr int kMessageDialogTemplateId = 202;
inline constexpr int kDialogActionId = 1;
inline constexpr int kDialogCloseId = 1010;
inline constexpr int kDialogTitleId = 1000;

enum class MessageDialogKind {
  kConfirmCancel,       // progress screen's close glyph: Resume or Cancel
  kDownload,            // installation failed: offer the full installer
  kOldComponent,        // an old crypto component blocks the installation
  kNewerVersion,        // a newer browser is already installed
  kNotEnoughDiskSpace,  // less than 600 MB free
  kOldWindows,          // Windows XP or Vista: "More info" opens the help page
};

// String IDs of one dialog; 0 means the element is absent.
struct MessageDialogTexts {
  uint32_t title;
  uint32_t text;
  uint32_t action;
  uint32_t close;
};

MessageDialogTexts MessageDialogTextsFor(MessageDialogKind kind);
// What Escape ends a dialog with: leaving it without acting. The confirmation
// resumes the installation (as Resume does); the other dialogs close.
INT_PTR EscapeResultFor(MessageDialogKind kind);

// A dialog on template 202: picture 315, a title, a text and one or two
// buttons, drawn by the program in the window's style.
class MessageDialog {
 public:
  // `on_action` runs when the action button is pressed, before the dialog ends.
  MessageDialog(MessageDialogKind kind, uint16_t lang_id, std::function<void()> on_action = {});
  MessageDialog(const MessageDialog&) = delete;
  MessageDialog& operator=(const MessageDialog&) = delete;

  // Shows the dialog and waits: 1 for the action button, 1010 for the close button.
  INT_PTR DoModal(HWND owner);
  // Ends the dialog with `result` when it is open.
  void End(INT_PTR result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  MessageDialogTexts texts_;
  INT_PTR escape_result_;
  uint16_t lang_id_;
  std::function<void()> on_action_;
  HWND window_ = nullptr;
};

// The message box for a machine the browser cannot run on: caption 401, text
// 439 and the cause on the next line.
void ShowFatalMessageBox(uint16_t lang_id, uint32_t cause_id);

}  // namespace ui
