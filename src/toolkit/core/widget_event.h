// Events widgets raise. A command event (id kEventCommand) is raised by a click on an image
// button, check box, radio button or link; it carries the sender's id and name.
#pragma once

#include <string>

namespace toolkit {

class Widget;

constexpr int kEventCommand = 10000;

struct EventArgs {
  int id = 0;                // kEventCommand, ...
  Widget* sender = nullptr;  // borrowed from the widget tree
  int senderId = 0;
  std::string senderName;
};

}  // namespace toolkit
