#include "toolkit/win32/window_centring.h"

namespace toolkit {

int CentredStart(int referenceStart, int referenceEnd, int size, int areaStart, int areaEnd) {
  int start = referenceStart + (referenceEnd - referenceStart) / 2 - size / 2;
  if (start + size > areaEnd) start = areaEnd - size;
  if (start < areaStart) start = areaStart;
  return start;
}

POINT CentredPosition(const RECT& window, const RECT& reference, const RECT& workArea) {
  return {CentredStart(reference.left, reference.right, window.right - window.left, workArea.left,
                       workArea.right),
          CentredStart(reference.top, reference.bottom, window.bottom - window.top, workArea.top,
                       workArea.bottom)};
}

bool CentreWindow(HWND window, HWND reference) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return false;
  }
  RECT centre_on = monitor.rcWork;
  if (reference != nullptr && reference != window && IsWindowVisible(reference) &&
      !IsIconic(reference)) {
    GetWindowRect(reference, &centre_on);
  }
  const POINT position = CentredPosition(rect, centre_on, monitor.rcWork);
  return SetWindowPos(window, nullptr, position.x, position.y, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

}  // namespace toolkit
