// The swap's crash points, for the end-to-end tests only: with UPDATE_HALT_BEFORE_SWAP_STEP=N in
// its environment, Update-crashpoints.exe says so on standard error and waits for ever before
// the swap's move number N, so that the test can end the process right there. The product links
// the library's hook, which reads nothing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "workflow/swap_step_hook.h"

namespace update {

void BeforeSwapStep(int step) {
  static const int halt_at = [] {
    const char* value = std::getenv("UPDATE_HALT_BEFORE_SWAP_STEP");
    return value ? std::atoi(value) : 0;
  }();
  if (halt_at != step) return;
  std::fprintf(stderr, "swap: halted before step %d\n", step);
  std::fflush(stderr);
  for (;;) Sleep(INFINITE);
}

}  // namespace update
