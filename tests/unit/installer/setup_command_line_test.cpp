#include "installer/setup_command_line.h"

#include <gtest/gtest.h>

namespace installer {
namespace {

SetupCommandLineInputs DirectRun() {
  SetupCommandLineInputs inputs;
  inputs.program = L"C:\\Temp\\vb12.tmp";
  inputs.brand_name = "velmar";
  inputs.with_file_switches = true;
  inputs.installer_data_path = L"C:\\Temp\\master_preferences";
  return inputs;
}

TEST(SetupCommandLineTest, PassesOwnSwitchesOnAndAddsWhatTheSetupNeeds) {
  const base::CommandLine own = base::CommandLine::FromString(
      L"lite.exe --silent --make-browser-default-after-import --distr-info-params=a=1");
  SetupCommandLineInputs inputs = DirectRun();
  inputs.send_statistics = true;
  inputs.disable_uac = true;
  inputs.progress_window = 0x1234;
  inputs.ok_pressed_time = 1000;
  // Paths hold backslashes, so they are quoted; the clids file is named even
  // when there is none.
  EXPECT_EQ(BuildSetupCommandLine(own, inputs).GetCommandLineString(),
            L"\"C:\\Temp\\vb12.tmp\" --brand-name=velmar --clids-file --disable-uac"
            L" --distr-info-params=a=1 --installerdata=\"C:\\Temp\\master_preferences\""
            L" --ok-button-pressed-time=1000 --progress-window=4660 --send-statistics --silent"
            L" --verbose-logging");
}

TEST(SetupCommandLineTest, ElevatedCopyGetsNoFileSwitches) {
  SetupCommandLineInputs inputs = DirectRun();
  inputs.program = kFakeBrowserArchive;
  inputs.with_file_switches = false;
  inputs.brand_package_path = L"C:\\Temp\\brand.cab";
  const base::CommandLine setup = BuildSetupCommandLine(base::CommandLine(), inputs);
  EXPECT_EQ(setup.GetProgram(), L"fake_browser_arc");
  for (const char* name : {"installerdata", "clids-file", "brand-package", "partner-package"}) {
    EXPECT_FALSE(setup.HasSwitch(name)) << name;
  }
}

TEST(SetupCommandLineTest, PromptTimesAndUacModeArePassedOn) {
  SetupCommandLineInputs inputs = DirectRun();
  inputs.elevation_mode = 2;
  inputs.ok_pressed_time = 1000;
  inputs.elevation_start_time = 2000;
  inputs.elevation_done_time = 9000;
  inputs.download_end_time = 5000;
  const base::CommandLine setup = BuildSetupCommandLine(base::CommandLine(), inputs);
  EXPECT_TRUE(setup.HasSwitch("show-uac-at-browser-start"));
  // Only the time the prompt kept a ready archive waiting is added.
  EXPECT_EQ(setup.GetSwitchValue("install-start-time-no-uac"), L"5000");
}

TEST(ElevationPromptDelayTest, CountsOnlyWhileTheArchiveWasReady) {
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 0), 0) << "download not ended";
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 9000), 0) << "download ended with the prompt";
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 5000), 4000) << "prompt began before the end";
  EXPECT_EQ(ElevationPromptDelay(6000, 9000, 5000), 3000) << "prompt began after the end";
}

}  // namespace
}  // namespace installer
