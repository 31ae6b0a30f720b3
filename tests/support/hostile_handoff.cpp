// A hostile program of the same user, for the hand-off tests: it maps the
// installer's image as a plain image (no code of it runs), which shares the
// image's writable shared sections with every running installer, and tampers
// with the delayed parameters the master hands its elevated copy.
//
//   hostile_handoff proceed INSTALLER PATH
//     As soon as the master has created the handshake events, writes PATH as
//     the archive and signals the proceed event itself.
//   hostile_handoff rewrite INSTALLER PATH
//     Waits until the master has written its archive path, then keeps
//     overwriting it with PATH for a few seconds.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/scoped_handle.h"
#include "installer/delayed_params.h"
#include "installer/elevated_runner.h"

namespace {

constexpr DWORD kPollMs = 5;
constexpr DWORD kWaitForMasterMs = 120000;  // 2 minutes
constexpr DWORD kRewriteMs = 5000;          // 5 seconds

// The image's "Shared" section, as every process of that file sees it.
installer::DelayedParamsBlock* MapSharedBlock(const wchar_t* image_path) {
  const HMODULE image = ::LoadLibraryExW(image_path, nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (image == nullptr) return nullptr;
  auto* base = reinterpret_cast<BYTE*>(image);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (std::strncmp(reinterpret_cast<const char*>(section->Name), "Shared", 8) == 0) {
      return reinterpret_cast<installer::DelayedParamsBlock*>(base + section->VirtualAddress);
    }
  }
  return nullptr;
}

// Writes the path in place, characters first and the terminator last, so that
// a reader never meets an empty field.
void WritePath(const std::wstring& path, installer::DelayedParamsBlock* block) {
  volatile wchar_t* field = block->browser_arc_path;
  for (size_t i = 0; i < path.size(); ++i) field[i] = path[i];
  field[path.size()] = L'\0';
}

int Proceed(installer::DelayedParamsBlock* block, const std::wstring& path) {
  base::ScopedHandle start;
  for (DWORD waited = 0; !start.IsValid() && waited < kWaitForMasterMs; waited += kPollMs) {
    start.Reset(::OpenEventA(EVENT_MODIFY_STATE, FALSE, installer::kElevatedStartEventName));
    if (!start.IsValid()) ::Sleep(kPollMs);
  }
  if (!start.IsValid()) {
    std::printf("no master\n");
    return 1;
  }
  WritePath(path, block);
  ::SetEvent(start.Get());
  std::printf("signalled\n");
  return 0;
}

int Rewrite(installer::DelayedParamsBlock* block, const std::wstring& path) {
  volatile wchar_t* field = block->browser_arc_path;
  const DWORD started = ::GetTickCount();
  while (field[0] == L'\0') {
    if (::GetTickCount() - started > kWaitForMasterMs) {
      std::printf("no master\n");
      return 1;
    }
  }
  const DWORD seen = ::GetTickCount();
  while (::GetTickCount() - seen < kRewriteMs) WritePath(path, block);
  std::printf("rewritten\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 3 ? argv[1] : L"";
  installer::DelayedParamsBlock* block = argc > 3 ? MapSharedBlock(argv[2]) : nullptr;
  if (block != nullptr && command == L"proceed") return Proceed(block, argv[3]);
  if (block != nullptr && command == L"rewrite") return Rewrite(block, argv[3]);
  std::printf("usage: hostile_handoff proceed|rewrite INSTALLER PATH\n");
  return 2;
}
