// The yardstick of the install benchmark: a bare libcurl download of URL into PATH (written
// with WriteFile as it arrives), built with the same toolchain as Update.exe. Prints the time
// the transfer took in milliseconds. Usage: download_loop URL PATH
#include <windows.h>

#include <curl/curl.h>

#include <cstdio>
#include <string>

#include "common/text_convert.h"

namespace {

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  DWORD written = 0;
  const DWORD bytes = static_cast<DWORD>(size * count);
  return WriteFile(static_cast<HANDLE>(file), data, bytes, &written, nullptr) && written == bytes
             ? bytes
             : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: download_loop URL PATH\n");
    return 2;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const std::string url = update::WideToUtf8(argv[1]);
  HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  const DWORD start = GetTickCount();
  const CURLcode code = curl_easy_perform(curl);
  const DWORD elapsed = GetTickCount() - start;
  curl_easy_cleanup(curl);
  CloseHandle(file);
  curl_global_cleanup();
  if (code != CURLE_OK) {
    std::fprintf(stderr, "download failed: %s\n", curl_easy_strerror(code));
    return 1;
  }
  std::printf("%lu\n", elapsed);
  return 0;
}
