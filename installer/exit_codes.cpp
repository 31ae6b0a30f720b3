#include "installer/exit_codes.h"

namespace installer {
namespace {

struct SetupResultName {
  uint32_t value;
  const char* name;
};

constexpr SetupResultName kSetupResultNames[] = {
    {0, "SUCCESS_EXIT_CODE"},
    {1, "GENERIC_ERROR"},
    {101, "GENERIC_INITIALIZATION_FAILURE"},
    {105, "COMMAND_STRING_OVERFLOW"},
    {107, "WAIT_FOR_PROCESS_FAILED"},
    {108, "PATH_STRING_OVERFLOW"},
    {109, "UNABLE_TO_GET_WORK_DIRECTORY"},
    {110, "UNABLE_TO_FIND_REGISTRY_KEY"},
    {111, "PATCH_NOT_FOR_INSTALLED_VERSION"},
    {112, "UNABLE_TO_EXTRACT_CHROME_ARCHIVE"},
    {113, "UNABLE_TO_EXTRACT_SETUP_BL"},
    {115, "UNABLE_TO_EXTRACT_SETUP_EXE"},
    {116, "UNABLE_TO_EXTRACT_SETUP"},
    {117, "UNABLE_TO_SET_DIRECTORY_ACL"},
};

}  // namespace

std::string FormatSetupExitCode(uint32_t exit_code) {
  const uint32_t high = exit_code >> 24;
  const uint32_t low = exit_code & 0xFFFFFF;
  std::string head = "Exit code: " + std::to_string(high);
  for (const SetupResultName& entry : kSetupResultNames) {
    if (entry.value == high) head = std::string(entry.name) + "(" + std::to_string(high) + ")";
  }
  return head + "; error: " + std::to_string(low);
}

}  // namespace installer
