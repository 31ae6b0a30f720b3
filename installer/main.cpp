#include <windows.h>

#include "installer/entry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return installer::RunLiteInstaller(installer::StartupProbes());
}
