#include "ui/keyboard_cues.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

MSG Key(UINT message, WPARAM key) {
  MSG msg = {};
  msg.message = message;
  msg.wParam = key;
  return msg;
}

TEST(KeyboardCuesTest, HiddenInANewDialogUntilTheKeyboardIsUsed) {
  KeyboardCues cues(false, false);
  EXPECT_FALSE(cues.focus_shown());
  EXPECT_FALSE(cues.accelerators_shown());
  // Tab shows the focus; the underlines wait for Alt.
  EXPECT_TRUE(cues.Apply(CueChangeForKey(Key(WM_KEYDOWN, VK_TAB))));
  EXPECT_TRUE(cues.focus_shown());
  EXPECT_FALSE(cues.accelerators_shown());
  EXPECT_TRUE(cues.Apply(CueChangeForKey(Key(WM_SYSKEYDOWN, VK_MENU))));
  EXPECT_TRUE(cues.accelerators_shown());
  EXPECT_FALSE(cues.Apply(MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS)));  // nothing new
  // The system may hide them again, or start over.
  EXPECT_TRUE(cues.Apply(MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS)));
  EXPECT_FALSE(cues.focus_shown());
  EXPECT_TRUE(cues.Apply(MAKEWPARAM(UIS_INITIALIZE, 0)));
  EXPECT_FALSE(cues.accelerators_shown());
}

TEST(KeyboardCuesTest, ADialogOpenedByAKeyShowsTheFocusAtOnce) {
  KeyboardCues cues(false, true);
  EXPECT_TRUE(cues.focus_shown());
  // The underlines still wait for Alt.
  EXPECT_FALSE(cues.accelerators_shown());
}

TEST(KeyboardCuesTest, KeysAndMouseButtonsTellTheLastInput) {
  EXPECT_EQ(InputKindOf(WM_KEYDOWN), InputKind::kKey);
  EXPECT_EQ(InputKindOf(WM_SYSKEYDOWN), InputKind::kKey);
  EXPECT_EQ(InputKindOf(WM_LBUTTONDOWN), InputKind::kMouseButton);
  EXPECT_EQ(InputKindOf(WM_NCLBUTTONDOWN), InputKind::kMouseButton);
  // Releases, moves and characters follow a press and tell nothing new.
  EXPECT_EQ(InputKindOf(WM_KEYUP), InputKind::kNone);
  EXPECT_EQ(InputKindOf(WM_CHAR), InputKind::kNone);
  EXPECT_EQ(InputKindOf(WM_MOUSEMOVE), InputKind::kNone);
  EXPECT_EQ(InputKindOf(WM_LBUTTONUP), InputKind::kNone);
}

TEST(KeyboardCuesTest, ShownAlwaysWhenThePersonAskedForThem) {
  KeyboardCues cues(true, false);
  EXPECT_TRUE(cues.focus_shown());
  EXPECT_TRUE(cues.accelerators_shown());
  EXPECT_FALSE(cues.Apply(MAKEWPARAM(UIS_INITIALIZE, 0)));
  EXPECT_TRUE(cues.focus_shown());
}

TEST(KeyboardCuesTest, OnlyMovingAndAltKeysShowCues) {
  for (WPARAM key : {VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
    EXPECT_EQ(CueChangeForKey(Key(WM_KEYDOWN, key)), MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS)) << key;
  }
  EXPECT_EQ(CueChangeForKey(Key(WM_SYSCHAR, 's')),
            MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL));
  for (WPARAM key : {WPARAM{VK_SPACE}, WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}, WPARAM{'S'}}) {
    EXPECT_EQ(CueChangeForKey(Key(WM_KEYDOWN, key)), 0u) << key;
  }
  EXPECT_EQ(CueChangeForKey(Key(WM_KEYUP, VK_TAB)), 0u);
  EXPECT_EQ(CueChangeForKey(Key(WM_LBUTTONDOWN, 0)), 0u);
}

TEST(KeyboardCuesTest, HiddenUnderlinesLeaveTheTextWithoutItsMarks) {
  EXPECT_EQ(WithoutAcceleratorMarks(L"&Set as default browser"), L"Set as default browser");
  EXPECT_EQ(WithoutAcceleratorMarks(L"(&S)"), L"(S)");
  EXPECT_EQ(WithoutAcceleratorMarks(L"A && B"), L"A & B");
  EXPECT_EQ(WithoutAcceleratorMarks(L"no mark"), L"no mark");
  EXPECT_EQ(WithoutAcceleratorMarks(L"ends &"), L"ends &");
  EXPECT_EQ(WithoutAcceleratorMarks(L""), L"");
}

}  // namespace
}  // namespace ui
