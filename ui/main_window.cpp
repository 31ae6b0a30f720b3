#include "ui/main_window.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "base/command_line.h"
#include "base/log.h"
#include "base/os_version.h"
#include "base/strings.h"
#include "base/time_util.h"
#include "config/brand_info.h"
#include "config/distribution_params.h"
#include "endpoints.h"
#include "ui/accessibility.h"
#include "ui/language.h"
#include "ui/page_urls.h"
#include "ui/progress_scale.h"
#include "ui/remote_observer.h"
#include "ui/shadow_window.h"
#include "ui/slide_loader.h"
#include "ui/window_statistics.h"

namespace ui {
namespace {

// Work the installer's thread hands to the window's thread (wParam of
// kObserverMessage), since only the window's thread may touch its controls.
constexpr UINT kObserverMessage = WM_APP + 102;
enum ObserverAction : WPARAM { kInstallFinished = 1, kCloseIfStarted = 2, kHideCancelButton = 3 };
// Moves the focus ring once the message that moved the focus or changed the
// keyboard cues has been handled.
constexpr UINT kFocusRingMessage = WM_APP + 103;

constexpr int kInstallButtonWidth = 112;
constexpr int kInstallButtonHeight = 32;
constexpr int kCheckBoxGap = 8;  // between the box and its text
constexpr int kLabelOverhang = 2;
constexpr int kCloseGlyphSize = 12;
constexpr int kProgressBarWidth = 292;
constexpr int kProgressBarHeight = 4;
constexpr RECT kWelcomeLicenceArea = {60, 370, 668, 398};
constexpr RECT kFirstSlideLicenceArea = {400, 286, 667, 314};
constexpr int kPrivacyLinkGap = 6;
constexpr RECT kProgressLogoPosition = {28, 24, 194, 52};
constexpr int kWelcomeLogoTop = 128;
// The slides sit on the bottom edge of the left part of the progress screen.
constexpr RECT kSlideFrame = {20, 0, 400, 384};
constexpr int kProgressBarTop = 330;
constexpr int kSlideTextBottomGap = 36;
constexpr int kSlideTextBottomGapWithLicence = 60;  // room for the licence sentence

// The corner radius of each control that takes the focus, in logical pixels;
// the focus ring keeps it at its distance.
int CornerRadius(int id) {
  switch (id) {
    case kInstallButtonId:
      return 6;  // the button picture's
    case kWelcomeCloseGlyphId:
    case kProgressCloseGlyphId:
      return 6;  // a circle round the glyph
    case kDefaultBrowserCheckBoxId:
    case kStatisticsCheckBoxId:
      return 4;
    default:
      return 2;  // links
  }
}

using WelcomeControls = const int[8];
constexpr WelcomeControls kWelcomeControls = {
    kInstallButtonId,          kWelcomeCloseGlyphId,  kTaglineId,     kLicenceLinkId,
    kDefaultBrowserCheckBoxId, kStatisticsCheckBoxId, kPrivacyLinkId, kLicenceTextId};

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

// "&" marks an accelerator only in texts drawn with kAcceleratorPrefix.
constexpr UINT kAcceleratorPrefix = 0x80000000;

void DrawTextIn(HDC dc, HFONT font, COLORREF color, const std::wstring& text, RECT rect,
                UINT format) {
  const HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, color);
  format = (format & kAcceleratorPrefix) != 0 ? format & ~kAcceleratorPrefix : format | DT_NOPREFIX;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  ::SelectObject(dc, old);
}

// One measured word, its characters placed at the extents that measuring it
// reported, so that the next word starts where the line breaker expects.
void DrawWord(HDC dc, HFONT font, COLORREF color, const std::wstring& word, int x, int y) {
  const HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, color);
  const int length = static_cast<int>(word.size());
  std::vector<int> extents(word.size());
  SIZE size = {};
  if (length > 0 &&
      ::GetTextExtentExPointW(dc, word.c_str(), length, 0, nullptr, extents.data(), &size)) {
    for (int i = length - 1; i > 0; --i) extents[i] -= extents[i - 1];
    ::ExtTextOutW(dc, x, y, 0, nullptr, word.c_str(), static_cast<UINT>(length), extents.data());
  }
  ::SelectObject(dc, old);
}

