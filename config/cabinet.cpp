#include "config/cabinet.h"

#include <windows.h>
#include <fdi.h>

#include <climits>
#include <cstring>
#include <new>

#include "base/strings.h"

namespace config {
namespace {

using FdiCreateFunction = decltype(&FDICreate);
using FdiDestroyFunction = decltype(&FDIDestroy);
using FdiCopyFunction = decltype(&FDICopy);

struct CabinetLibrary {
  HMODULE module = nullptr;
  FdiCreateFunction create = nullptr;
  FdiDestroyFunction destroy = nullptr;
  FdiCopyFunction copy = nullptr;
};

// Loaded once and kept for the life of the process.
CabinetLibrary g_cabinet_library;

template <typename Function>
Function Resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

HMODULE LoadCabinetModule() {
  static const wchar_t* const kCandidates[] = {
      L"%WINDIR%\\system32\\cabinet.dll",
      L"%SYSTEMROOT%\\system32\\cabinet.dll",
      L"C:\\Windows\\system32\\cabinet.dll",
  };
  for (const wchar_t* candidate : kCandidates) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::ExpandEnvironmentStringsW(candidate, path, MAX_PATH);
    if (length == 0 || length > MAX_PATH) continue;
    const HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module != nullptr) return module;
  }
  return nullptr;
}

// The in-memory cabinet; its address, as decimal text, is the "file name"
// handed to FDI.
struct MemoryCabinet {
  const char* data;
  size_t size;
};

// FDI hands the same callbacks cabinet streams and the extraction's output
// handle; the tag tells them apart.
struct FdiFile {
  bool is_stream;
};

struct CabinetStream : FdiFile {
  explicit CabinetStream(const MemoryCabinet& cabinet)
      : FdiFile{true}, stream(cabinet.data, cabinet.size) {}
  MemoryStream stream;
};

struct Extraction : FdiFile {
  Extraction(const MemoryCabinet& cabinet, std::string_view member)
      : FdiFile{false}, cabinet(cabinet), wanted(member) {}
  MemoryCabinet cabinet;
  std::string_view wanted;
  // The member being written: kept only when FDI did not close it on an
  // error and every announced byte arrived.
  bool output_open = false;
  size_t expected_size = 0;
  std::string content;
  CabinetMembers members;
};

// FDI also hands back handles that were never opened (0 or -1).
FdiFile* FileFromHandle(INT_PTR handle) {
  return handle == 0 || handle == -1 ? nullptr : reinterpret_cast<FdiFile*>(handle);
}

FNALLOC(Allocate) { return ::HeapAlloc(::GetProcessHeap(), 0, cb); }

FNFREE(Free) { ::HeapFree(::GetProcessHeap(), 0, pv); }

FNOPEN(Open) {
  (void)oflag;
  (void)pmode;
  uint64_t address = 0;
  if (pszFile == nullptr || !base::ParseUnsignedDecimal(pszFile, &address) || address == 0) {
    return -1;
  }
  const auto* cabinet = reinterpret_cast<const MemoryCabinet*>(static_cast<uintptr_t>(address));
  auto* stream = new (std::nothrow) CabinetStream(*cabinet);
  return stream == nullptr ? -1 : reinterpret_cast<INT_PTR>(stream);
}

FNREAD(Read) {
  auto* file = FileFromHandle(hf);
  if (file == nullptr || !file->is_stream) return static_cast<UINT>(-1);
  return static_cast<UINT>(static_cast<CabinetStream*>(file)->stream.Read(pv, cb));
}

FNWRITE(Write) {
  auto* file = FileFromHandle(hf);
  if (file == nullptr || file->is_stream) return static_cast<UINT>(-1);
  static_cast<Extraction*>(file)->content.append(static_cast<const char*>(pv), cb);
  return cb;
}

FNCLOSE(Close) {
  auto* file = FileFromHandle(hf);
  if (file == nullptr) return -1;
  if (file->is_stream) {
    delete static_cast<CabinetStream*>(file);
  } else {
    // FDI closes the output itself when a member turns out corrupt.
    auto* extraction = static_cast<Extraction*>(file);
    extraction->output_open = false;
    extraction->content.clear();
  }
  return 0;
}

FNSEEK(Seek) {
  auto* file = FileFromHandle(hf);
  if (file == nullptr || !file->is_stream) return -1;
  return static_cast<CabinetStream*>(file)->stream.Seek(dist, seektype);
}

FNFDINOTIFY(Notify) {
  auto* extraction = static_cast<Extraction*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE:
      if (pfdin->psz1 == nullptr) return -1;
      if (!extraction->wanted.empty() && extraction->wanted != pfdin->psz1) return 0;
      extraction->output_open = true;
      extraction->expected_size = static_cast<size_t>(pfdin->cb);
      extraction->content.clear();
      extraction->content.reserve(extraction->expected_size);
      return reinterpret_cast<INT_PTR>(static_cast<FdiFile*>(extraction));
    case fdintCLOSE_FILE_INFO:
      if (pfdin->psz1 != nullptr && extraction->output_open &&
          extraction->content.size() == extraction->expected_size) {
        extraction->members[pfdin->psz1] = std::move(extraction->content);
      }
      extraction->output_open = false;
      extraction->content.clear();
      return TRUE;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
      return -1;
    default:
      return 0;
  }
}

}  // namespace

size_t MemoryStream::Read(void* buffer, size_t count) {
  const size_t available = size_ - position_;
  const size_t copied = count < available ? count : available;
  std::memcpy(buffer, data_ + position_, copied);
  position_ += copied;
  return copied;
}

long MemoryStream::Seek(long distance, int origin) {
  long long base = 0;
  if (origin == SEEK_CUR) {
    base = static_cast<long long>(position_);
  } else if (origin == SEEK_END) {
    base = static_cast<long long>(size_);
  } else if (origin != SEEK_SET) {
    return -1;
  }
  const long long target = base + distance;
  if (target < 0 || target > static_cast<long long>(size_) || target > LONG_MAX) return -1;
  position_ = static_cast<size_t>(target);
  return static_cast<long>(target);
}

bool LoadCabinetLibrary() {
  if (g_cabinet_library.module == nullptr) g_cabinet_library.module = LoadCabinetModule();
  if (g_cabinet_library.module == nullptr) return false;
  g_cabinet_library.create = Resolve<FdiCreateFunction>(g_cabinet_library.module, "FDICreate");
  g_cabinet_library.destroy = Resolve<FdiDestroyFunction>(g_cabinet_library.module, "FDIDestroy");
  g_cabinet_library.copy = Resolve<FdiCopyFunction>(g_cabinet_library.module, "FDICopy");
  return g_cabinet_library.create != nullptr && g_cabinet_library.destroy != nullptr &&
         g_cabinet_library.copy != nullptr;
}

CabinetMembers ExtractFromCabinet(std::string_view cabinet, std::string_view member) {
  if (!LoadCabinetLibrary()) return {};
  ERF error = {};
  const HFDI context =
      g_cabinet_library.create(Allocate, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
  if (context == nullptr) return {};
  Extraction extraction(MemoryCabinet{cabinet.data(), cabinet.size()}, member);
  std::string name = std::to_string(reinterpret_cast<uintptr_t>(&extraction.cabinet));
  char path[] = "";
  g_cabinet_library.copy(context, name.data(), path, 0, Notify, nullptr, &extraction);
  g_cabinet_library.destroy(context);
  return std::move(extraction.members);
}

}  // namespace config
