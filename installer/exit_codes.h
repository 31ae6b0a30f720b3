#pragma once

#include <cstdint>
#include <string>

namespace installer {

// Exit codes of the installer process.
enum ExitCode : int {
  // Elevated instance: the setup ran and returned 0; also "all is well" elsewhere.
  kExitSuccess = 0,
  // Elevated instance: cancelled, parent gone, archive missing or setup failed.
  kExitElevatedFailure = -1,
  // Any role: DLL files found beside the executable.
  kExitInsecureDllEnvironment = -200,

  // Master: the installer could not get or trust the archive. The elevated
  // instance also ends with 402 when it refuses the archive handed to it.
  kExitArchiveNotObtained = 401,
  kExitArchiveNotTrusted = 402,
  // Master, windowed: not enough disk space.
  kExitNotEnoughDiskSpace = 403,
  // Master: the processor has no SSE2.
  kExitCpuNotSupported = 404,
  // Master, windowed: Windows XP or Vista; the dialog told the person so.
  kExitOldWindows = 405,
  // Master, windowed: the window closed without installing.
  kExitUserCancelled = 500,
  // Master: another master holds the single-instance mutex.
  kExitAnotherInstanceRunning = 600,

  // Interface-check child; the values are also read by the master that started it.
  kExitInterfaceAvailable = 700,
  kExitInterfaceNotAvailable = 701,
};

// The setup's exit code as "NAME(high byte); error: low 24 bits".
std::string FormatSetupExitCode(uint32_t exit_code);

}  // namespace installer