// Paints the progress bar with the track and fill pictures instead of the
// system's look; the control keeps its range and position.
LRESULT CALLBACK ProgressBarProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                 DWORD_PTR data) {
  if (message == WM_PAINT) {
    const auto* theme = reinterpret_cast<const Theme*>(data);
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window, &paint);
    RECT client;
    ::GetClientRect(window, &client);
    const int position = static_cast<int>(::SendMessageW(window, PBM_GETPOS, 0, 0));
    const int clamped = position < 0 ? 0 : (position > 100 ? 100 : position);
    theme->Draw(dc, ImageRole::kProgressTrack, 0, 0);
    theme->DrawLeftPart(dc, ImageRole::kProgressFill, 0, 0, client.right * clamped / 100);
    ::EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return ::DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

bool AllowMessage(HWND window, UINT message) {
  const int os = base::GetOsVersionIndex();
  if (os < base::kOsVista) return true;
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (os >= base::kOsWin7) {
    using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
    const auto filter = reinterpret_cast<FilterEx>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
    return filter != nullptr && filter(window, message, MSGFLT_ALLOW, nullptr) != FALSE;
  }
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  const auto filter = reinterpret_cast<Filter>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilter")));
  return filter != nullptr && filter(message, MSGFLT_ADD) != FALSE;
}

bool IsAutomaticStart(const config::DistributionParams& params) {
  std::string first;
  return params.Get("first", &first) && first == "1" && params.Has("def") &&
         (params.Has("stat") || params.Has("statpromo"));
}

bool MakeDefaultChoice(const config::DistributionParams& params, bool check_box) {
  return params.Has("def") ? params.GetBool("def") : check_box;
}

bool SendStatisticsChoice(const config::DistributionParams& params, bool check_box) {
  if (params.Has("stat")) return params.GetBool("stat");
  std::string promo;
  if (params.Get("statpromo", &promo)) return promo == "true";
  return check_box;
}

bool ConfirmationCancels(INT_PTR answer, bool installation_over) {
  return answer == kDialogCloseId && !installation_over;
}

MainWindow::MainWindow(const config::BrandInfo& brand_info,
                       const config::DistributionParams& params,
                       const InstallerFactory& create_installer)
    : brand_info_(brand_info),
      params_(params),
      import_progress_message_(::RegisterWindowMessageW(kImportProgressMessageName)),
      close_window_message_(::RegisterWindowMessageW(kCloseWindowMessageName)),
      install_progress_message_(::RegisterWindowMessageW(kInstallProgressMessageName)),
      higher_version_message_(::RegisterWindowMessageW(kHigherVersionMessageName)),
      layout_(LayoutVariantFor(params.Has("def"), params.Has("stat") || params.Has("statpromo"))),
      theme_(brand_info.language_id()),
      confirmation_(MessageDialogKind::kConfirmCancel, brand_info.language_id()),
      keyboard_cues_(KeyboardCues::ForNewDialog()) {
  if (create_installer) {
    installer_ = create_installer(this);
    installer_->StartAsync();
  }
}

MainWindow::~MainWindow() {
  if (taskbar_ != nullptr) taskbar_->Release();
}

INT_PTR MainWindow::DoModal() {
  const ScopedKeyboardCueHook cue_hook;
  const INT_PTR result =
      ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMainDialogTemplateId),
                        nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
  if (result == -1) LOG_ERROR << "Failed to show the installation window";
  window_ = nullptr;
  return result;
}

int MainWindow::Scaled(int logical) const { return static_cast<int>(logical * theme_.scale()); }

// InstallerObserver, called on the installer's thread ------------------------

void MainWindow::OnDownloadProgress(float fraction) { SetProgress(DownloadPercent(fraction)); }

void MainWindow::CloseIfStarted(bool) {
  installation_over_ = true;
  ::PostMessageW(window_, kObserverMessage, kCloseIfStarted, 0);
}

void MainWindow::OnInstallFinished(int code) {
  result_code_ = code;
  installation_over_ = true;
  ::PostMessageW(window_, kObserverMessage, kInstallFinished, 0);
}

void MainWindow::SetProgress(int percent) {
  ::PostMessageW(window_, kSetProgressMessage, static_cast<WPARAM>(percent), 0);
}

void MainWindow::HideCancelButton() {
  ::PostMessageW(window_, kObserverMessage, kHideCancelButton, 0);
}

// Messages --------------------------------------------------------------------

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(window, DWLP_USER, lparam);
    auto* self = reinterpret_cast<MainWindow*>(lparam);
    self->window_ = window;
    self->OnInitDialog();
    return FALSE;
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
  return self != nullptr ? self->HandleMessage(message, wparam, lparam) : FALSE;
}

bool MainWindow::HandleRegisteredMessage(UINT message, WPARAM wparam) {
  if (message == import_progress_message_) {
    OnImportProgress(static_cast<int>(wparam));
  } else if (message == close_window_message_) {
    OnCloseWindow();
  } else if (message == install_progress_message_) {
    OnInstallProgress(static_cast<int>(wparam));
  } else if (message == higher_version_message_) {
    OnHigherVersion();
  } else {
    return false;
  }
  ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
  return true;
}

INT_PTR MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (HandleRegisteredMessage(message, wparam)) return TRUE;
  if (MovesFocusOrCues(message, wparam)) ::PostMessageW(window_, kFocusRingMessage, 0, 0);
  switch (message) {
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE:
      // Every control shows the cues' new state at once, before the key that
      // brought them moves the focus, so that Install sees them unfocused.
      if (keyboard_cues_.Apply(wparam)) {
        ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      return FALSE;
    case kFocusRingMessage:
      UpdateFocusRing();
      return TRUE;
    case WM_PAINT:
      Paint();
      if (shadow_pending_) {
        shadow_pending_ = false;
        shadow_->Show(::IsWindowVisible(window_) != FALSE);
      }
      return TRUE;
    case WM_ERASEBKGND:
      ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->code != NM_CUSTOMDRAW) return FALSE;
      ::SetWindowLongPtrW(window_, DWLP_MSGRESULT,
                          CustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(lparam)));
      return TRUE;
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) != SC_CLOSE) return FALSE;
      EndWith(2);
      return TRUE;
    case WM_TIMER:
      if (wparam == kProgressTimerId) OnTimer();
      return TRUE;
    case kSetProgressMessage:
      OnProgressMessage(static_cast<int>(wparam));
      return TRUE;
    case kObserverMessage:
      OnObserverMessage(wparam);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    default:
      return FALSE;
  }
}

