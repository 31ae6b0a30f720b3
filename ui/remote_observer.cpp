#include "ui/remote_observer.h"

namespace ui {

void RemoteObserver::OnTimeLeft(int value, int kind) {
  ::PostMessageW(master_window_, kTimeLeftMessage, static_cast<WPARAM>(value),
                 static_cast<LPARAM>(kind));
}

void RemoteObserver::SetProgress(int percent) {
  ::PostMessageW(master_window_, kSetProgressMessage, static_cast<WPARAM>(percent), 0);
}

void RemoteObserver::HideCancelButton() {
  ::ShowWindow(::GetDlgItem(master_window_, kCloseGlyphControlId), SW_HIDE);
}

}  // namespace ui
