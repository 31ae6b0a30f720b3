#include "ui/theme.h"

#include <gtest/gtest.h>

#include "ui/language.h"
#include "ui/message_dialog.h"

namespace ui {
namespace {

TEST(ThemeTest, OnlyARussianInterfaceTakesTheAlternativeLogosAndFirstSlide) {
  const ImageRole roles[] = {ImageRole::kWelcomeLogo, ImageRole::kProgressLogo,
                             ImageRole::kFirstSlide, ImageRole::kBackground};
  const int russian[] = {1065, 1066, 321, 307};
  const int common[] = {301, 304, 303, 307};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ImageResourceId(roles[i], kRussianLangId), russian[i]) << i;
    // Ukrainian and Kazakh readers get the common pictures.
    for (uint16_t lang_id : {kDefaultLangId, uint16_t{1058}, uint16_t{1087}}) {
      EXPECT_EQ(ImageResourceId(roles[i], lang_id), common[i]) << i << " " << lang_id;
    }
  }
}

// The other dialogs' buttons are read off the window in tests/e2e/test_window.py.
TEST(MessageDialogTest, OldComponentDialogOffersOnlyCancel) {
  EXPECT_EQ(MessageDialogTextsFor(MessageDialogKind::kOldComponent).action, 0u);
}

}  // namespace
}  // namespace ui
