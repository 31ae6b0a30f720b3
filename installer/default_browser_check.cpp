#include "installer/default_browser_check.h"

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

#include "installer/exit_codes.h"

namespace installer {
namespace {

struct CandidateInterface {
  GUID id;
  int kind;
};

// Tried in this order; kind 1 interfaces must also hand out a working sub-object.
const CandidateInterface kCandidates[] = {
    {{0x2A848E25, 0xD688, 0x4AA3, {0x8E, 0x55, 0x0C, 0x16, 0xCB, 0x3A, 0x2D, 0xFB}}, 1},
    {{0xFC0BE3A5, 0x6BE4, 0x423C, {0xB2, 0x87, 0x24, 0x89, 0x34, 0xE3, 0x79, 0xC7}}, 1},
    {{0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}}, 0},
    {{0x1C5C9D10, 0x1225, 0x4C97, {0x8C, 0x51, 0x98, 0xE1, 0xB6, 0xF0, 0xD4, 0xE0}}, 0},
    {{0x229D59E2, 0xF94A, 0x402E, {0x9A, 0x9F, 0x3B, 0x84, 0xA1, 0xAC, 0xED, 0x77}}, 0},
};

// The kind 1 interfaces are IUnknown-based; their sub-object is asked for as
// IUnknown (named through __uuidof, which needs no GUID library), and its two probes are a
// reference round-trip and a query for IUnknown through it, either of which fails on a broken
// service.
bool ProbeSubObject(IUnknown* interface_pointer) {
  IUnknown* sub_object = nullptr;
  if (FAILED(interface_pointer->QueryInterface(__uuidof(IUnknown),
                                               reinterpret_cast<void**>(&sub_object))) ||
      sub_object == nullptr) {
    return false;
  }
  IUnknown* again = nullptr;
  const bool first = sub_object->AddRef() > 1;
  sub_object->Release();
  const bool second =
      SUCCEEDED(sub_object->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&again)));
  if (again != nullptr) again->Release();
  sub_object->Release();
  return first && second;
}

}  // namespace

int CheckDefaultBrowserInterface() {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool available = false;
  for (const CandidateInterface& candidate : kCandidates) {
    IUnknown* interface_pointer = nullptr;
    if (FAILED(::SHCreateAssociationRegistration(candidate.id,
                                                 reinterpret_cast<void**>(&interface_pointer))) ||
        interface_pointer == nullptr) {
      continue;
    }
    available = candidate.kind == 0 || ProbeSubObject(interface_pointer);
    interface_pointer->Release();
    break;
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return available ? kExitInterfaceAvailable : kExitInterfaceNotAvailable;
}

}  // namespace installer
