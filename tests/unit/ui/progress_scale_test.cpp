#include "ui/progress_scale.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

// The figures in between (22 % halfway through the download, 75 % and 90 %)
// are read off the window in tests/e2e/test_window.py.
TEST(ProgressScaleTest, EachPhaseFillsItsShareOfTheBar) {
  EXPECT_EQ(DownloadPercent(0.0f), 5);
  EXPECT_EQ(DownloadPercent(1.0f), 40);
  EXPECT_EQ(InstallStagePercent(7), 79);
  for (int stage : {-1, 0, 4, 6, 8}) EXPECT_EQ(InstallStagePercent(stage), 0) << stage;
  EXPECT_EQ(ImportPercent(0), 80);
  EXPECT_EQ(ImportPercent(100), 100);
  // Figures out of range are shown as received.
  EXPECT_EQ(ImportPercent(200), 120);
  EXPECT_EQ(ImportPercent(-100), 60);
}

}  // namespace
}  // namespace ui
