#include "ui/accessibility.h"

#include <windows.h>
#include <oleacc.h>

#include "base/log.h"

namespace ui {
namespace {

// mingw-w64's import library resolves these to import thunks, so they are
// spelled out here.
constexpr CLSID kAccPropServicesClsid = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesIid = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kRolePropertyId = {
    0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};

}  // namespace

long StandardRole(std::wstring_view class_name, DWORD style) {
  if (class_name == L"Button") {
    switch (style & BS_TYPEMASK) {
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
        return ROLE_SYSTEM_CHECKBUTTON;
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        return ROLE_SYSTEM_RADIOBUTTON;
      case BS_GROUPBOX:
        return ROLE_SYSTEM_GROUPING;
      default:
        return ROLE_SYSTEM_PUSHBUTTON;
    }
  }
  if (class_name == L"Static") {
    const DWORD type = style & SS_TYPEMASK;
    return type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE ? ROLE_SYSTEM_GRAPHIC
                                                                          : ROLE_SYSTEM_STATICTEXT;
  }
  if (class_name == L"msctls_progress32") return ROLE_SYSTEM_PROGRESSBAR;
  if (class_name == L"#32770") return ROLE_SYSTEM_DIALOG;
  return 0;
}

long StandardState(long role, LRESULT check, bool focused, bool visible, bool enabled) {
  long state = 0;
  if (role == ROLE_SYSTEM_CHECKBUTTON || role == ROLE_SYSTEM_RADIOBUTTON) {
    if (check == BST_CHECKED) state |= STATE_SYSTEM_CHECKED;
    if (check == BST_INDETERMINATE) state |= STATE_SYSTEM_MIXED;
  }
  const bool takes_focus = role == ROLE_SYSTEM_PUSHBUTTON || role == ROLE_SYSTEM_CHECKBUTTON ||
                           role == ROLE_SYSTEM_RADIOBUTTON;
  if (takes_focus && visible && enabled) state |= STATE_SYSTEM_FOCUSABLE;
  if (focused) state |= STATE_SYSTEM_FOCUSED;
  if (!visible) state |= STATE_SYSTEM_INVISIBLE;
  if (!enabled) state |= STATE_SYSTEM_UNAVAILABLE;
  return state;
}

void AnnotateAsLink(HWND control) {
  IAccPropServices* services = nullptr;
  HRESULT result = ::CoCreateInstance(kAccPropServicesClsid, nullptr, CLSCTX_INPROC_SERVER,
                                      kAccPropServicesIid, reinterpret_cast<void**>(&services));
  if (SUCCEEDED(result)) {
    VARIANT role = {};
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_LINK;
    result = services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                   kRolePropertyId, role);
    services->Release();
  }
  if (FAILED(result)) LOG_WARNING << "Failed to mark a link for screen readers: " << result;
}

}  // namespace ui
