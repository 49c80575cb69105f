// Centring a top-level window: on a visible reference window, or, with the window's own handle
// (not yet shown) or no reference, on the work area of the monitor nearest the window. The result
// is kept inside the work area.
#pragma once

#include <windows.h>

namespace toolkit {

// One axis: the start that centres `size` on the reference span, moved back so that the end does
// not pass `areaEnd`, then forward so that the start is not before `areaStart`.
int CentredStart(int referenceStart, int referenceEnd, int size, int areaStart, int areaEnd);

// The top-left corner that centres `window` (its rectangle) on `reference` inside `workArea`.
POINT CentredPosition(const RECT& window, const RECT& reference, const RECT& workArea);

// Moves `window` as above, keeping its size and z-order, without activating it.
bool CentreWindow(HWND window, HWND reference);

}  // namespace toolkit
