#include "ui/main_window.h"

#include <gtest/gtest.h>

#include "config/distribution_params.h"
#include "ui/window_statistics.h"

namespace ui {
namespace {

config::DistributionParams Params(std::map<std::string, std::string> values) {
  config::DistributionParams params;
  params.SetParamsForTesting(std::move(values));
  return params;
}

TEST(MainWindowChoicesTest, CheckBoxDecidesWhenNoParameterIsGiven) {
  const config::DistributionParams none = Params({});
  EXPECT_FALSE(MakeDefaultChoice(none, false));
  EXPECT_TRUE(MakeDefaultChoice(none, true));
  EXPECT_FALSE(SendStatisticsChoice(none, false));
  EXPECT_TRUE(SendStatisticsChoice(none, true));
}

TEST(MainWindowChoicesTest, ParameterOverridesTheCheckBox) {
  EXPECT_FALSE(MakeDefaultChoice(Params({{"def", "0"}}), true));
  EXPECT_TRUE(MakeDefaultChoice(Params({{"def", "1"}}), false));
  EXPECT_FALSE(SendStatisticsChoice(Params({{"stat", "0"}}), true));
  EXPECT_TRUE(SendStatisticsChoice(Params({{"stat", "1"}}), false));
}

TEST(MainWindowChoicesTest, PromotionalStatisticsNeedsTheWordTrue) {
  EXPECT_TRUE(SendStatisticsChoice(Params({{"statpromo", "true"}}), false));
  EXPECT_FALSE(SendStatisticsChoice(Params({{"statpromo", "1"}}), true));
  // "stat" wins over "statpromo".
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

TEST(WindowStatisticsTest, EventsNameTheWindowAndTheirSubject) {
  EXPECT_EQ(ClickedButtonEvent(L"install"),
            (WindowEvent{{L"clicked_button", L"install"}, {L"dialog_window", L"liteinstall"}}));
  EXPECT_EQ(InstallButtonClickedEvent(),
            (WindowEvent{{L"action", L"install_browser_button_clicked"}}));
  EXPECT_EQ(ChosenCheckboxEvent(L"sendstat"),
            (WindowEvent{{L"choosen_checkbox", L"sendstat"}, {L"dialog_window", L"liteinstall"}}));
  EXPECT_EQ(ClickedLinkEvent(L"https://l.example/?lang=en"),
            (WindowEvent{{L"clicked_link", L"https://l.example/?lang=en"},
                         {L"dialog_window", L"liteinstall"}}));
}

}  // namespace
}  // namespace ui
