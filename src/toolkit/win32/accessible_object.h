// The widget tree of a host window as Microsoft Active Accessibility objects, so that screen
// readers (and tests in another process) can read and use windowless widgets. A widget with
// accessible children is an IDispatch child; a leaf is a plain child id of its parent. Change
// events name a widget by the negative of its tree serial, which every object resolves.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <atomic>
#include <memory>
#include <vector>

#include "toolkit/core/accessibility.h"

namespace toolkit {

// What the objects of one window share. The host cuts the link when its window is destroyed:
// objects a reader still holds then fail every call with CO_E_OBJNOTCONNECTED.
struct AccessibleTreeLink {
  HWND hwnd = nullptr;
  Widget* root = nullptr;
  const AccessibleNameTable* names = nullptr;
  // Posted to the window with a widget's serial: carry out its default action.
  UINT actionMessage = 0;
  // The objects alive now (each adds and removes itself), so that the window's end can cut
  // their readers off: a reader's reference left over would otherwise keep COM waiting on this
  // thread when the program ends.
  std::vector<IUnknown*> objects;
  bool Connected() const { return hwnd != nullptr && root != nullptr; }
};

// Cuts every reader of the link's objects off (CoDisconnectObject) and the objects off the tree.
void DisconnectAccessibleObjects(AccessibleTreeLink& link);

// A new object for `widget` (one reference, owned by the caller).
IAccessible* CreateAccessibleObject(std::shared_ptr<AccessibleTreeLink> link, Widget* widget);

// The MSAA role, state and child id of the portable description.
LONG AccessibleRoleId(AccessibleRole role);
LONG AccessibleStateBits(const AccessibleStates& states);
LONG EventChildId(const Widget& root, const Widget& widget);

}  // namespace toolkit
