// The platform part of the interface check alone: COM and one association
// registration object, as `--check-the-interface` asks for them. Its start-up
// against bare_return shows what the system itself costs for that role.
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IUnknown* registration = nullptr;
  if (SUCCEEDED(::SHCreateAssociationRegistration(IID_IApplicationAssociationRegistration,
                                                  reinterpret_cast<void**>(&registration))) &&
      registration != nullptr) {
    registration->Release();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}