// Work the installer's thread handed over (see kObserverMessage).
void MainWindow::OnObserverMessage(WPARAM action) {
  if (action == kHideCancelButton) {
    DestroyControl(kProgressCloseGlyphId);
    return;
  }
  if (!install_started_) return;
  // The installation has ended: whether to cancel it is no longer a question.
  confirmation_.End(kDialogActionId);
  if (action == kInstallFinished) {
    HideWithShadow();
    if (result_code_ != 0) {
      const bool old_component = result_code_ == kOldCryptoComponentResult;
      MessageDialog dialog(
          old_component ? MessageDialogKind::kOldComponent : MessageDialogKind::kDownload,
          brand_info_.language_id(), [this] {
            const std::string url = BuildDownloadPageUrl(endpoints::kBrowserSite,
                                                         brand_info_.brand_id(), params_.params());
            ::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
          });
      dialog.DoModal(window_);
    }
  }
  EndWith(1);
}

void MainWindow::OnCommand(int id, int code) {
  // Buttons with the notify style also report focus changes.
  if (code != BN_CLICKED) return;
  switch (id) {
    case kInstallButtonId:
      OnInstallClicked();
      break;
    case kCancelId:
    case kWelcomeCloseGlyphId:
      OnCancel(id);
      break;
    case kProgressCloseGlyphId:
      OnConfirmCancel();
      break;
    case kPrivacyLinkId:
    case kLicenceLinkId:
    case kFirstSlideLicenceLinkId:
      OnLink(id);
      break;
    case kDefaultBrowserCheckBoxId:
    case kStatisticsCheckBoxId:
      if (installer_) {
        installer_->SendEvent(
            ChosenCheckboxEvent(id == kDefaultBrowserCheckBoxId ? L"default" : L"sendstat"));
      }
      ::InvalidateRect(Control(id), nullptr, FALSE);
      break;
    default:
      break;
  }
}

// Screens ---------------------------------------------------------------------

void MainWindow::OnInitDialog() {
  for (UINT message : {import_progress_message_, close_window_message_, install_progress_message_,
                       higher_version_message_}) {
    AllowMessage(window_, message);
  }
  if (installer_ && installer_->ElevationMode() == 1 && installer_->NeedsElevation() &&
      !installer_->StartElevated()) {
    LOG_INFO << "Declined running the installer as admin";
  }

  ::SetWindowTextW(window_, theme_.String(kStringWindowTitle).c_str());
  ::SetDlgItemTextW(window_, kInstallButtonId, theme_.String(kStringInstall).c_str());
  ::SetDlgItemTextW(window_, kDefaultBrowserCheckBoxId, theme_.String(kStringMakeDefault).c_str());
  ::SetDlgItemTextW(window_, kStatisticsCheckBoxId, theme_.String(kStringSendStatistics).c_str());
  ::SetDlgItemTextW(window_, kPrivacyLinkId, theme_.String(kStringPrivacyPolicy).c_str());
  ::SetDlgItemTextW(window_, kTaglineId, theme_.String(kStringTagline).c_str());
  // The close glyphs show no text; screen readers read it.
  for (int id : {kWelcomeCloseGlyphId, kProgressCloseGlyphId}) {
    ::SetDlgItemTextW(window_, id, theme_.String(kStringClose).c_str());
  }
  // Nor does the progress bar, which the program's caption names ("Velmar
  // Browser Installation"); its position is its value.
  ::SetDlgItemTextW(window_, kProgressBarId, theme_.String(kStringFatalCaption).c_str());
  AnnotateAsLink(Control(kPrivacyLinkId));
  focus_ring_.Attach(window_, FocusRingStyleFor(FocusRingBackground::kDark, theme_.scale()));

  icons_.SetOn(window_);

  // The window's size and place: 728 x 400 logical pixels in the middle of the work area.
  const RECT client = ScaleRect(layout_.Client(), theme_.scale());
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - client.right) / 2,
                 work.top + (work.bottom - work.top - client.bottom) / 2, client.right,
                 client.bottom, SWP_NOZORDER);

  shadow_ = std::make_unique<ShadowWindow>(window_);
  licence_runs_ = SplitLicenceRuns(theme_.String(kStringLicense));
  CreateLicenceControls(kLicenceTextId, kLicenceLinkId, kWelcomeLicenceArea);
  LayoutWelcomeDialog();

  // Hidden on Windows 8 and 8.1, and on Windows 10 when the interface check fails.
  const bool default_browser_offered = !installer_ || installer_->CanMakeDefaultBrowser();
  ::CheckDlgButton(
      window_, kDefaultBrowserCheckBoxId,
      default_browser_offered && brand_info_.IsMakeBrowserDefault() ? BST_CHECKED : BST_UNCHECKED);
  if (!default_browser_offered) ::ShowWindow(Control(kDefaultBrowserCheckBoxId), SW_HIDE);
  ::CheckDlgButton(window_, kStatisticsCheckBoxId,
                   brand_info_.IsSendStatistics() ? BST_CHECKED : BST_UNCHECKED);

  BuildScene();
  if (IsAutomaticStart(params_)) {
    install_started_ = true;
    LayoutProgressDialog();
  }
  ::ShowWindow(window_, SW_SHOW);
  // The shadow is composed after the window's first paint (HandleMessage).
  shadow_pending_ = true;
  ::SetForegroundWindow(window_);
  if (progress_mode_) {
    FocusFirstControl();
  } else {
    ::SetFocus(Control(kInstallButtonId));
  }
}

