// The named-ID table of the main window's layout "LAYOUT:XML_MAINWND", registered with the
// toolkit at start so that its widgets get the same ids on every run.
#pragma once

#include <array>

#include "toolkit/core/named_ids.h"

namespace update {

// 21 rows sorted by name. "_name_start" (65535) marks the start of the numbering; ids from 65536
// upwards follow the order in which the names first occur in the layout; the banner buttons keep
// the explicit ids of their layout elements.
const std::array<toolkit::NamedId, 23>& MainWindowNamedIds();

}  // namespace update
