#include "ui/message_dialog.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(MessageDialogTest, EscapeResumesTheConfirmationAndClosesTheOthers) {
  // The main window ends the installation only on the close button (1010).
  EXPECT_EQ(EscapeResultFor(MessageDialogKind::kConfirmCancel), kDialogActionId);
  for (MessageDialogKind kind :
       {MessageDialogKind::kDownload, MessageDialogKind::kOldComponent,
        MessageDialogKind::kNewerVersion, MessageDialogKind::kNotEnoughDiskSpace}) {
    EXPECT_EQ(EscapeResultFor(kind), kDialogCloseId) << static_cast<int>(kind);
  }
}

}  // namespace
}  // namespace ui
