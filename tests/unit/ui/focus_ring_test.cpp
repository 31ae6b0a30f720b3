#include "ui/focus_ring.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(FocusRingTest, RingIsTwoPixelsTwoPixelsOutAndScalesWithTheWindow) {
  const FocusRingStyle one = FocusRingStyleFor(FocusRingBackground::kDark, 1.0);
  EXPECT_EQ(one.gap, 2);
  EXPECT_EQ(one.width, 2);
  const FocusRingStyle two = FocusRingStyleFor(FocusRingBackground::kLight, 2.0);
  EXPECT_EQ(two.gap, 4);
  EXPECT_EQ(two.width, 4);
  EXPECT_EQ(FocusRingStyleFor(FocusRingBackground::kLight, 1.5).width, 3);
  // Never thinner than at scale 1.
  EXPECT_EQ(FocusRingStyleFor(FocusRingBackground::kLight, 0.5).width, 2);
}

TEST(FocusRingTest, WhiteOnTheDarkScreenIndigoOnWhite) {
  EXPECT_EQ(FocusRingStyleFor(FocusRingBackground::kDark, 1.0).argb, 0xE6FFFFFFu);
  EXPECT_EQ(FocusRingStyleFor(FocusRingBackground::kLight, 1.0).argb, 0xFF1C2268u);
}

TEST(FocusRingTest, OutlineKeepsTheGapAndTheControlsCornerRadius) {
  const FocusRingStyle style = FocusRingStyleFor(FocusRingBackground::kLight, 2.0);
  const RECT control = {100, 50, 212, 82};
  const FocusRingOutline outline = FocusRingOutlineFor(control, 12, style);
  // The pen's centre line: its inner edge lies `gap` outside the control.
  EXPECT_FLOAT_EQ(outline.left + style.width / 2.0f, 100 - 4);
  EXPECT_FLOAT_EQ(outline.right - style.width / 2.0f, 212 + 4);
  EXPECT_FLOAT_EQ(outline.top, 50 - 6);
  EXPECT_FLOAT_EQ(outline.bottom, 82 + 6);
  EXPECT_FLOAT_EQ(outline.radius, 12 + 6);
  // What is repainted covers the whole ring.
  const RECT bounds = FocusRingBounds(control, style);
  EXPECT_LE(bounds.left, outline.left - style.width / 2.0f);
  EXPECT_GE(bounds.bottom, outline.bottom + style.width / 2.0f);
}

TEST(FocusRingTest, FollowsTheMessagesThatMoveTheFocusOrChangeTheCues) {
  EXPECT_TRUE(MovesFocusOrCues(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS)));
  EXPECT_TRUE(MovesFocusOrCues(WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS)));
  EXPECT_TRUE(MovesFocusOrCues(WM_NCACTIVATE, TRUE));
  EXPECT_TRUE(MovesFocusOrCues(WM_COMMAND, MAKEWPARAM(1002, BN_SETFOCUS)));
  EXPECT_TRUE(MovesFocusOrCues(WM_COMMAND, MAKEWPARAM(1, BN_KILLFOCUS)));
  EXPECT_FALSE(MovesFocusOrCues(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED)));
  EXPECT_FALSE(MovesFocusOrCues(WM_PAINT, 0));
}

}  // namespace
}  // namespace ui
