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
  inputs.clids_path = L"C:\\Temp\\clids.xml";
  return inputs;
}

TEST(SetupCommandLineTest, PassesOwnSwitchesOnAndAddsWhatTheSetupNeeds) {
  const base::CommandLine own =
      base::CommandLine::FromString(L"lite.exe --silent --send-statistics --distr-info-params=a=1");
  SetupCommandLineInputs inputs = DirectRun();
  inputs.send_statistics = true;
  const base::CommandLine setup = BuildSetupCommandLine(own, inputs);
  // Paths hold backslashes, so they are quoted.
  EXPECT_EQ(setup.GetCommandLineString(),
            L"\"C:\\Temp\\vb12.tmp\" --brand-name=velmar --clids-file=\"C:\\Temp\\clids.xml\""
            L" --distr-info-params=a=1 --installerdata=\"C:\\Temp\\master_preferences\""
            L" --progress-window=0 --send-statistics --silent --verbose-logging");
}

TEST(SetupCommandLineTest, ChoicesSetOrRemoveTheirSwitches) {
  const base::CommandLine own =
      base::CommandLine::FromString(L"lite.exe --make-browser-default-after-import");
  SetupCommandLineInputs inputs = DirectRun();
  inputs.send_statistics = true;
  inputs.disable_uac = true;
  inputs.progress_window = 0x1234;
  const base::CommandLine setup = BuildSetupCommandLine(own, inputs);
  EXPECT_FALSE(setup.HasSwitch("make-browser-default-after-import"));
  EXPECT_TRUE(setup.HasSwitch("send-statistics"));
  EXPECT_TRUE(setup.HasSwitch("disable-uac"));
  EXPECT_EQ(setup.GetSwitchValue("progress-window"), L"4660");
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

TEST(SetupCommandLineTest, OptionalFileSwitchesOnlyWhenSet) {
  SetupCommandLineInputs inputs = DirectRun();
  inputs.clids_path.clear();
  const base::CommandLine bare = BuildSetupCommandLine(base::CommandLine(), inputs);
  EXPECT_TRUE(bare.HasSwitch("clids-file")) << "always passed on a direct run";
  EXPECT_FALSE(bare.HasSwitch("clids-searchband-file"));
  EXPECT_FALSE(bare.HasSwitch("velmar-website-icon-file"));
  EXPECT_FALSE(bare.HasSwitch("brand-package"));
  inputs.partner_package_path = L"C:\\p.cab";
  inputs.elevation_mode = 2;
  inputs.interface_availability = 2000170000;
  const base::CommandLine full = BuildSetupCommandLine(base::CommandLine(), inputs);
  EXPECT_EQ(full.GetSwitchValue("partner-package"), L"C:\\p.cab");
  EXPECT_TRUE(full.HasSwitch("show-uac-at-browser-start"));
  EXPECT_EQ(full.GetSwitchValue("the-interface-availability"), L"2000170000");
}

TEST(SetupCommandLineTest, InstallStartTimeAddsOnlyThePromptTimeAfterTheDownload) {
  SetupCommandLineInputs inputs = DirectRun();
  inputs.ok_pressed_time = 1000;
  EXPECT_FALSE(
      BuildSetupCommandLine(base::CommandLine(), inputs).HasSwitch("install-start-time-no-uac"));
  inputs.elevation_start_time = 2000;
  inputs.elevation_done_time = 9000;
  inputs.download_end_time = 5000;
  const base::CommandLine setup = BuildSetupCommandLine(base::CommandLine(), inputs);
  EXPECT_EQ(setup.GetSwitchValue("ok-button-pressed-time"), L"1000");
  EXPECT_EQ(setup.GetSwitchValue("install-start-time-no-uac"), L"5000");
}

TEST(ElevationPromptDelayTest, CountsOnlyWhileTheArchiveWasReady) {
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 0), 0) << "download not ended";
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 9000), 0) << "download ended with the prompt";
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 12000), 0) << "download ended after the prompt";
  EXPECT_EQ(ElevationPromptDelay(2000, 9000, 5000), 4000) << "prompt began before the end";
  EXPECT_EQ(ElevationPromptDelay(6000, 9000, 5000), 3000) << "prompt began after the end";
}

}  // namespace
}  // namespace installer
