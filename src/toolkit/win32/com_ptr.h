// An owning pointer to a COM interface: Release on destruction.
#pragma once

#include <unknwn.h>

#include <utility>

namespace toolkit {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(T* pointer) : m_pointer(pointer) {}
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      m_pointer = std::exchange(other.m_pointer, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* Get() const { return m_pointer; }
  T* operator->() const { return m_pointer; }
  explicit operator bool() const { return m_pointer != nullptr; }
  void Reset() {
    if (m_pointer) std::exchange(m_pointer, nullptr)->Release();
  }

 private:
  T* m_pointer = nullptr;
};

}  // namespace toolkit
