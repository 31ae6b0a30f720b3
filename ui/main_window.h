#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "ui/focus_ring.h"
#include "ui/installation.h"
#include "ui/installer_observer.h"
#include "ui/keyboard_cues.h"
#include "ui/layout.h"
#include "ui/licence_text.h"
#include "ui/message_dialog.h"
#include "ui/process_window.h"
#include "ui/slide_show.h"
#include "ui/theme.h"

namespace config {
class BrandInfo;
class DistributionParams;
}  // namespace config

namespace ui {

class ShadowWindow;

inline constexpr int kMainDialogTemplateId = 129;
inline constexpr UINT kProgressTimerId = 100;
inline constexpr UINT kProgressTimerPeriodMs = 20;

// Controls of the install window.
enum MainWindowControl : int {
  kInstallButtonId = 1,
  kCancelId = 2,
  kTaglineId = 1000,
  kDefaultBrowserCheckBoxId = 1002,
  kStatisticsCheckBoxId = 1003,
  kProgressCloseGlyphId = 1009,
  kWelcomeCloseGlyphId = 1010,
  kProgressBarId = 1012,
  kPrivacyLinkId = 1021,
  kLicenceTextId = 1053,
  kLicenceLinkId = 1054,
  kPercentageId = 1055,
  kSlideTextId = 1056,  // the first slide's texts, for screen readers
  kFirstSlideLicenceTextId = 1067,
  kFirstSlideLicenceLinkId = 1068,
};

// The names of the messages by which the setup process reports to the window.
inline constexpr wchar_t kImportProgressMessageName[] = L"velmar.lite.set_import_progress";
inline constexpr wchar_t kCloseWindowMessageName[] = L"velmar.lite.close_window";
inline constexpr wchar_t kInstallProgressMessageName[] = L"velmar.lite.set_install_progress";
inline constexpr wchar_t kHigherVersionMessageName[] = L"velmar.higher_version_exist";

// Lets a registered message from a lower integrity level through to `window`.
bool AllowMessage(HWND window, UINT message);

// Whether the window starts installing without waiting for the Install button:
// the parameters already hold every choice the welcome screen would ask for.
bool IsAutomaticStart(const config::DistributionParams& params);
// The make-default and statistics choices: a parameter wins over the check box.
bool MakeDefaultChoice(const config::DistributionParams& params, bool check_box);
bool SendStatisticsChoice(const config::DistributionParams& params, bool check_box);
// Whether the confirmation's `answer` cancels the installation. A Cancel that
// comes once the installation has ended (its end still on its way to the
// window) cancels nothing: the run ends as the installation did.
bool ConfirmationCancels(INT_PTR answer, bool installation_over);

// The install window: the welcome screen, then the progress screen. It owns
// the installation and turns its callbacks into window messages.
class MainWindow : public InstallerObserver {
 public:
  using InstallerFactory = std::function<std::unique_ptr<Installation>(InstallerObserver*)>;

  // Without a factory the window installs nothing (only its screens are shown).
  MainWindow(const config::BrandInfo& brand_info, const config::DistributionParams& params,
             const InstallerFactory& create_installer);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // 1 when the installation ran to its end, 2 on the system close command,
  // 1009 when cancelled on the progress screen, 1010 from the welcome screen.
  INT_PTR DoModal();
  Installation* installer() const { return installer_.get(); }

  // InstallerObserver:
  void OnDownloadProgress(float fraction) override;
  void OnSlowDownload() override {}
  void OnTimeLeft(int, int) override {}
  void CloseIfStarted(bool started) override;
  void OnInstallFinished(int code) override;
  HWND GetWindow() override { return window_.load(); }
  void SetProgress(int percent) override;
  void HideCancelButton() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool HandleRegisteredMessage(UINT message, WPARAM wparam);
  void OnInitDialog();
  void OnObserverMessage(WPARAM action);
  void OnCommand(int id, int code);
  void OnInstallClicked();
  void LayoutWelcomeDialog();
  void LayoutProgressDialog();
  void OnCancel(int id);
  void OnConfirmCancel();
  void OnLink(int id);
  void OnProgressMessage(int percent);
  void OnInstallProgress(int stage);
  void OnImportProgress(int percent);
  void OnCloseWindow();
  void OnHigherVersion();
  void OnTimer();
  void HideWithShadow();
  void EndWith(INT_PTR result);

  void CreateLicenceControls(int text_id, int link_id, const RECT& area);
  // Destroys a control; the focus it had goes to the first control that takes it.
  void DestroyControl(int id);
  // The first control in Tab order, or the window itself when none takes the
  // focus, so that the keys keep reaching the window.
  void FocusFirstControl();
  void UpdateFocusRing();
  void PlaceControl(int id, const RECT& logical);
  HWND Control(int id) const { return ::GetDlgItem(window_, id); }
  int Scaled(int logical) const;

  void Paint();
  void PaintWelcome(HDC dc);
  void PaintProgress(HDC dc);
  // Returns where the texts lie.
  RECT PaintFirstSlideText(HDC dc);
  void DrawItem(const DRAWITEMSTRUCT& item);
  void DrawLicenceText(int id, HWND control, HDC dc);
  LRESULT CustomDraw(const NMCUSTOMDRAW& draw);
  void PaintBackgroundUnder(HWND control, HDC dc);
  // Renders what lies under the controls: the background and logo, or the slide.
  void BuildScene();

  // Where the words of one licence sentence sit inside its control.
  struct LicenceLayout {
    std::vector<Word> words;
    std::vector<PlacedWord> placed;
    int line_height = 0;
  };
  LicenceLayout* LicenceLayoutFor(int id);
  void LayOutLicence(LicenceLayout* licence, HWND text, HWND link);
  std::vector<MeasuredWord> MeasureWords(HDC dc, const std::vector<Word>& words, HFONT plain,
                                         HFONT link) const;

  const config::BrandInfo& brand_info_;
  const config::DistributionParams& params_;
  std::unique_ptr<Installation> installer_;
  UINT import_progress_message_ = 0;
  UINT close_window_message_ = 0;
  UINT install_progress_message_ = 0;
  UINT higher_version_message_ = 0;
  bool install_started_ = false;
  bool progress_mode_ = false;
  bool first_slide_mode_ = false;
  std::atomic<int> result_code_{0};
  // Set by the installer's thread before it tells the window that the
  // installation has ended.
  std::atomic<bool> installation_over_{false};

  // Read by the installer's thread, which posts to it.
  std::atomic<HWND> window_{nullptr};
  Layout layout_;
  Theme theme_;
  MessageDialog confirmation_;
  std::unique_ptr<ShadowWindow> shadow_;
  // Shown with the window's first paint, so that composing it does not delay that.
  bool shadow_pending_ = false;
  std::unique_ptr<SlideShow> slide_show_;
  ITaskbarList3* taskbar_ = nullptr;
  WindowIcons icons_;
  base::ScopedGdiObject scene_;
  FocusRing focus_ring_;
  KeyboardCues keyboard_cues_;
  std::vector<TextRun> licence_runs_;
  LicenceLayout welcome_licence_;
  LicenceLayout slide_licence_;
};

}  // namespace ui
