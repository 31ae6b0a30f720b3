#include "ui/shadow_window.h"

#include <gtest/gtest.h>

#include "ui/resource_bitmap.h"

namespace ui {
namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ShadowPiecesTest, CornersKeepTheirSizeAndEdgesFillTheRest) {
  ShadowPiece pieces[8];
  LayoutShadowPieces(744, 416, 1.0, pieces);
  const int order[] = {kPictureShadowTopLeft,    kPictureShadowTop,         kPictureShadowTopRight,
                       kPictureShadowRight,      kPictureShadowBottomRight, kPictureShadowBottom,
                       kPictureShadowBottomLeft, kPictureShadowLeft};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(pieces[i].picture_id, order[i]) << i;
  EXPECT_TRUE(pieces[0].target == RECT({0, 0, 16, 16}));
  EXPECT_TRUE(pieces[1].target == RECT({16, 0, 728, 8}));
  EXPECT_TRUE(pieces[2].target == RECT({728, 0, 744, 16}));
  EXPECT_TRUE(pieces[3].target == RECT({736, 16, 744, 400}));
  EXPECT_TRUE(pieces[4].target == RECT({728, 400, 744, 416}));
  EXPECT_TRUE(pieces[5].target == RECT({16, 408, 728, 416}));
  EXPECT_TRUE(pieces[6].target == RECT({0, 400, 16, 416}));
  EXPECT_TRUE(pieces[7].target == RECT({0, 16, 8, 400}));
}

TEST(ShadowPiecesTest, ScaleTwoDoublesCornersAndEdgeWidths) {
  ShadowPiece pieces[8];
  LayoutShadowPieces(1488, 832, 2.0, pieces);
  EXPECT_TRUE(pieces[0].target == RECT({0, 0, 32, 32}));
  EXPECT_TRUE(pieces[1].target == RECT({32, 0, 1456, 16}));
  EXPECT_TRUE(pieces[7].target == RECT({0, 32, 16, 800}));
}

}  // namespace
}  // namespace ui
