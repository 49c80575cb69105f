// The names a screen reader gives to widgets of the main window whose layout carries none: the
// minimise button, and the logo by its skin.
#pragma once

#include "toolkit/core/accessibility.h"

namespace update {

const toolkit::AccessibleNameTable& MainWindowAccessibleNames();

}  // namespace update
