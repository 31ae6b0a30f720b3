#include "ui/shadow_window.h"

#include <gtest/gtest.h>

#include "ui/resource_bitmap.h"

namespace ui {
namespace {

TEST(ShadowPiecesTest, CornersKeepTheirSizeAndEdgesFillTheRest) {
  const struct {
    int picture_id;
    RECT at_scale_1;
    RECT at_scale_2;
  } expected[] = {
      {kPictureShadowTopLeft, {0, 0, 16, 16}, {0, 0, 32, 32}},
      {kPictureShadowTop, {16, 0, 728, 8}, {32, 0, 1456, 16}},
      {kPictureShadowTopRight, {728, 0, 744, 16}, {1456, 0, 1488, 32}},
      {kPictureShadowRight, {736, 16, 744, 400}, {1472, 32, 1488, 800}},
      {kPictureShadowBottomRight, {728, 400, 744, 416}, {1456, 800, 1488, 832}},
      {kPictureShadowBottom, {16, 408, 728, 416}, {32, 816, 1456, 832}},
      {kPictureShadowBottomLeft, {0, 400, 16, 416}, {0, 800, 32, 832}},
      {kPictureShadowLeft, {0, 16, 8, 400}, {0, 32, 16, 800}},
  };
  ShadowPiece scale_1[8];
  ShadowPiece scale_2[8];
  LayoutShadowPieces(744, 416, 1.0, scale_1);
  LayoutShadowPieces(1488, 832, 2.0, scale_2);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(expected[i].picture_id);
    EXPECT_EQ(scale_1[i].picture_id, expected[i].picture_id);
    EXPECT_TRUE(EqualRect(&scale_1[i].target, &expected[i].at_scale_1));
    EXPECT_TRUE(EqualRect(&scale_2[i].target, &expected[i].at_scale_2));
  }
}

}  // namespace
}  // namespace ui