void MainWindow::LayoutWelcomeDialog() {
  PlaceControl(kInstallButtonId,
               PlaceAt(layout_.InstallButtonArea(), kInstallButtonWidth, kInstallButtonHeight));
  PlaceControl(kWelcomeCloseGlyphId,
               PlaceAt(layout_.CloseGlyphArea(), kCloseGlyphSize, kCloseGlyphSize));
  PlaceControl(kTaglineId, layout_.TaglineBand());

  // Each check box is as tall as its wrapped text; the privacy link goes under
  // the one on the left, in line with its text.
  const HDC dc = ::GetDC(window_);
  const int box_width = theme_.FrameSize(ImageRole::kCheckBox).cx + Scaled(kCheckBoxGap);
  const int left_id = layout_.variant() == LayoutVariant::kDefaultBrowserOnly
                          ? kDefaultBrowserCheckBoxId
                          : kStatisticsCheckBoxId;
  int left_column_bottom = 0;
  for (const auto& [id, logical] :
       {std::pair{kStatisticsCheckBoxId, layout_.StatisticsCheckBox()},
        std::pair{kDefaultBrowserCheckBoxId, layout_.DefaultBrowserCheckBox()}}) {
    const RECT area = ScaleRect(logical, theme_.scale());
    const std::wstring text = WindowText(Control(id));
    const HGDIOBJ old = ::SelectObject(dc, theme_.font(FontRole::kSmall));
    RECT measured = {0, 0, area.right - area.left - box_width, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
                DT_CALCRECT | DT_WORDBREAK | DT_HIDEPREFIX);
    ::SelectObject(dc, old);
    const int height = std::max<int>(measured.bottom, theme_.FrameSize(ImageRole::kCheckBox).cy);
    // The label's last letter may reach a little past its advance.
    const int width =
        std::min<int>(area.right - area.left, box_width + measured.right + Scaled(kLabelOverhang));
    ::MoveWindow(Control(id), area.left, area.top, width, height, FALSE);
    if (id == left_id) left_column_bottom = area.top + height;
  }
  // Variant 1 asks only for statistics, variant 2 only for the default browser.
  if (layout_.variant() == LayoutVariant::kStatisticsOnly) {
    ::ShowWindow(Control(kDefaultBrowserCheckBoxId), SW_HIDE);
  } else if (layout_.variant() == LayoutVariant::kDefaultBrowserOnly) {
    ::ShowWindow(Control(kStatisticsCheckBoxId), SW_HIDE);
  }

  const HGDIOBJ old = ::SelectObject(dc, theme_.font(FontRole::kTinyLink));
  const std::wstring privacy = WindowText(Control(kPrivacyLinkId));
  SIZE size = {};
  ::GetTextExtentPoint32W(dc, privacy.c_str(), static_cast<int>(privacy.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(window_, dc);
  const RECT area = ScaleRect(layout_.PrivacyLinkArea(), theme_.scale());
  ::MoveWindow(Control(kPrivacyLinkId), area.left, left_column_bottom + Scaled(kPrivacyLinkGap),
               std::min<int>(size.cx, area.right - area.left), size.cy, FALSE);
}

void MainWindow::OnInstallClicked() {
  if (install_started_) return;
  install_started_ = true;
  if (IsAutomaticStart(params_)) return;
  if (installer_) {
    installer_->set_ok_pressed_time(base::MonotonicMicros());
    installer_->SendEvent(ClickedButtonEvent(L"install"));
    installer_->SendEvent(InstallButtonClickedEvent());
  }
  LayoutProgressDialog();
  ::InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::LayoutProgressDialog() {
  const bool default_checked =
      ::IsDlgButtonChecked(window_, kDefaultBrowserCheckBoxId) == BST_CHECKED;
  const bool statistics_checked =
      ::IsDlgButtonChecked(window_, kStatisticsCheckBoxId) == BST_CHECKED;
  if (installer_) {
    installer_->set_make_browser_default(MakeDefaultChoice(params_, default_checked));
    installer_->set_send_statistics(SendStatisticsChoice(params_, statistics_checked));
  }

  const RECT frame = ScaleRect(kSlideFrame, theme_.scale());
  slide_show_ = std::make_unique<SlideShow>(
      SIZE{frame.right - frame.left, frame.bottom - frame.top},
      theme_.image(ImageRole::kFirstSlide), GetInstallerSlideUrl(brand_info_));
  // The first slide's texts are drawn with the slide; this control, placed
  // over them, gives them to screen readers.
  const std::wstring slide_text =
      theme_.String(kStringFirstSlideHeading) + L"\n" + theme_.String(kStringFirstSlideText);
  ::CreateWindowExW(0, L"Static", slide_text.c_str(), WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 0,
                    0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSlideTextId)),
                    ::GetModuleHandleW(nullptr), nullptr);
  if (SUCCEEDED(::CoCreateInstance(__uuidof(TaskbarList), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(ITaskbarList3), reinterpret_cast<void**>(&taskbar_)))) {
    taskbar_->HrInit();
  } else {
    taskbar_ = nullptr;
  }
  if (IsAutomaticStart(params_)) {
    CreateLicenceControls(kFirstSlideLicenceTextId, kFirstSlideLicenceLinkId,
                          kFirstSlideLicenceArea);
    first_slide_mode_ = true;
  }

  if (result_code_ != 0) {
    OnInstallFinished(result_code_);
    return;
  }
  if (installer_ && installer_->ElevationMode() == 0 && installer_->NeedsElevation() &&
      !installer_->StartElevated()) {
    LOG_INFO << "Declined running the installer as admin";
  }

  focus_ring_.set_style(FocusRingStyleFor(FocusRingBackground::kLight, theme_.scale()));
  for (int id : kWelcomeControls) DestroyControl(id);
  std::string cancel;
  if (params_.Get("cancel", &cancel) && cancel == "1") {
    PlaceControl(kProgressCloseGlyphId,
                 PlaceAt(layout_.CloseGlyphArea(), kCloseGlyphSize, kCloseGlyphSize));
    ::ShowWindow(Control(kProgressCloseGlyphId), SW_SHOW);
  } else {
    DestroyControl(kProgressCloseGlyphId);
  }
  const HWND bar = Control(kProgressBarId);
  ::SetWindowSubclass(bar, ProgressBarProc, 0, reinterpret_cast<DWORD_PTR>(&theme_));
  ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(bar, PBM_SETPOS, 0, 0);
  ::SetDlgItemTextW(window_, kPercentageId, L"0%");
  // The bar and the figure under it share the centre of the percentage area.
  const RECT area = layout_.PercentageArea();
  const int bar_left = (area.left + area.right - kProgressBarWidth) / 2;
  PlaceControl(kProgressBarId, {bar_left, kProgressBarTop, bar_left + kProgressBarWidth,
                                kProgressBarTop + kProgressBarHeight});
  PlaceControl(kPercentageId, area);
  ::ShowWindow(bar, SW_SHOW);
  ::SetTimer(window_, kProgressTimerId, kProgressTimerPeriodMs, nullptr);

  progress_mode_ = true;
  BuildScene();
  if (FocusedControl(window_) == nullptr) FocusFirstControl();
  if (installer_) installer_->AllowInstallation();
}

void MainWindow::OnCancel(int id) {
  if (id == kWelcomeCloseGlyphId) {
    if (installer_) installer_->IncrementCancelCount();
  }
  if (installer_) installer_->SendEvent(ClickedButtonEvent(L"cancel"));
  if (id == kWelcomeCloseGlyphId) EndWith(kWelcomeCloseGlyphId);
}

void MainWindow::OnConfirmCancel() {
  const INT_PTR answer = confirmation_.DoModal(window_);
  if (!ConfirmationCancels(answer, installation_over_)) {
    if (answer == kDialogCloseId) LOG_INFO << "Cancel came after the installation had ended";
    return;
  }
  if (installer_) installer_->IncrementCancelCount();
  EndWith(kProgressCloseGlyphId);
}

void MainWindow::OnLink(int id) {
  const std::wstring url = base::WidenByteByByte(BuildLegalPageUrl(
      id == kPrivacyLinkId ? brand_info_.conf_policy_url() : brand_info_.license_url(),
      brand_info_.default_language()));
  ::ShellExecuteW(window_, L"open", url.c_str(), nullptr, nullptr, SW_SHOW);
  if (installer_) installer_->SendEvent(ClickedLinkEvent(url));
}

// Progress --------------------------------------------------------------------

void MainWindow::OnProgressMessage(int percent) {
  if (!progress_mode_) {
    LOG_INFO << "Progress " << percent << " arrived before the progress screen; dropped";
    return;
  }
  const HWND bar = Control(kProgressBarId);
  if (percent == static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0))) return;
  ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  ::SetDlgItemTextW(window_, kPercentageId, (base::NumberToWide(percent) + L"%").c_str());
  ::InvalidateRect(Control(kPercentageId), nullptr, TRUE);
  if (taskbar_ != nullptr)
    taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
}

