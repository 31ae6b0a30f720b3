#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"

namespace demo_setup {

// Where the demo browser goes, under the user's local application data folder.
inline constexpr wchar_t kInstallFolder[] = L"Velmar\\Browser";
inline constexpr wchar_t kApplicationSubfolder[] = L"Application";
inline constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmarBrowser";

// Switches whose values name files the installer prepared for its setup.
inline constexpr const char* kFileSwitches[] = {"installerdata",
                                                "clids-file",
                                                "clids-searchband-file",
                                                "velmar-website-icon-file",
                                                "distr-info-file",
                                                "brand-package",
                                                "partner-package",
                                                "override-partner-package",
                                                "variations-update-path",
                                                "server-config-bundle-path",
                                                "preloaded-wallpaper-bundle-path"};

// Registered messages the setup posts to `progress-window`, in the order of a
// real installation: two install stages, then the data import.
struct ProgressMessage {
  const wchar_t* name;
  uintptr_t value;
};
inline constexpr wchar_t kInstallProgressMessage[] = L"velmar.lite.set_install_progress";
inline constexpr wchar_t kImportProgressMessage[] = L"velmar.lite.set_import_progress";
inline constexpr ProgressMessage kProgressMessages[] = {{kInstallProgressMessage, 5},
                                                        {kInstallProgressMessage, 7},
                                                        {kImportProgressMessage, 0},
                                                        {kImportProgressMessage, 50},
                                                        {kImportProgressMessage, 100}};

// What a test asks of the setup through the environment variables
// DEMO_SETUP_EXIT_CODE (signed or unsigned 32-bit decimal), DEMO_SETUP_SLEEP_MS
// (the wait before exiting) and DEMO_SETUP_STEP_MS (the pause after each
// progress message, so that a window can be watched at each figure); an empty
// text keeps the default (0).
struct DemoRequest {
  uint32_t exit_code = 0;
  uint32_t sleep_ms = 0;
  uint32_t step_ms = 0;
};
bool ParseDemoRequest(std::string_view exit_code_text, std::string_view sleep_ms_text,
                      std::string_view step_ms_text, DemoRequest* request);

// One file named by a switch, as the setup found it.
struct NamedFile {
  std::string switch_name;
  std::wstring path;
  bool readable = false;
  std::string content;
};

// Everything the setup received and did, for the tests to read back.
struct SetupRecord {
  std::wstring raw_command_line;
  base::CommandLine command_line;
  std::vector<NamedFile> files;
  int progress_messages_posted = 0;
  uint32_t exit_code = 0;
};

// Files of at most this size whose bytes are UTF-8 are recorded with their text.
inline constexpr size_t kMaxRecordedTextBytes = 65536;  // 64 KiB

// The record as indented JSON text.
std::string BuildSetupRecordJson(const SetupRecord& record, std::string_view version);

// A command that removes the demo browser's folder and its uninstall entry.
std::wstring BuildUninstallCommand(const std::wstring& install_folder);

}  // namespace demo_setup
