// Preloaded into the Wine loader: maps a page at the address of Windows' shared user data
// (0x7ffe0000) as early as a library can, which is where the kernel's randomised heap of the
// loader now and then lies. Says in $UPDATE_TAKEN_LOG what it found: "mapped" when the address
// was free, "reserved" when Wine had reserved it already.
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>

__attribute__((constructor)) static void TakeSharedUserData(void) {
  void* const page = mmap((void*)0x7ffe0000, 4096, PROT_READ,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  const char* const log_path = getenv("UPDATE_TAKEN_LOG");
  FILE* const log = log_path ? fopen(log_path, "a") : NULL;
  if (!log) return;
  if (page != MAP_FAILED) {
    fputs("mapped\n", log);
  } else {
    fprintf(log, "%s\n", errno == EEXIST ? "reserved" : "refused");
  }
  fclose(log);
}