void MainWindow::OnInstallProgress(int stage) {
  const int percent = InstallStagePercent(stage);
  LOG_INFO << "--> Installer > MainWindow::OnInstallProgress: " << percent;
  if (percent != 0) SetProgress(percent);
}

void MainWindow::OnImportProgress(int percent) {
  LOG_INFO << "--> Installer > MainWindow::OnImportProgress: " << percent;
  SetProgress(ImportPercent(percent));
}

void MainWindow::OnCloseWindow() {
  HideWithShadow();
  LOG_INFO << "--> Installer > MainWindow::OnCloseWindow";
  if (installer_ && !installer_->StopAndWait()) {
    LOG_ERROR << "--> Installer > MainWindow::OnCloseWindow: WaitForInstallAsync timeout";
  }
  confirmation_.End(1);
  EndWith(1);
}

void MainWindow::OnHigherVersion() {
  confirmation_.End(kDialogActionId);
  HideWithShadow();
  MessageDialog(MessageDialogKind::kNewerVersion, brand_info_.language_id()).DoModal(window_);
  EndWith(1);
}

void MainWindow::OnTimer() {
  if (!slide_show_) return;
  if (slide_show_->Tick()) {
    BuildScene();
    ::InvalidateRect(window_, nullptr, FALSE);
  }
  if (slide_show_->IsPastFirstSlide()) DestroyControl(kSlideTextId);
  if (first_slide_mode_ && slide_show_->IsPastFirstSlide()) {
    DestroyControl(kFirstSlideLicenceTextId);
    DestroyControl(kFirstSlideLicenceLinkId);
    first_slide_mode_ = false;
  }
}

