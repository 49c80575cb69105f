// A program that crashes as one whose import slot holds 0 does: it calls through a null function
// pointer. The crash test starts it the way the window and end-to-end tests start Update.exe.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using Function = void (*)();
  volatile Function function = nullptr;
  function();
  return 0;
}
