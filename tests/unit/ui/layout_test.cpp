#include "ui/layout.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

bool Equal(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(LayoutTest, CheckBoxNotFixedByAParameterTakesTheWholeRow) {
  EXPECT_EQ(LayoutVariantFor(true, false), LayoutVariant::kStatisticsOnly);
  EXPECT_EQ(LayoutVariantFor(false, true), LayoutVariant::kDefaultBrowserOnly);
  EXPECT_EQ(LayoutVariantFor(true, true), LayoutVariant::kBoth);
  EXPECT_EQ(LayoutVariantFor(false, false), LayoutVariant::kBoth);

  const Layout both(LayoutVariant::kBoth);
  EXPECT_LT(both.StatisticsCheckBox().right, both.DefaultBrowserCheckBox().left);
  const RECT row = {60, 305, 525, 400};
  EXPECT_TRUE(Equal(Layout(LayoutVariant::kStatisticsOnly).StatisticsCheckBox(), row));
  EXPECT_TRUE(Equal(Layout(LayoutVariant::kDefaultBrowserOnly).DefaultBrowserCheckBox(), row));
}

TEST(LayoutTest, ScalingTruncatesEachEdge) {
  EXPECT_TRUE(Equal(ScaleRect(Layout(LayoutVariant::kBoth).InstallButtonArea(), 1.25),
                    {696, 381, 910, 500}));
}

}  // namespace
}  // namespace ui
