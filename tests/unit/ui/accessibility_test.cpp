#include "ui/accessibility.h"

#include <gtest/gtest.h>
#include <oleacc.h>

namespace ui {
namespace {

// Wine's accessibility layer gives every control the generic client role and
// no checked state, so what Windows' layer derives from the window's standard
// controls is checked here, on the controls' own classes and styles.
TEST(AccessibilityTest, StandardControlsGetTheRoleOfWhatTheyAre) {
  EXPECT_EQ(StandardRole(L"Button", BS_DEFPUSHBUTTON | BS_NOTIFY | WS_TABSTOP),
            ROLE_SYSTEM_PUSHBUTTON);  // Install
  EXPECT_EQ(StandardRole(L"Button", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP),
            ROLE_SYSTEM_PUSHBUTTON);  // close glyphs, links before their annotation
  EXPECT_EQ(StandardRole(L"Button", BS_AUTOCHECKBOX | BS_NOTIFY | BS_MULTILINE | BS_TOP),
            ROLE_SYSTEM_CHECKBUTTON);
  EXPECT_EQ(StandardRole(L"Button", BS_GROUPBOX), ROLE_SYSTEM_GROUPING);
  EXPECT_EQ(StandardRole(L"Static", SS_OWNERDRAW), ROLE_SYSTEM_STATICTEXT);
  EXPECT_EQ(StandardRole(L"Static", SS_ICON), ROLE_SYSTEM_GRAPHIC);
  EXPECT_EQ(StandardRole(L"msctls_progress32", 0), ROLE_SYSTEM_PROGRESSBAR);
  EXPECT_EQ(StandardRole(L"#32770", WS_POPUP), ROLE_SYSTEM_DIALOG);
  EXPECT_EQ(StandardRole(L"SomethingElse", 0), 0);
}

TEST(AccessibilityTest, CheckBoxesCarryTheirCheckedStateAndButtonsTakeTheFocus) {
  EXPECT_EQ(StandardState(ROLE_SYSTEM_CHECKBUTTON, BST_CHECKED, false, true, true),
            STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE);
  EXPECT_EQ(StandardState(ROLE_SYSTEM_CHECKBUTTON, BST_UNCHECKED, true, true, true),
            STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE);
  EXPECT_EQ(StandardState(ROLE_SYSTEM_CHECKBUTTON, BST_INDETERMINATE, false, true, true),
            STATE_SYSTEM_MIXED | STATE_SYSTEM_FOCUSABLE);
  // A push button never reads as checked, whatever it answers.
  EXPECT_EQ(StandardState(ROLE_SYSTEM_PUSHBUTTON, BST_CHECKED, false, true, true),
            STATE_SYSTEM_FOCUSABLE);
  EXPECT_EQ(StandardState(ROLE_SYSTEM_STATICTEXT, 0, false, true, true), 0);
  EXPECT_EQ(StandardState(ROLE_SYSTEM_PUSHBUTTON, 0, false, false, true), STATE_SYSTEM_INVISIBLE);
  EXPECT_EQ(StandardState(ROLE_SYSTEM_PUSHBUTTON, 0, false, true, false), STATE_SYSTEM_UNAVAILABLE);
}

}  // namespace
}  // namespace ui
