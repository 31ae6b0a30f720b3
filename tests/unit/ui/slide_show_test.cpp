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

TEST(SlideUrlTest, EmptySlideUrlGivesTheCdnFolderOfTheLanguageWithAWarning) {
  testing_support::LogCapture log;
  config::BrandInfo brand_info(L"C:\\temp");
  brand_info.SetDefaultLanguage("pt-BR");
  EXPECT_NE(GetInstallerSlideUrl(brand_info).find("/browser/installer/pt-BR/"), std::string::npos);
  EXPECT_NE(log.Text().find(L"WARNING: GetInstallerSlideUrl"), std::wstring::npos) << log.Text();
  EXPECT_NE(log.Text().find(L"Deprecated. Use brand package for setting \"slide_url\" in "
                            L"\"install\" section"),
            std::wstring::npos);
}

// Slides 02 to 05 are asked for in tests/e2e/test_slides.py.
TEST(SlideUrlTest, SlideNumbersGrowPastTwoDigits) {
  EXPECT_EQ(BuildSlideFileUrl("https://s.example/ru/", 9), "https://s.example/ru/x2/10.jpg");
  EXPECT_EQ(BuildSlideFileUrl("https://s.example/ru/", 99), "https://s.example/ru/x2/100.jpg");
}

// The rotation of four slides, 10 s each, is seen in tests/e2e/test_slides.py.
TEST(SlideRotationTest, EdgesOfTheRotation) {
  EXPECT_EQ(NextSlideIndex(0, 1), 0u);  // only the built-in slide
  // A slide added later joins at its index.
  EXPECT_EQ(NextSlideIndex(2, 3), 0u);
  EXPECT_EQ(NextSlideIndex(2, 4), 3u);
  EXPECT_TRUE(IsSlideTimeOver(5000, 15000, kSlideDisplayMs));
  EXPECT_FALSE(IsSlideTimeOver(5000, 1000, kSlideDisplayMs));  // a clock that went back
}

TEST(SlideRotationTest, SlideSitsOnTheFrameBottom) {
  EXPECT_EQ(SlidePosition(400, 268).y, 132);
  EXPECT_EQ(SlidePosition(400, 536).y, -136);  // larger than the frame: its top is cut
  EXPECT_EQ(SlidePosition(400, 268).x, 0);
}

}  // namespace
}  // namespace ui
