#include <utility>

#include "zip/file_system.h"

namespace update::zip {

FileHandle::FileHandle(FileHandle&& other) noexcept
    : file_(other.file_), owned_(other.owned_), valid_(std::exchange(other.valid_, false)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = other.file_;
    owned_ = other.owned_;
    valid_ = std::exchange(other.valid_, false);
  }
  return *this;
}

}  // namespace update::zip
