#include "toolkit/win32/debug_output.h"

#include <windows.h>

#include <string>

#include "common/text_convert.h"

namespace toolkit {

void WriteDebugLine(std::string_view line) {
  // The same buffers the toolkit has always used: 2048 wide characters, then 2048 ANSI bytes.
  constexpr int kBufferLength = 2048;
  std::wstring wide = update::Utf8ToWide(line);
  if (wide.size() >= kBufferLength) wide.resize(kBufferLength - 1);
  char ansi[kBufferLength] = {};
  const int written = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                          ansi, kBufferLength - 1, nullptr, nullptr);
  ansi[written > 0 ? written : 0] = '\0';
  OutputDebugStringA(ansi);
}

}  // namespace toolkit
