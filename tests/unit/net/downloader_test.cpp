#include "net/downloader.h"

#include <gtest/gtest.h>

namespace net {
namespace {

constexpr DWORD kStartMs = 1000000;

TEST(ShouldEmptyWriterAfterFailureTest, EmptiesBelowATenthOfAKnownTotal) {
  EXPECT_TRUE(ShouldEmptyWriterAfterFailure(99999, 1000000));
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(100000, 1000000));
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(10, 0));
  // No overflow near the 32-bit limit.
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(500000000, 4000000000u));
}

// A download without a known size is seen end to end.
TEST(ComputeProgressTest, EstimatesAtMostOnceAMinuteAndNotBeforeTheFirstByte) {
  const DWORD last = kStartMs + 5000;
  EXPECT_FALSE(ComputeProgress(500, 1000, last + 59999, kStartMs, last).has_estimate);
  EXPECT_TRUE(ComputeProgress(500, 1000, last + 60000, kStartMs, last).has_estimate);
  EXPECT_FALSE(ComputeProgress(0, 1000, kStartMs + 70000, kStartMs, 0).has_estimate);
}

TEST(ComputeProgressTest, RemainingTimeScalesElapsedByBytesLeft) {
  // 30 s for a quarter: 90 s for the rest.
  const ProgressReport quarter = ComputeProgress(250, 1000, kStartMs + 30000, kStartMs, 0);
  EXPECT_FLOAT_EQ(quarter.fraction, 0.25f);
  EXPECT_EQ(quarter.remaining_seconds, 90u);
  // Large files do not overflow.
  EXPECT_EQ(
      ComputeProgress(1u << 20, 4000000000u, kStartMs + 600000, kStartMs, 0).remaining_seconds,
      600ull * (4000000000ull - (1u << 20)) / (1u << 20));
  // Nor does the tick counter's wrap.
  const DWORD start = 0xFFFFFFFF - 10000;
  EXPECT_EQ(ComputeProgress(500, 1000, start + 70000, start, start).remaining_seconds, 70u);
}

TEST(ComputeProgressTest, ProjectedTotalOf121SecondsIsSlowAnd120IsNot) {
  // Half written after 60.5 s: 60 s elapsed + 60 s left (integer steps) = 120.
  EXPECT_FALSE(ComputeProgress(500, 1000, kStartMs + 60500, kStartMs, 0).slow);
  // A third after 40.4 s: 40 + 80 = 120; after 40.5 s: 40 + 81 = 121.
  EXPECT_FALSE(ComputeProgress(1, 3, kStartMs + 40400, kStartMs, 0).slow);
  EXPECT_TRUE(ComputeProgress(1, 3, kStartMs + 40500, kStartMs, 0).slow);
}

}  // namespace
}  // namespace net
