// One owner type for the Win32 handles of this folder: each kind names its invalid value and how
// it is closed, and the handle is closed exactly once, on whatever path its owner leaves.
#pragma once

#include <windows.h>

#include <utility>

namespace update {

template <typename Traits>
class ScopedHandle {
 public:
  using Value = typename Traits::Value;

  ScopedHandle() = default;
  explicit ScopedHandle(Value value) : m_value(value) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : m_value(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~ScopedHandle() { Reset(); }

  Value get() const { return m_value; }
  explicit operator bool() const { return m_value != Traits::Invalid(); }

  // For functions that return the handle through a pointer: closes the present one first.
  Value* Receive() {
    Reset();
    return &m_value;
  }
  void Reset(Value value = Traits::Invalid()) {
    if (m_value != Traits::Invalid()) Traits::Close(m_value);
    m_value = value;
  }
  Value Release() { return std::exchange(m_value, Traits::Invalid()); }

 private:
  Value m_value = Traits::Invalid();
};

struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { CloseHandle(value); }
};
using KernelHandle = ScopedHandle<KernelHandleTraits>;

// CreateFileW's handles, whose invalid value is not null.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { CloseHandle(value); }
};
using FileHandle = ScopedHandle<FileHandleTraits>;

struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { RegCloseKey(value); }
};
using RegistryKey = ScopedHandle<RegistryKeyTraits>;

struct ServiceHandleTraits {
  using Value = SC_HANDLE;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { CloseServiceHandle(value); }
};
using ServiceHandle = ScopedHandle<ServiceHandleTraits>;

struct FindHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { FindClose(value); }
};
using FindHandle = ScopedHandle<FindHandleTraits>;

}  // namespace update
