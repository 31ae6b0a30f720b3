#include "ui/layout.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

bool Equal(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(LayoutTest, ParameterThatFixesOneChoiceGivesTheOtherTheWholeRow) {
  EXPECT_EQ(LayoutVariantFor(true, false), LayoutVariant::kStatisticsOnly);
  EXPECT_EQ(LayoutVariantFor(false, true), LayoutVariant::kDefaultBrowserOnly);
  EXPECT_EQ(LayoutVariantFor(true, true), LayoutVariant::kBoth);
  EXPECT_EQ(LayoutVariantFor(false, false), LayoutVariant::kBoth);
}

TEST(LayoutTest, CheckBoxesSitSideBySideOnlyWhenBothAreAsked) {
  const Layout both(LayoutVariant::kBoth);
  EXPECT_TRUE(Equal(both.StatisticsCheckBox(), {60, 305, 308, 400}));
  EXPECT_TRUE(Equal(both.DefaultBrowserCheckBox(), {314, 305, 537, 400}));
  EXPECT_LT(both.StatisticsCheckBox().right, both.DefaultBrowserCheckBox().left);

  EXPECT_TRUE(
      Equal(Layout(LayoutVariant::kStatisticsOnly).StatisticsCheckBox(), {60, 305, 525, 400}));
  EXPECT_TRUE(Equal(Layout(LayoutVariant::kDefaultBrowserOnly).DefaultBrowserCheckBox(),
                    {60, 305, 525, 400}));
}

TEST(LayoutTest, ScalingKeepsTheWindowProportions) {
  const Layout layout(LayoutVariant::kBoth);
  EXPECT_TRUE(Equal(ScaleRect(layout.Client(), 2.0), {0, 0, 1456, 800}));
  EXPECT_TRUE(Equal(ScaleRect(layout.InstallButtonArea(), 1.25), {696, 381, 910, 500}));
  EXPECT_TRUE(Equal(PlaceAt(layout.CloseGlyphArea(), 12, 12), {698, 18, 710, 30}));
}

}  // namespace
}  // namespace ui