void MainWindow::HideWithShadow() {
  ::ShowWindow(window_, SW_HIDE);
  if (shadow_) shadow_->Show(false);
}

void MainWindow::EndWith(INT_PTR result) {
  ::KillTimer(window_, kProgressTimerId);
  ::EndDialog(window_, result);
}

// Controls --------------------------------------------------------------------

void MainWindow::DestroyControl(int id) {
  const HWND control = Control(id);
  if (control == nullptr) return;
  const bool focused = ::GetFocus() == control;
  if (focus_ring_.control() == control) focus_ring_.MoveTo(nullptr, 0);
  ::DestroyWindow(control);
  if (focused) FocusFirstControl();
}

void MainWindow::FocusFirstControl() {
  const HWND first = ::GetNextDlgTabItem(window_, nullptr, FALSE);
  if (first != nullptr && ::IsWindowVisible(first) &&
      (::GetWindowLongW(first, GWL_STYLE) & WS_TABSTOP) != 0) {
    ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  } else {
    ::SetFocus(window_);
  }
}

void MainWindow::UpdateFocusRing() {
  const HWND control = keyboard_cues_.focus_shown() ? FocusedControl(window_) : nullptr;
  focus_ring_.MoveTo(control,
                     control != nullptr ? Scaled(CornerRadius(::GetDlgCtrlID(control))) : 0);
}

void MainWindow::PlaceControl(int id, const RECT& logical) {
  const RECT rect = ScaleRect(logical, theme_.scale());
  ::MoveWindow(Control(id), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               FALSE);
}

void MainWindow::CreateLicenceControls(int text_id, int link_id, const RECT& area) {
  const RECT rect = ScaleRect(area, theme_.scale());
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  std::wstring sentence;
  std::wstring link_text;
  for (const TextRun& run : licence_runs_) {
    sentence += run.text;
    if (run.link) link_text += run.text;
  }
  ::CreateWindowExW(0, L"Static", sentence.c_str(), WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, rect.left,
                    rect.top, rect.right - rect.left, rect.bottom - rect.top, window_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(text_id)), instance, nullptr);
  // The link button lies over its words.
  ::CreateWindowExW(0, L"Button", link_text.c_str(),
                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0, 0, 0, 0,
                    window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(link_id)), instance,
                    nullptr);
  AnnotateAsLink(Control(link_id));
  LayOutLicence(LicenceLayoutFor(text_id), Control(text_id), Control(link_id));
}

// Drawing ---------------------------------------------------------------------

void MainWindow::BuildScene() {
  const RECT client = ScaleRect(layout_.Client(), theme_.scale());
  const HDC screen = ::GetDC(window_);
  const HDC dc = ::CreateCompatibleDC(screen);
  scene_.Reset(::CreateCompatibleBitmap(screen, client.right, client.bottom));
  ::ReleaseDC(window_, screen);
  const HGDIOBJ old = ::SelectObject(dc, scene_.Get());
  if (!progress_mode_) {
    theme_.Draw(dc, ImageRole::kBackground, 0, 0);
    const SIZE logo = theme_.FrameSize(ImageRole::kWelcomeLogo);
    theme_.Draw(dc, ImageRole::kWelcomeLogo, (client.right - logo.cx) / 2, Scaled(kWelcomeLogoTop));
  } else {
    ::FillRect(dc, &client, theme_.white_brush());
    if (slide_show_) {
      POINT origin;
      ::SetViewportOrgEx(dc, Scaled(kSlideFrame.left), Scaled(kSlideFrame.top), &origin);
      slide_show_->Paint(dc);
      ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    }
    theme_.Draw(dc, ImageRole::kProgressLogo, Scaled(kProgressLogoPosition.left),
                Scaled(kProgressLogoPosition.top));
    if (slide_show_ && slide_show_->IsOnFirstSlide()) {
      const RECT text = PaintFirstSlideText(dc);
      ::MoveWindow(Control(kSlideTextId), text.left, text.top, text.right - text.left,
                   text.bottom - text.top, FALSE);
    }
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  // Every control draws the part of the scene under it first.
  for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    ::InvalidateRect(child, nullptr, FALSE);
  }
}

