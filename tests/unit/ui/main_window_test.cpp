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

// The installation's end is posted to the window, so a Cancel answered just
// after it still reaches the window first; Wine cannot time the two, so the
// decision is tested here.
TEST(MainWindowConfirmationTest, CancelAfterTheInstallationEndedCancelsNothing) {
  EXPECT_TRUE(ConfirmationCancels(kDialogCloseId, false));
  EXPECT_FALSE(ConfirmationCancels(kDialogCloseId, true));
  EXPECT_FALSE(ConfirmationCancels(kDialogActionId, false));
  EXPECT_FALSE(ConfirmationCancels(kDialogActionId, true));
}

}  // namespace
}  // namespace ui
