// Waits until it is killed. While a Windows process runs, Wine keeps service processes alive;
// tests that need a running service start this first.
#include <windows.h>

int main() {
  Sleep(INFINITE);
  return 0;
}
