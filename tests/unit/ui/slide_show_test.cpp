#include "ui/slide_show.h"

#include <gtest/gtest.h>

#include <string>

#include "config/brand_info.h"
#include "support/log_capture.h"
#include "ui/slide_loader.h"

namespace ui {
namespace {

TEST(SlideUrlTest, BrandSlideUrlIsTakenUnchanged) {
  EXPECT_EQ(BuildInstallerSlideUrl("https://cdn.example/s/", "https://dl.example", "tr"),
            "https://cdn.example/s/");
}

TEST(SlideUrlTest, EmptySlideUrlGivesTheCdnFolderOfTheLanguage) {
  EXPECT_EQ(BuildInstallerSlideUrl("", "https://dl.example", "pt-BR"),
            "https://dl.example/browser/installer/pt-BR/");
}

TEST(SlideUrlTest, EmptySlideUrlIsWarnedAbout) {
  testing_support::LogCapture log;
  config::BrandInfo brand_info(L"C:\\temp");
  brand_info.SetDefaultLanguage("xx");
  EXPECT_NE(GetInstallerSlideUrl(brand_info).find("/browser/installer/xx/"), std::string::npos);
  EXPECT_NE(log.Text().find(L"WARNING: GetInstallerSlideUrl"), std::wstring::npos) << log.Text();
  EXPECT_NE(log.Text().find(L"Deprecated. Use brand package for setting \"slide_url\" in "
                            L"\"install\" section"),
            std::wstring::npos);
}

TEST(SlideUrlTest, SlideNumbersHaveAtLeastTwoDigits) {
  EXPECT_EQ(BuildSlideFileUrl("https://s.example/ru/", 1), "https://s.example/ru/x2/02.jpg");
  EXPECT_EQ(BuildSlideFileUrl("https://s.example/ru/", 9), "https://s.example/ru/x2/10.jpg");
  EXPECT_EQ(BuildSlideFileUrl("https://s.example/ru/", 99), "https://s.example/ru/x2/100.jpg");
}

TEST(SlideRotationTest, ThreeSlidesRepeatInOrder) {
  size_t index = 0;
  std::string order = "0";
  for (int i = 0; i < 6; ++i) order += "," + std::to_string(index = NextSlideIndex(index, 3));
  EXPECT_EQ(order, "0,1,2,0,1,2,0");
}

TEST(SlideRotationTest, OnlyTheBuiltInSlideStays) { EXPECT_EQ(NextSlideIndex(0, 1), 0u); }

TEST(SlideRotationTest, SlideAddedLaterJoinsAtItsIndex) {
  EXPECT_EQ(NextSlideIndex(2, 3), 0u);
  EXPECT_EQ(NextSlideIndex(2, 4), 3u);
}

TEST(SlideRotationTest, EachSlideHasTenSeconds) {
  EXPECT_FALSE(IsSlideTimeOver(5000, 14999, kSlideDisplayMs));
  EXPECT_TRUE(IsSlideTimeOver(5000, 15000, kSlideDisplayMs));
  // A clock that went back does not end the slide.
  EXPECT_FALSE(IsSlideTimeOver(5000, 1000, kSlideDisplayMs));
}

TEST(SlideRotationTest, SlideSitsOnTheFrameBottom) {
  EXPECT_EQ(SlidePosition(400, 268).y, 132);
  EXPECT_EQ(SlidePosition(400, 536).y, -136);  // larger than the frame: its top is cut
  EXPECT_EQ(SlidePosition(400, 268).x, 0);
}

}  // namespace
}  // namespace ui
