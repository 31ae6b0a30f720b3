#include "installer/entry.h"

#include <gtest/gtest.h>

#include "base/os_version.h"

namespace installer {
namespace {

// Wine tells a 64-bit program Vista ("winecfg -v vista") but never XP, so the
// decision is checked here for every system. XP x64 and Server 2003 (index 2)
// get the current build and no dialog, like every later system.
TEST(OldWindowsDialogTest, ShownToPeopleOnXpAndVistaOnly) {
  for (int index = base::kOsPreXp; index <= base::kOsOther; ++index) {
    EXPECT_EQ(ShowsOldWindowsDialog(index, false), index == base::kOsXp || index == base::kOsVista)
        << index;
  }
}

TEST(OldWindowsDialogTest, SilentRunsOnXpAndVistaInstallWithoutIt) {
  EXPECT_FALSE(ShowsOldWindowsDialog(base::kOsXp, true));
  EXPECT_FALSE(ShowsOldWindowsDialog(base::kOsVista, true));
}

}  // namespace
}  // namespace installer