RECT MainWindow::PaintFirstSlideText(HDC dc) {
  const RECT area = ScaleRect(layout_.SlideTextArea(), theme_.scale());
  const HGDIOBJ old = ::SelectObject(dc, theme_.font(FontRole::kTitle));
  TEXTMETRICW title_metrics = {};
  ::GetTextMetricsW(dc, &title_metrics);
  ::SelectObject(dc, theme_.font(FontRole::kBody));
  TEXTMETRICW body_metrics = {};
  ::GetTextMetricsW(dc, &body_metrics);
  ::SelectObject(dc, old);

  // The text runs with a line height of 1.4 times the font's, centred in the
  // area, and the heading and text as one block beside the picture.
  const std::vector<Word> words = SplitWords({{theme_.String(kStringFirstSlideText), false}});
  const std::vector<PlacedWord> placed = LayoutWords(
      MeasureWords(dc, words, theme_.font(FontRole::kBody), theme_.font(FontRole::kBody)),
      area.right - area.left);
  const int line_height = static_cast<int>(body_metrics.tmHeight * Theme::kLineHeightFactor);
  const int lines = placed.empty() ? 0 : placed.back().line + 1;
  const int gap = Scaled(16);
  const int block = title_metrics.tmHeight + gap + lines * line_height;
  const int bottom_gap = first_slide_mode_ ? kSlideTextBottomGapWithLicence : kSlideTextBottomGap;
  const int top = Scaled(kProgressBarTop) - Scaled(bottom_gap) - block;

  RECT heading = {area.left, top, area.right, top + title_metrics.tmHeight};
  DrawTextIn(dc, theme_.font(FontRole::kTitle), Theme::kDarkTextColor,
             theme_.String(kStringFirstSlideHeading), heading, DT_CENTER | DT_SINGLELINE | DT_TOP);
  const int text_top = top + title_metrics.tmHeight + gap;
  for (const PlacedWord& word : placed) {
    DrawWord(dc, theme_.font(FontRole::kBody), Theme::kGreyTextColor, words[word.word].text,
             area.left + word.x, text_top + word.line * line_height);
  }
  return {area.left, top, area.right, top + block};
}

void MainWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window_, &paint);
  const HDC scene = ::CreateCompatibleDC(dc);
  const HGDIOBJ old = ::SelectObject(scene, scene_.Get());
  const RECT& r = paint.rcPaint;
  ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, scene, r.left, r.top, SRCCOPY);
  ::SelectObject(scene, old);
  ::DeleteDC(scene);
  focus_ring_.Paint(dc, window_);
  ::EndPaint(window_, &paint);
}

void MainWindow::PaintBackgroundUnder(HWND control, HDC dc) {
  RECT rect;
  ::GetClientRect(control, &rect);
  ::MapWindowPoints(control, window_, reinterpret_cast<POINT*>(&rect), 2);
  const HDC scene = ::CreateCompatibleDC(dc);
  const HGDIOBJ old = ::SelectObject(scene, scene_.Get());
  ::BitBlt(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top, scene, rect.left, rect.top,
           SRCCOPY);
  ::SelectObject(scene, old);
  ::DeleteDC(scene);
  focus_ring_.Paint(dc, control);
}

std::vector<MeasuredWord> MainWindow::MeasureWords(HDC dc, const std::vector<Word>& words,
                                                   HFONT plain, HFONT link) const {
  std::vector<MeasuredWord> measured;
  const HGDIOBJ old = ::SelectObject(dc, plain);
  for (const Word& word : words) {
    const bool is_link = word.run < licence_runs_.size() && licence_runs_[word.run].link;
    ::SelectObject(dc, is_link ? link : plain);
    SIZE whole = {};
    ::GetTextExtentPoint32W(dc, word.text.c_str(), static_cast<int>(word.text.size()), &whole);
    const size_t last = word.text.find_last_not_of(L" \t\x3000");
    SIZE trimmed = {};
    if (last != std::wstring::npos) {
      ::GetTextExtentPoint32W(dc, word.text.c_str(), static_cast<int>(last + 1), &trimmed);
    }
    measured.push_back(
        {whole.cx, whole.cx - trimmed.cx, word.line_feed, NeverStartsLine(word.text)});
  }
  ::SelectObject(dc, old);
  return measured;
}

MainWindow::LicenceLayout* MainWindow::LicenceLayoutFor(int id) {
  if (id == kLicenceTextId || id == kLicenceLinkId) return &welcome_licence_;
  if (id == kFirstSlideLicenceTextId || id == kFirstSlideLicenceLinkId) return &slide_licence_;
  return nullptr;
}

void MainWindow::LayOutLicence(LicenceLayout* licence, HWND text, HWND link) {
  RECT area;
  ::GetClientRect(text, &area);
  const HDC dc = ::GetDC(text);
  licence->words = SplitWords(licence_runs_);
  const std::vector<MeasuredWord> measured = MeasureWords(
      dc, licence->words, theme_.font(FontRole::kTiny), theme_.font(FontRole::kTinyLink));
  SIZE anything = {};
  const HGDIOBJ old = ::SelectObject(dc, theme_.font(FontRole::kTiny));
  ::GetTextExtentPoint32W(dc, L"anything", 8, &anything);
  ::SelectObject(dc, old);
  ::ReleaseDC(text, dc);
  licence->line_height = anything.cy;
  licence->placed = LayoutWords(measured, area.right);

  // The link button covers the link's words.
  RECT bounds = {};
  for (const PlacedWord& placed : licence->placed) {
    if (!licence_runs_[licence->words[placed.word].run].link) continue;
    const MeasuredWord& word = measured[placed.word];
    const RECT box = {placed.x, placed.line * anything.cy,
                      placed.x + word.width - word.trailing_blank_width,
                      (placed.line + 1) * anything.cy};
    if (::IsRectEmpty(&bounds)) {
      bounds = box;
    } else {
      ::UnionRect(&bounds, &bounds, &box);
    }
  }
  ::MapWindowPoints(text, window_, reinterpret_cast<POINT*>(&bounds), 2);
  ::MoveWindow(link, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, FALSE);
}

