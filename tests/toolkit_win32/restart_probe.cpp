// Stands in for a program whose windows cannot be created in its first starts: it writes one line
// per start ("start N: COMMAND LINE"), restarts itself while its start number is below the number
// given as its first argument, and otherwise ends with 40 + its start number (50 + its start
// number when a restart was wanted but refused).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/text_convert.h"
#include "toolkit/win32/process_restart.h"

int wmain(int argc, wchar_t** argv) {
  const int start = toolkit::ProcessStartNumber();
  const std::string line =
      "start " + std::to_string(start) + ": " + update::WideToUtf8(GetCommandLineW()) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  const long first_good_start = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 1;
  if (start >= first_good_start) return 40 + start;
  DWORD exit_code = 0;
  if (toolkit::RunAgainAsNewProcess(&exit_code)) return static_cast<int>(exit_code);
  return 50 + start;
}
