#include "sys/command_line.h"

namespace update {

std::wstring QuotedCommandPath(const std::wstring& path) {
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') return path;
  return L"\"" + path + L"\"";
}

}  // namespace update
