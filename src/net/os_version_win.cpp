#include "net/os_version.h"

#include <windows.h>

#include <wbemidl.h>

#include <cstdio>
#include <memory>

namespace update {
namespace {

void PrintFailure(const char* message, HRESULT hr) {
  std::printf("%s0x%lx\n", message, static_cast<unsigned long>(hr));
}

// Keeps COM initialised on this thread for the scope; declared before every COM pointer so
// that it outlives them.
class ComScope {
 public:
  explicit ComScope(HRESULT hr) : m_initialised(SUCCEEDED(hr)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (m_initialised) CoUninitialize();
  }

 private:
  bool m_initialised;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }
  void Reset() {
    if (m_pointer) m_pointer->Release();
    m_pointer = nullptr;
  }
  T** Receive() {
    Reset();
    return &m_pointer;
  }
  T* get() const { return m_pointer; }
  T* operator->() const { return m_pointer; }

 private:
  T* m_pointer = nullptr;
};

struct BstrDeleter {
  void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using Bstr = std::unique_ptr<OLECHAR, BstrDeleter>;

class Variant {
 public:
  Variant() { VariantInit(&m_value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&m_value); }
  VARIANT* get() { return &m_value; }

 private:
  VARIANT m_value;
};

}  // namespace

int QueryOsVersion(std::wstring& version) {
  const HRESULT initHr = CoInitialize(nullptr);
  const ComScope com(initHr);
  if (FAILED(initHr)) {
    PrintFailure("Failed to initialize COM library. Error code = ", initHr);
    return 1;
  }

  // Security can be set once per process. A later call gets RPC_E_TOO_LATE on Windows and
  // S_OK under Wine; either way the process is already set up and the query can go on.
  HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (FAILED(hr) && hr != RPC_E_TOO_LATE) {
    PrintFailure("Failed to initialize security. Error code = ", hr);
    return 1;
  }

  ComPtr<IWbemLocator> locator;
  hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                        reinterpret_cast<void**>(locator.Receive()));
  if (FAILED(hr)) {
    PrintFailure("Failed to create IWbemLocator object. Err code = ", hr);
    return 1;
  }

  ComPtr<IWbemServices> services;
  const Bstr wmiNamespace(SysAllocString(L"ROOT\\CIMV2"));
  hr = locator->ConnectServer(wmiNamespace.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                              services.Receive());
  if (FAILED(hr)) {
    PrintFailure("Could not connect. Error code = ", hr);
    return 1;
  }
  std::printf("Connected to ROOT\\CIMV2 WMI namespace\n");

  hr = CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                         RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  if (FAILED(hr)) {
    PrintFailure("Could not set proxy blanket. Error code = ", hr);
    return 1;
  }

  ComPtr<IEnumWbemClassObject> enumerator;
  const Bstr language(SysAllocString(L"WQL"));
  const Bstr query(SysAllocString(L"SELECT * FROM Win32_OperatingSystem"));
  hr = services->ExecQuery(language.get(), query.get(),
                           WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                           enumerator.Receive());
  if (FAILED(hr)) {
    PrintFailure("Query for operating system name failed. Error code = ", hr);
    return 1;
  }

  for (;;) {
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    enumerator->Next(WBEM_INFINITE, 1, object.Receive(), &returned);
    if (returned == 0) break;
    Variant value;
    if (SUCCEEDED(object->Get(L"Version", 0, value.get(), nullptr, nullptr)) &&
        V_VT(value.get()) == VT_BSTR && V_BSTR(value.get()) != nullptr) {
      version.assign(V_BSTR(value.get()), SysStringLen(V_BSTR(value.get())));
    }
  }
  return 0;
}

}  // namespace update
