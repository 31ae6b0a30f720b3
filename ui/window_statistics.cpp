#include "ui/window_statistics.h"

namespace ui {
namespace {

constexpr wchar_t kDialogWindowKey[] = L"dialog_window";
constexpr wchar_t kDialogWindow[] = L"liteinstall";

}  // namespace

WindowEvent ClickedButtonEvent(const std::wstring& button) {
  return {{L"clicked_button", button}, {kDialogWindowKey, kDialogWindow}};
}

WindowEvent InstallButtonClickedEvent() { return {{L"action", L"install_browser_button_clicked"}}; }

WindowEvent ClickedLinkEvent(const std::wstring& url) {
  return {{L"clicked_link", url}, {kDialogWindowKey, kDialogWindow}};
}

WindowEvent ChosenCheckboxEvent(const std::wstring& checkbox) {
  return {{L"choosen_checkbox", checkbox}, {kDialogWindowKey, kDialogWindow}};
}

}  // namespace ui
