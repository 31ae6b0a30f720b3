#include "ui/theme.h"

#include <gtest/gtest.h>

#include "ui/language.h"
#include "ui/message_dialog.h"

namespace ui {
namespace {

TEST(ThemeTest, RussianInterfaceTakesTheAlternativeLogosAndFirstSlide) {
  EXPECT_EQ(ImageResourceId(ImageRole::kWelcomeLogo, kRussianLangId), 1065);
  EXPECT_EQ(ImageResourceId(ImageRole::kProgressLogo, kRussianLangId), 1066);
  EXPECT_EQ(ImageResourceId(ImageRole::kFirstSlide, kRussianLangId), 321);
  // Ukrainian and Kazakh readers get the common pictures.
  for (uint16_t lang_id : {kDefaultLangId, uint16_t{1058}, uint16_t{1087}}) {
    EXPECT_EQ(ImageResourceId(ImageRole::kWelcomeLogo, lang_id), 301) << lang_id;
    EXPECT_EQ(ImageResourceId(ImageRole::kProgressLogo, lang_id), 304) << lang_id;
    EXPECT_EQ(ImageResourceId(ImageRole::kFirstSlide, lang_id), 303) << lang_id;
  }
  EXPECT_EQ(ImageResourceId(ImageRole::kBackground, kRussianLangId), 307);
}

TEST(ThemeTest, SpritesAreCutIntoTheirFrames) {
  EXPECT_EQ(ImageFrameCount(ImageRole::kInstallButton), 3);
  EXPECT_EQ(ImageFrameCount(ImageRole::kCheckBox), 6);
  EXPECT_EQ(ImageFrameCount(ImageRole::kWelcomeClose), 3);
  EXPECT_EQ(ImageFrameCount(ImageRole::kBackground), 1);
}

TEST(MessageDialogTest, OldComponentDialogOffersOnlyCancel) {
  const MessageDialogTexts texts = MessageDialogTextsFor(MessageDialogKind::kOldComponent);
  EXPECT_EQ(texts.action, 0u);
  EXPECT_EQ(texts.close, kStringOldComponentCancel);
}

TEST(MessageDialogTest, ConfirmationCancelsWithItsCloseButtonAndHasNoText) {
  const MessageDialogTexts texts = MessageDialogTextsFor(MessageDialogKind::kConfirmCancel);
  EXPECT_EQ(texts.title, kStringConfirmTitle);
  EXPECT_EQ(texts.text, 0u);
  EXPECT_EQ(texts.action, kStringResume);
  EXPECT_EQ(texts.close, kStringConfirmCancel);
}

TEST(MessageDialogTest, DownloadDialogActionIsDownload) {
  const MessageDialogTexts texts = MessageDialogTextsFor(MessageDialogKind::kDownload);
  EXPECT_EQ(texts.action, kStringDownload);
  EXPECT_EQ(texts.close, kStringDownloadDialogCancel);
}

}  // namespace
}  // namespace ui
