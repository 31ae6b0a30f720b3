#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "config/distribution_params.h"

namespace ui {
namespace {

config::DistributionParams Params(std::map<std::string, std::string> values) {
  config::DistributionParams params;
  params.SetParamsForTesting(std::move(values));
  return params;
}

TEST(MainWindowChoicesTest, ParametersOverrideTheCheckBoxes) {
  const config::DistributionParams none = Params({});
  EXPECT_FALSE(MakeDefaultChoice(none, false));
  EXPECT_TRUE(SendStatisticsChoice(none, true));
  EXPECT_FALSE(MakeDefaultChoice(Params({{"def", "0"}}), true));
  EXPECT_TRUE(MakeDefaultChoice(Params({{"def", "1"}}), false));
  EXPECT_FALSE(SendStatisticsChoice(Params({{"stat", "0"}}), true));
  EXPECT_TRUE(SendStatisticsChoice(Params({{"stat", "1"}}), false));
  // The promotional parameter needs the word "true", and "stat" wins over it.
  EXPECT_TRUE(SendStatisticsChoice(Params({{"statpromo", "true"}}), false));
  EXPECT_FALSE(SendStatisticsChoice(Params({{"statpromo", "1"}}), true));
  EXPECT_FALSE(SendStatisticsChoice(Params({{"stat", "0"}, {"statpromo", "true"}}), true));
}

TEST(MainWindowChoicesTest, AutomaticStartNeedsFirstAndBothChoices) {
  EXPECT_TRUE(IsAutomaticStart(Params({{"first", "1"}, {"def", "0"}, {"stat", "0"}})));
  EXPECT_TRUE(IsAutomaticStart(Params({{"first", "1"}, {"def", "1"}, {"statpromo", "x"}})));
  EXPECT_FALSE(IsAutomaticStart(Params({{"first", "1"}, {"def", "1"}})));
  EXPECT_FALSE(IsAutomaticStart(Params({{"first", "1"}, {"stat", "1"}})));
  EXPECT_FALSE(IsAutomaticStart(Params({{"first", "true"}, {"def", "1"}, {"stat", "1"}})));
  EXPECT_FALSE(IsAutomaticStart(Params({{"def", "1"}, {"stat", "1"}})));
}

// The window puts the focus on Install itself when it opens: a ring there
// would show before any key was pressed, even where the system starts with
// its cues shown. Everything else rings as soon as the cues show.
TEST(MainWindowFocusRingTest, InstallRingsOnlyAfterTheKeyboardMovedTheFocus) {
  EXPECT_FALSE(FocusRingShown(false, false, true));
  EXPECT_TRUE(FocusRingShown(true, false, false));
  EXPECT_FALSE(FocusRingShown(true, true, false));
  EXPECT_TRUE(FocusRingShown(true, true, true));
  EXPECT_FALSE(FocusRingShown(false, true, true));
}

}  // namespace
}  // namespace ui
