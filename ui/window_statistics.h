#pragma once

#include <map>
#include <string>

namespace ui {

using WindowEvent = std::map<std::wstring, std::wstring>;

// The statistics events of the install window, as extra report values.
WindowEvent ClickedButtonEvent(const std::wstring& button);
WindowEvent InstallButtonClickedEvent();
WindowEvent ClickedLinkEvent(const std::wstring& url);
// `checkbox` is "default" or "sendstat".
WindowEvent ChosenCheckboxEvent(const std::wstring& checkbox);

}  // namespace ui
