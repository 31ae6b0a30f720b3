#pragma once

#include <cstdint>
#include <string>

#include "base/command_line.h"

namespace installer {

// Program part of the command line handed to the elevated copy, which learns
// the real archive path later.
inline constexpr wchar_t kFakeBrowserArchive[] = L"fake_browser_arc";

// Everything the browser's setup command line is built from.
struct SetupCommandLineInputs {
  std::wstring program;
  bool disable_uac = false;
  uint64_t progress_window = 0;
  std::string brand_name;
  std::wstring distr_info_file;
  bool make_default = false;
  bool send_statistics = false;
  // Monotonic microsecond ticks; 0 when unknown.
  int64_t ok_pressed_time = 0;
  int64_t elevation_start_time = 0;
  int64_t elevation_done_time = 0;
  int64_t download_end_time = 0;
  uint64_t interface_availability = 0;
  bool with_file_switches = false;
  std::wstring installer_data_path;
  std::wstring clids_path;
  std::wstring clids_searchband_path;
  std::wstring website_icon_path;
  std::wstring brand_package_path;
  std::wstring partner_package_path;
  std::wstring partner_package_override_path;
  int elevation_mode = 0;
  bool extras_prepared = false;
  std::wstring variations_update_path;
  std::wstring server_config_bundle_path;
  std::wstring preloaded_wallpaper_bundle_path;
  bool launch_browser = true;
};

// The installer's own switches plus what the setup must know.
base::CommandLine BuildSetupCommandLine(const base::CommandLine& own,
                                        const SetupCommandLineInputs& inputs);

// How long the elevation prompt kept the user after the archive was ready.
int64_t ElevationPromptDelay(int64_t elevation_start, int64_t elevation_done, int64_t download_end);

}  // namespace installer
