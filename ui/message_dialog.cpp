#include "ui/message_dialog.h"

#include <commctrl.h>

#include <string>

#include "base/log.h"
#include "ui/focus_ring.h"
#include "ui/keyboard_cues.h"
#include "ui/language.h"
#include "ui/process_window.h"
#include "ui/theme.h"

namespace ui {
namespace {

constexpr int kDialogWidth = 410;  // the width of picture 315
constexpr int kMargin = 32;
constexpr int kButtonWidth = 128;
constexpr int kButtonHeight = 34;
constexpr int kButtonGap = 12;
constexpr COLORREF kSecondaryButtonColor = RGB(0xEC, 0xEF, 0xF5);
constexpr COLORREF kSecondaryButtonHotColor = RGB(0xDD, 0xE2, 0xEC);
constexpr int kStaticTextId = -1;
constexpr int kButtonRadius = 3;
// Moves the focus ring once the message that moved the focus or changed the
// keyboard cues has been handled.
constexpr UINT kFocusRingMessage = WM_APP + 1;

struct DialogState {
  MessageDialog* dialog;
  const MessageDialogTexts* texts;
  const std::function<void()>* on_action;
  INT_PTR escape_result;
  Theme theme;
  FocusRing focus_ring;
  KeyboardCues keyboard_cues;
  WindowIcons icons;
};

int MeasureTextHeight(HDC dc, HFONT font, const std::wstring& text, int width) {
  if (text.empty()) return 0;
  const HGDIOBJ old = ::SelectObject(dc, font);
  RECT rect = {0, 0, width, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
  ::SelectObject(dc, old);
  return rect.bottom;
}

void LayOut(HWND window, const DialogState& state) {
  const Theme& theme = state.theme;
  auto scaled = [&](int value) { return static_cast<int>(value * theme.scale()); };
  const int width = scaled(kDialogWidth);
  const int text_width = width - 2 * scaled(kMargin);
  const HDC dc = ::GetDC(window);
  const std::wstring title = theme.String(state.texts->title);
  const std::wstring text = state.texts->text != 0 ? theme.String(state.texts->text) : L"";
  const int title_height = MeasureTextHeight(dc, theme.font(FontRole::kMedium), title, text_width);
  const int text_height = MeasureTextHeight(dc, theme.font(FontRole::kSmall), text, text_width);
  ::ReleaseDC(window, dc);

  int y = theme.FrameSize(ImageRole::kDialogPicture).cy + scaled(20);
  ::SetDlgItemTextW(window, kDialogTitleId, title.c_str());
  ::MoveWindow(::GetDlgItem(window, kDialogTitleId), scaled(kMargin), y, text_width, title_height,
               FALSE);
  y += title_height + scaled(10);
  ::SetDlgItemTextW(window, kStaticTextId, text.c_str());
  ::MoveWindow(::GetDlgItem(window, kStaticTextId), scaled(kMargin), y, text_width, text_height,
               FALSE);
  y += text_height + scaled(text_height > 0 ? 24 : 14);

  const bool has_action = state.texts->action != 0;
  const int buttons_width =
      has_action ? 2 * scaled(kButtonWidth) + scaled(kButtonGap) : scaled(kButtonWidth);
  int x = (width - buttons_width) / 2;
  if (has_action) {
    ::SetDlgItemTextW(window, kDialogActionId, theme.String(state.texts->action).c_str());
    ::MoveWindow(::GetDlgItem(window, kDialogActionId), x, y, scaled(kButtonWidth),
                 scaled(kButtonHeight), FALSE);
    x += scaled(kButtonWidth) + scaled(kButtonGap);
  } else {
    ::ShowWindow(::GetDlgItem(window, kDialogActionId), SW_HIDE);
  }
  ::SetDlgItemTextW(window, kDialogCloseId, theme.String(state.texts->close).c_str());
  ::MoveWindow(::GetDlgItem(window, kDialogCloseId), x, y, scaled(kButtonWidth),
               scaled(kButtonHeight), FALSE);
  const int height = y + scaled(kButtonHeight) + scaled(28);

  ::SetWindowTextW(window, title.c_str());
  // Through the dialog manager, so that Enter presses the focused button;
  // before the dialog shows, so that it never shows without its title and focus.
  ::SendMessageW(
      window, WM_NEXTDLGCTL,
      reinterpret_cast<WPARAM>(::GetDlgItem(window, has_action ? kDialogActionId : kDialogCloseId)),
      TRUE);
  // Centred on the monitor's work area; the border adds to the client size.
  RECT frame = {0, 0, width, height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)));
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int frame_width = frame.right - frame.left;
  const int frame_height = frame.bottom - frame.top;
  // Never above every program: an owned dialog stays above its owner only.
  ::SetWindowPos(window, nullptr, work.left + (work.right - work.left - frame_width) / 2,
                 work.top + (work.bottom - work.top - frame_height) / 2, frame_width, frame_height,
                 SWP_NOZORDER | SWP_SHOWWINDOW);
}

// The buttons are standard push buttons (Enter presses the focused one, screen
// readers read them as buttons), drawn by the dialog.
LRESULT DrawButton(const NMCUSTOMDRAW& draw, const Theme& theme) {
  if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  const bool primary = draw.hdr.idFrom == static_cast<UINT_PTR>(kDialogActionId);
  const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
  COLORREF fill = primary ? Theme::kAccentColor : kSecondaryButtonColor;
  if (pressed) fill = primary ? Theme::kAccentPressedColor : kSecondaryButtonHotColor;
  ::FillRect(draw.hdc, &draw.rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  base::ScopedGdiObject brush(::CreateSolidBrush(fill));
  base::ScopedGdiObject pen(::CreatePen(PS_SOLID, 1, fill));
  const HGDIOBJ old_brush = ::SelectObject(draw.hdc, brush.Get());
  const HGDIOBJ old_pen = ::SelectObject(draw.hdc, pen.Get());
  const int diameter = static_cast<int>(2 * kButtonRadius * theme.scale());
  ::RoundRect(draw.hdc, draw.rc.left, draw.rc.top, draw.rc.right, draw.rc.bottom, diameter,
              diameter);
  ::SelectObject(draw.hdc, old_pen);
  ::SelectObject(draw.hdc, old_brush);

  wchar_t text[128] = {};
  ::GetWindowTextW(draw.hdr.hwndFrom, text, static_cast<int>(std::size(text)));
  const HGDIOBJ old_font = ::SelectObject(draw.hdc, theme.font(FontRole::kMedium));
  ::SetBkMode(draw.hdc, TRANSPARENT);
  ::SetTextColor(draw.hdc, primary ? Theme::kTextColor : Theme::kDarkTextColor);
  RECT rect = draw.rc;
  ::DrawTextW(draw.hdc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(draw.hdc, old_font);
  return CDRF_SKIPDEFAULT;
}

void DrawStaticText(const DRAWITEMSTRUCT& item, const Theme& theme) {
  const bool title = item.CtlID == static_cast<UINT>(kDialogTitleId);
  ::FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const int length = ::GetWindowTextLengthW(item.hwndItem);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  ::GetWindowTextW(item.hwndItem, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  const HGDIOBJ old_font =
      ::SelectObject(item.hDC, theme.font(title ? FontRole::kMedium : FontRole::kSmall));
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, title ? Theme::kDarkTextColor : Theme::kGreyTextColor);
  RECT rect = item.rcItem;
  ::DrawTextW(item.hDC, text.c_str(), length, &rect, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  ::SelectObject(item.hDC, old_font);
}

}  // namespace

INT_PTR EscapeResultFor(MessageDialogKind kind) {
  return kind == MessageDialogKind::kConfirmCancel ? kDialogActionId : kDialogCloseId;
}

MessageDialogTexts MessageDialogTextsFor(MessageDialogKind kind) {
  switch (kind) {
    case MessageDialogKind::kConfirmCancel:
      return {kStringConfirmTitle, 0, kStringResume, kStringConfirmCancel};
    case MessageDialogKind::kDownload:
      return {kStringDownloadDialogTitle, kStringDownloadDialogText, kStringDownload,
              kStringDownloadDialogCancel};
    case MessageDialogKind::kOldComponent:
      return {kStringOldComponentTitle, kStringOldComponentText, 0, kStringOldComponentCancel};
    case MessageDialogKind::kNewerVersion:
      return {kStringNewerVersionTitle, kStringNewerVersionText, kStringOk, kStringClose};
    case MessageDialogKind::kNotEnoughDiskSpace:
      return {kStringDiskSpaceTitle, kStringDiskSpaceText, kStringOk, kStringClose};
    case MessageDialogKind::kOldWindows:
      return {kStringOldWindowsTitle, kStringOldWindowsText, kStringMoreInfo, kStringClose};
  }
  return {0, 0, 0, kStringClose};
}

MessageDialog::MessageDialog(MessageDialogKind kind, uint16_t lang_id,
                             std::function<void()> on_action)
    : texts_(MessageDialogTextsFor(kind)),
      escape_result_(EscapeResultFor(kind)),
      lang_id_(lang_id),
      on_action_(std::move(on_action)) {}

INT_PTR MessageDialog::DoModal(HWND owner) {
  // Owned by a hidden window, the dialog would have no taskbar button and
  // could lie under another program's window unnoticed: it stands alone.
  if (owner != nullptr && !::IsWindowVisible(owner)) owner = nullptr;
  const ScopedKeyboardCueHook cue_hook;
  DialogState state{
      this, &texts_, &on_action_, escape_result_, Theme(lang_id_), {}, KeyboardCues::ForNewDialog(),
      {}};
  const INT_PTR result =
      ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMessageDialogTemplateId),
                        owner, DialogProc, reinterpret_cast<LPARAM>(&state));
  if (result == -1) LOG_ERROR << "Failed to show the dialog " << texts_.title;
  window_ = nullptr;
  return result;
}

void MessageDialog::End(INT_PTR result) {
  if (window_ != nullptr) ::EndDialog(window_, result);
}

INT_PTR CALLBACK MessageDialog::DialogProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(window, DWLP_USER, lparam);
    auto* state = reinterpret_cast<DialogState*>(lparam);
    state->dialog->window_ = window;
    state->focus_ring.Attach(window,
                             FocusRingStyleFor(FocusRingBackground::kLight, state->theme.scale()));
    const bool stands_alone = ::GetWindow(window, GW_OWNER) == nullptr;
    if (stands_alone) {
      // A taskbar button with the program's icon, before the dialog shows.
      ::SetWindowLongW(window, GWL_EXSTYLE,
                       ::GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_APPWINDOW);
      state->icons.SetOn(window);
    }
    LayOut(window, *state);
    // Nothing of the program's is in front to show it: the person may be
    // working in another program.
    if (stands_alone) BringWindowToForeground(window);
    return FALSE;
  }
  auto* state = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (state == nullptr) return FALSE;
  if (MovesFocusOrCues(message, wparam)) ::PostMessageW(window, kFocusRingMessage, 0, 0);
  switch (message) {
    case kFocusRingMessage:
      state->focus_ring.MoveTo(
          state->keyboard_cues.focus_shown() ? FocusedControl(window) : nullptr,
          static_cast<int>(kButtonRadius * state->theme.scale()));
      return TRUE;
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE:
      state->keyboard_cues.Apply(wparam);
      return FALSE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      state->theme.Draw(dc, ImageRole::kDialogPicture, 0, 0);
      // A hairline frame instead of the system's border.
      RECT client;
      ::GetClientRect(window, &client);
      base::ScopedGdiObject frame(::CreateSolidBrush(Theme::kBorderColor));
      ::FrameRect(dc, &client, static_cast<HBRUSH>(frame.Get()));
      state->focus_ring.Paint(dc, window);
      ::EndPaint(window, &paint);
      return TRUE;
    }
    case WM_DRAWITEM:
      DrawStaticText(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), state->theme);
      return TRUE;
    case WM_NOTIFY: {
      const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lparam);
      if (draw.hdr.code != NM_CUSTOMDRAW) return FALSE;
      ::SetWindowLongPtrW(window, DWLP_MSGRESULT, DrawButton(draw, state->theme));
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (HIWORD(wparam) != BN_CLICKED) return TRUE;
      if (id == kDialogActionId && state->texts->action != 0) {
        if (*state->on_action) (*state->on_action)();
        ::EndDialog(window, kDialogActionId);
      } else if (id == kDialogCloseId) {
        ::EndDialog(window, kDialogCloseId);
      } else if (id == IDCANCEL) {
        // Escape leaves without acting: the confirmation resumes, the others close.
        ::EndDialog(window, state->escape_result);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void ShowFatalMessageBox(uint16_t lang_id, uint32_t cause_id) {
  const std::wstring text = LoadLocalizedString(kStringFatalText, lang_id) + L"\n" +
                            LoadLocalizedString(cause_id, lang_id);
  ::MessageBoxW(nullptr, text.c_str(), LoadLocalizedString(kStringFatalCaption, lang_id).c_str(),
                0);
}

}  // namespace ui
