// The smallest Win32 program: the start-up baseline of the benchmarks.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
