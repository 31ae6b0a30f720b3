#include "ui/progress_scale.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ProgressScaleTest, DownloadFillsFiveToForty) {
  EXPECT_EQ(DownloadPercent(0.0f), 5);
  EXPECT_EQ(DownloadPercent(0.5f), 22);
  EXPECT_EQ(DownloadPercent(1.0f), 40);
  for (int step = 0; step < 100; ++step) {
    EXPECT_LE(DownloadPercent(step / 100.0f), DownloadPercent((step + 1) / 100.0f)) << step;
  }
}

TEST(ProgressScaleTest, OnlyStagesFiveAndSevenMove) {
  EXPECT_EQ(InstallStagePercent(5), 75);
  EXPECT_EQ(InstallStagePercent(7), 79);
  for (int stage : {-1, 0, 4, 6, 8, 100}) EXPECT_EQ(InstallStagePercent(stage), 0) << stage;
}

TEST(ProgressScaleTest, ImportFillsEightyToHundred) {
  EXPECT_EQ(ImportPercent(0), 80);
  EXPECT_EQ(ImportPercent(50), 90);
  EXPECT_EQ(ImportPercent(100), 100);
  for (int p = 0; p < 100; ++p) EXPECT_LE(ImportPercent(p), ImportPercent(p + 1)) << p;
}

TEST(ProgressScaleTest, OutOfRangeImportIsShownAsReceived) {
  EXPECT_EQ(ImportPercent(200), 120);
  EXPECT_EQ(ImportPercent(-100), 60);
}

}  // namespace
}  // namespace ui
