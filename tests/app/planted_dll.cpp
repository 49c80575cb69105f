// A DLL planted beside the program under a system DLL's name, as a web page can put files into a
// download folder: if it is ever loaded as code, its entry point writes its own path as a line to
// C:\planted.log (UTF-16), which the end-to-end test then finds. It exports nothing.
#include <windows.h>

#include "sys/scoped_handle.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t line[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(self, line, MAX_PATH);
  line[length++] = L'\n';
  const update::FileHandle log(CreateFileW(L"C:\\planted.log", FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (log) WriteFile(log.get(), line, length * sizeof(wchar_t), &written, nullptr);
  return TRUE;
}
