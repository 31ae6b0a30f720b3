#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "base/log.h"

namespace testing_support {

// Sends this test program's log to a file of its own and reads what a test
// wrote there. Logging can be initialised once per process, so all tests of
// a program share the file and each reads only what came after its start.
class LogCapture {
 public:
  LogCapture() : start_(Read().size()) {}

  static const std::wstring& Path() {
    static const std::wstring path = [] {
      wchar_t temp[MAX_PATH] = {};
      ::GetTempPathW(MAX_PATH, temp);
      std::wstring file =
          std::wstring(temp) + L"unit_tests_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
      ::DeleteFileW(file.c_str());
      base::InitLogging(file);
      return file;
    }();
    return path;
  }

  std::wstring Text() const { return Read().substr(start_); }

 private:
  static std::wstring Read() {
    std::ifstream file(Path().c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
  }

  size_t start_;
};

}  // namespace testing_support
