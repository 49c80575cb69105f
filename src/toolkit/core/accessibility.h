// What a screen reader is told about a widget: its role, name, value, states and default
// action, and the tree of accessible elements. Portable; the Win32 side turns it into MSAA.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/core/widget.h"

namespace toolkit {

enum class AccessibleRole {
  kClient,       // the root of a host window
  kGrouping,     // plain windows and captions
  kPushButton,   // "imgbtn"
  kCheckButton,  // "check"
  kRadioButton,  // "radio"
  kLink,         // "link"
  kText,         // "edit"
  kStaticText,   // "text"
  kProgressBar,  // "progress"
  kGraphic,      // "img"
};

struct AccessibleStates {
  bool unavailable = false;  // disabled, or inside a disabled widget
  bool focusable = false;    // takes the mouse
  bool hot = false;          // under the mouse
  bool pressed = false;
  bool checked = false;
  bool readOnly = false;
};

struct AccessibleDescription {
  AccessibleRole role = AccessibleRole::kGrouping;
  std::string name;
  std::string value;
  std::string defaultAction;  // empty: none
  AccessibleStates states;
};

// Names the layout does not carry, by widget name or by skin name (the logo has no name of its
// own), given by the program.
using AccessibleNameTable = std::vector<std::pair<std::string, std::string>>;

AccessibleDescription DescribeWidget(const Widget& widget, const AccessibleNameTable& names);

// A widget's accessible children: its visible children, in tree order.
std::vector<Widget*> AccessibleChildren(const Widget& widget);

// Every widget of a tree has a number that stays the same while the tree lives: its place in a
// walk of the whole tree, the root being 1. Change events name widgets by it.
int TreeSerial(const Widget& root, const Widget& widget);  // 0: not in the tree
Widget* WidgetBySerial(Widget& root, int serial);          // null: no such widget

}  // namespace toolkit
