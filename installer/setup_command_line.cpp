#include "installer/setup_command_line.h"

#include "base/strings.h"

namespace installer {
namespace {

void AppendWhenSet(base::CommandLine* command_line, const char* name, const std::wstring& value) {
  if (!value.empty()) command_line->AppendSwitch(name, value);
}

}  // namespace

int64_t ElevationPromptDelay(int64_t elevation_start, int64_t elevation_done,
                             int64_t download_end) {
  if (download_end == 0 || download_end >= elevation_done) return 0;
  return elevation_start >= download_end ? elevation_done - elevation_start
                                         : elevation_done - download_end;
}

base::CommandLine BuildSetupCommandLine(const base::CommandLine& own,
                                        const SetupCommandLineInputs& inputs) {
  base::CommandLine command_line = own;
  command_line.SetProgram(inputs.program);
  if (inputs.disable_uac) command_line.AppendSwitch("disable-uac");
  command_line.AppendSwitch("progress-window", base::NumberToWide(inputs.progress_window));
  command_line.AppendSwitch("verbose-logging");
  command_line.AppendSwitchASCII("brand-name", inputs.brand_name);
  AppendWhenSet(&command_line, "distr-info-file", inputs.distr_info_file);
  command_line.SetOrRemoveSwitch(inputs.make_default, "make-browser-default-after-import");
  command_line.SetOrRemoveSwitch(inputs.send_statistics, "send-statistics");
  if (inputs.ok_pressed_time != 0) {
    command_line.AppendSwitch("ok-button-pressed-time", base::NumberToWide(inputs.ok_pressed_time));
    if (inputs.elevation_done_time != 0) {
      const int64_t delay = ElevationPromptDelay(
          inputs.elevation_start_time, inputs.elevation_done_time, inputs.download_end_time);
      command_line.AppendSwitch("install-start-time-no-uac",
                                base::NumberToWide(inputs.ok_pressed_time + delay));
    }
  }
  if (inputs.interface_availability != 0) {
    command_line.AppendSwitch("the-interface-availability",
                              base::NumberToWide(inputs.interface_availability));
  }
  if (inputs.with_file_switches) {
    command_line.AppendSwitch("installerdata", inputs.installer_data_path);
    command_line.AppendSwitch("clids-file", inputs.clids_path);
    AppendWhenSet(&command_line, "clids-searchband-file", inputs.clids_searchband_path);
    AppendWhenSet(&command_line, "velmar-website-icon-file", inputs.website_icon_path);
    AppendWhenSet(&command_line, "brand-package", inputs.brand_package_path);
    AppendWhenSet(&command_line, "partner-package", inputs.partner_package_path);
    AppendWhenSet(&command_line, "override-partner-package", inputs.partner_package_override_path);
  }
  if (inputs.elevation_mode == 2) command_line.AppendSwitch("show-uac-at-browser-start");
  if (inputs.extras_prepared) {
    AppendWhenSet(&command_line, "variations-update-path", inputs.variations_update_path);
    AppendWhenSet(&command_line, "server-config-bundle-path", inputs.server_config_bundle_path);
    AppendWhenSet(&command_line, "preloaded-wallpaper-bundle-path",
                  inputs.preloaded_wallpaper_bundle_path);
    if (!inputs.launch_browser && !command_line.HasSwitch("do-not-launch-browser")) {
      command_line.AppendSwitch("do-not-launch-browser");
    }
  }
  return command_line;
}

}  // namespace installer
