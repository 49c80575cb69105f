// The toolkit's diagnostic lines: written to the debugger output (OutputDebugStringA), converted
// to the ANSI code page, since the program installs no log manager.
#pragma once

#include <string_view>

namespace toolkit {

// Writes UTF-8 `line` to the debugger output in the ANSI code page, cut to 2047 bytes.
void WriteDebugLine(std::string_view line);

}  // namespace toolkit