void MainWindow::DrawLicenceText(int id, HWND control, HDC dc) {
  LicenceLayout* licence = LicenceLayoutFor(id);
  if (licence == nullptr) return;
  const bool link_button = id == kLicenceLinkId || id == kFirstSlideLicenceLinkId;
  // Positions are relative to the sentence's control; the link button is offset.
  POINT origin = {0, 0};
  if (link_button) {
    const HWND text =
        Control(licence == &welcome_licence_ ? kLicenceTextId : kFirstSlideLicenceTextId);
    ::MapWindowPoints(text, control, &origin, 1);
  }
  const bool on_slide = licence == &slide_licence_;
  const COLORREF plain = on_slide ? Theme::kGreyTextColor : Theme::kMutedTextColor;
  const COLORREF link = on_slide ? Theme::kAccentColor : Theme::kTextColor;
  for (const PlacedWord& placed : licence->placed) {
    const Word& word = licence->words[placed.word];
    const bool is_link = licence_runs_[word.run].link;
    if (link_button && !is_link) continue;
    DrawWord(dc, theme_.font(is_link ? FontRole::kTinyLink : FontRole::kTiny),
             is_link ? link : plain, word.text, origin.x + placed.x,
             origin.y + placed.line * licence->line_height);
  }
}

void MainWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  const int id = static_cast<int>(item.CtlID);
  PaintBackgroundUnder(item.hwndItem, item.hDC);
  const std::wstring text = WindowText(item.hwndItem);
  RECT rect = item.rcItem;
  switch (id) {
    case kTaglineId:
      DrawTextIn(item.hDC, theme_.font(FontRole::kLarge), Theme::kTextColor, text, rect,
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      break;
    case kPercentageId:
      DrawTextIn(item.hDC, theme_.font(FontRole::kMedium), Theme::kGreyTextColor, text, rect,
                 DT_CENTER | DT_TOP | DT_SINGLELINE);
      break;
    default:
      DrawLicenceText(id, item.hwndItem, item.hDC);
      break;
  }
}

LRESULT MainWindow::CustomDraw(const NMCUSTOMDRAW& draw) {
  if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  const int id = static_cast<int>(draw.hdr.idFrom);
  const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
  const bool hot = (draw.uItemState & CDIS_HOT) != 0;
  const int state_frame = pressed ? 2 : (hot ? 1 : 0);
  const HWND control = draw.hdr.hwndFrom;
  switch (id) {
    case kInstallButtonId: {
      PaintBackgroundUnder(control, draw.hdc);
      theme_.DrawFrame(draw.hdc, ImageRole::kInstallButton, state_frame, 0, 0);
      RECT rect = draw.rc;
      if (pressed) ::OffsetRect(&rect, 0, 1);
      DrawTextIn(draw.hdc, theme_.font(FontRole::kMedium), Theme::kTextColor, WindowText(control),
                 rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      return CDRF_SKIPDEFAULT;
    }
    case kPrivacyLinkId:
      PaintBackgroundUnder(control, draw.hdc);
      DrawWord(draw.hdc, theme_.font(FontRole::kTinyLink), Theme::kMutedTextColor,
               WindowText(control), 0, 0);
      return CDRF_SKIPDEFAULT;
    case kLicenceLinkId:
    case kFirstSlideLicenceLinkId:
      PaintBackgroundUnder(control, draw.hdc);
      DrawLicenceText(id, control, draw.hdc);
      return CDRF_SKIPDEFAULT;
    case kWelcomeCloseGlyphId:
    case kProgressCloseGlyphId:
      PaintBackgroundUnder(control, draw.hdc);
      theme_.DrawFrame(
          draw.hdc,
          id == kWelcomeCloseGlyphId ? ImageRole::kWelcomeClose : ImageRole::kProgressClose,
          state_frame, 0, 0);
      return CDRF_SKIPDEFAULT;
    case kDefaultBrowserCheckBoxId:
    case kStatisticsCheckBoxId: {
      PaintBackgroundUnder(control, draw.hdc);
      const bool checked = ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
      const SIZE box = theme_.FrameSize(ImageRole::kCheckBox);
      theme_.DrawFrame(draw.hdc, ImageRole::kCheckBox, (checked ? 3 : 0) + state_frame, 0,
                       Scaled(1));
      RECT rect = draw.rc;
      rect.left += box.cx + Scaled(kCheckBoxGap);
      // The accelerator is underlined once the keyboard is used.
      const bool underline = keyboard_cues_.accelerators_shown();
      const std::wstring label = WindowText(control);
      DrawTextIn(draw.hdc, theme_.font(FontRole::kSmall), Theme::kTextColor,
                 underline ? label : WithoutAcceleratorMarks(label), rect,
                 DT_LEFT | DT_TOP | DT_WORDBREAK | (underline ? kAcceleratorPrefix : 0));
      return CDRF_SKIPDEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

}  // namespace ui
